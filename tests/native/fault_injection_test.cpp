// Every step of a rewrite can fail, on the NT family (one move replaces the
// file) and on the 9x platform (the old file steps aside): the file on disk is
// then wholly old or wholly new, always with its attributes and security, and
// no file of ours outlasts the next start.
#include <functional>

#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "platform/fake/fake_platform.h"
#include "shell/app.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;
using fake::Op;
using Lines = std::vector<std::string>;

namespace {

constexpr std::uint32_t kProtected = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;
constexpr const char* kSecurity = "O:BA G:SY D:(A;;FA;;;BA)";

struct Outcome {
    bool ok; std::uint32_t error; std::string bytes; std::uint32_t attributes; std::string security;
    Lines files_after_rewrite, files_after_start; std::size_t entries_after_start;
};

// Loads the protected three-system BOOT.INI on Windows 98 or XP, arms the
// fault, makes entry 0 the default, and starts the program again. `stale`:
// files of ours that a crash left, read-only, are in the way.
Outcome rewrite_with(std::uint32_t platform_id, const std::function<void()>& arm, bool stale = false) {
    testenv::reset();
    fake::set_version(platform_id, platform_id == platform::kPlatformWin9x ? 4 : 5, 10);
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems, kProtected);
    if (platform_id != platform::kPlatformWin9x) fake::set_security(p, kSecurity);
    for (const char* suffix : {kTempSuffix, kAsideSuffix})
        if (stale) testenv::put_file(p + suffix, "stale", platform::kAttrReadOnly);
    BootTable t;
    load_boot_table(t);
    arm();
    std::uint32_t error = 0;
    const bool ok = set_default_entry(t, 0, &error);
    fake::disarm();
    const Lines files = testenv::sandbox_files();
    shell::App app;
    shell::start_up(app);
    std::string bytes;
    testenv::get_file(p, &bytes);
    return {ok, error, bytes, platform::file_attributes(p), fake::security(p), files, testenv::sandbox_files(),
            app.table.entries.size()};
}

}  // namespace

TEST_CASE("fault injection: each step of a BOOT.INI rewrite, and a write at each byte, failing in turn") {
    const std::string old_bytes = newline_to_crlf(fixture::kThreeSystems);
    for (std::uint32_t platform_id : {2u, platform::kPlatformWin9x}) {
        const std::string on = platform_id == 2 ? " on NT" : " on 9x";
        const Outcome clean = rewrite_with(platform_id, [] {}, true);
        const std::string new_bytes = clean.bytes;
        CHECK(clean.ok && new_bytes != old_bytes && clean.files_after_start == Lines{"BOOT.INI"});
        int failures_seen = 0;
        const std::pair<Op, const char*> steps[] = {
            {Op::file_attributes, "attributes"}, {Op::file_set_attributes, "set_attributes"}, {Op::file_create, "create"},
            {Op::file_write, "write"}, {Op::file_flush, "flush"}, {Op::file_close, "close"}, {Op::file_replace, "replace"},
            {Op::file_move, "move"}, {Op::file_remove, "remove"}, {Op::file_copy_security, "copy_security"},
            {Op::file_read, "read"}};
        for (const auto& step : steps) {
            const Op op = step.first;  // a lambda below takes it, which a structured binding cannot be
            for (int skip = 0; skip < 4; ++skip) {
                const Outcome o = rewrite_with(platform_id, [&] { fake::fail(op, skip, 5); });
                const std::string row = std::string(step.second) + " skip " + std::to_string(skip) + on;
                failures_seen += !o.ok;
                // Only the read back comes after the move: its failure leaves the new file.
                const bool moved = o.ok || (op == Op::file_read && skip == 0);
                // The 9x platform keeps no security; elsewhere a copy that fails loses it, and nothing else.
                const bool keeps_security = platform_id == 2 && !(op == Op::file_copy_security && skip == 0);
                CHECK_MSG(o.bytes == (moved ? new_bytes : old_bytes) && o.error == (o.ok ? 0u : 5u) &&
                              o.attributes == kProtected && (o.security == kSecurity) == keeps_security, row);
                // A set-aside copy that could not be removed is gone after the next start.
                CHECK_MSG(o.files_after_start == Lines{"BOOT.INI"} &&
                              (o.files_after_rewrite == Lines{"BOOT.INI"} ||
                               (o.ok && o.files_after_rewrite == Lines{"BOOT.INI", "BOOT.INI.old~"})), row);
            }
        }
        CHECK(failures_seen >= 7);  // every step that matters was hit at least once
        for (std::size_t at = 0; at < new_bytes.size(); at += 7) {
            const Outcome o = rewrite_with(platform_id, [&] { fake::fail_write_after(at); });
            CHECK_MSG(!o.ok && o.error == 112u && o.bytes == old_bytes && o.attributes == kProtected &&
                          o.files_after_rewrite == Lines{"BOOT.INI"}, "write failing after byte " + std::to_string(at) + on);
        }
        // A disk that drops bytes without saying so is caught by the read back.
        const Outcome lying = rewrite_with(platform_id, [] { fake::fail_write_after(100, 0, true); });
        CHECK_MSG(!lying.ok && lying.error == kErrorWriteFault && lying.bytes.size() == 100, on);
    }
    // Cut between the two moves on 9x (the new file fails to move in, and so
    // does the way back): the next start puts the old file back before it loads it.
    const Outcome cut = rewrite_with(platform::kPlatformWin9x, [] {
        fake::fail(Op::file_move, 1);
        fake::fail(Op::file_move);
    });
    CHECK(!cut.ok && cut.files_after_rewrite == Lines{"BOOT.INI.old~"} && cut.bytes == old_bytes &&
          cut.attributes == kProtected && cut.files_after_start == Lines{"BOOT.INI"} && cut.entries_after_start == 3u);
    CHECK_EQ(fake::open_files(), 0);
}
