// Every step of a rewrite can fail, and the process can die after any step,
// on the NT family (one move replaces the file) and on the 9x platform (the
// old file steps aside): the file on disk is then wholly old or wholly new,
// always with its attributes and security, and no file of ours, and only
// those, outlasts the next start.
#include <functional>

#include "bootini/boot_loader_setup.h"
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
// Names beside BOOT.INI that are not ours: no start may remove them.
const Lines kForeign = {"BOOT.INI.new", "BOOT.INI.old", "BOOT.INI~"};

struct Outcome {
    bool ok, died; std::uint32_t error; std::string bytes; std::uint32_t attributes; std::string security;
    Lines files_after_rewrite, files_after_start; std::size_t entries_after_start;
    std::string aside_after_start;  // "" when there is none
    std::size_t boxes;
};

// Loads the protected three-system BOOT.INI on Windows 98 or XP, arms the
// fault, makes entry 0 the default, and starts the program again. `stale`:
// files of ours that a crash left, read-only, are in the way (a set-aside
// copy holding what the file holds: one that differs is never written over).
Outcome rewrite_with(std::uint32_t platform_id, const std::function<void()>& arm, bool stale = false) {
    testenv::reset();
    fake::set_version(platform_id, platform_id == platform::kPlatformWin9x ? 4 : 5, 10);
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems, kProtected);
    if (platform_id != platform::kPlatformWin9x) fake::set_security(p, kSecurity);
    if (stale) testenv::put_file(p + kTempSuffix, "stale", platform::kAttrReadOnly);
    if (stale) testenv::put_file(p + kAsideSuffix, newline_to_crlf(fixture::kThreeSystems), platform::kAttrReadOnly);
    for (const std::string& name : kForeign) testenv::put_file(testenv::path(name), "theirs");
    BootTable t;
    load_boot_table(t);
    arm();
    std::uint32_t error = 0;
    const bool ok = set_default_entry(t, 0, &error);
    const bool died = fake::dead();
    fake::disarm();
    const Lines files = testenv::sandbox_files();
    shell::App app;
    shell::start_up(app);
    std::string bytes;
    testenv::get_file(p, &bytes);
    std::string aside;
    testenv::get_file(p + kAsideSuffix, &aside);
    return {ok, died, error, bytes, platform::file_attributes(p), fake::security(p), files,
            testenv::sandbox_files(), app.table.entries.size(), aside,
            static_cast<std::size_t>(std::count_if(testenv::boxes().begin(), testenv::boxes().end(),
                                                   [](const testenv::Box& b) { return b.text.find("kept aside") != std::string::npos; }))};
}

// The sandbox's files: the foreign ones, BOOT.INI unless `gone`, and `ours`.
Lines with_boot_ini(const Lines& ours = {}, bool gone = false) {
    Lines files = kForeign;
    if (!gone) files.push_back("BOOT.INI");
    files.insert(files.end(), ours.begin(), ours.end());
    std::sort(files.begin(), files.end());
    return files;
}

// After the next start only BOOT.INI is left of ours, or also the set-aside
// copy of the old file when BOOT.INI holds another: that copy is kept (it may
// be the only good one), and the start said so.
bool cleaned_or_kept(const Outcome& o, const std::string& old_bytes) {
    if (o.files_after_start == with_boot_ini()) return o.boxes == 0;
    return o.files_after_start == with_boot_ini({"BOOT.INI.old~"}) && o.aside_after_start == old_bytes &&
           o.bytes != old_bytes && o.boxes == 1;
}

}  // namespace

TEST_CASE("fault injection: each step of a BOOT.INI rewrite, and a write at each byte, failing in turn") {
    const std::string old_bytes = newline_to_crlf(fixture::kThreeSystems);
    for (std::uint32_t platform_id : {2u, platform::kPlatformWin9x}) {
        const bool nt = platform_id == 2;
        const std::string on = nt ? " on NT" : " on 9x";
        const Outcome clean = rewrite_with(platform_id, [] {}, true);
        const std::string new_bytes = clean.bytes;
        CHECK(clean.ok && new_bytes != old_bytes && clean.files_after_start == with_boot_ini());
        // The rename reaches the disk before the restart (NT family only).
        CHECK_EQ(fake::volume_flushes(), nt ? 1 : 0);
        // The reads: the file as it is now, (NT) the old content for its copy and
        // that copy's read back, then the read back of the new file.
        const int first_read_back = nt ? 2 : 1, read_backs = nt ? 2 : 1;
        int failures_seen = 0;
        const std::pair<Op, const char*> steps[] = {
            {Op::file_attributes, "attributes"}, {Op::file_set_attributes, "set_attributes"}, {Op::file_create, "create"},
            {Op::file_write, "write"}, {Op::file_flush, "flush"}, {Op::file_close, "close"}, {Op::file_replace, "replace"},
            {Op::file_move, "move"}, {Op::file_remove, "remove"}, {Op::file_copy_security, "copy_security"},
            {Op::file_read, "read"}, {Op::volume_flush, "volume_flush"}};
        for (const auto& step : steps) {
            const Op op = step.first;  // a lambda below takes it, which a structured binding cannot be
            for (int skip = 0; skip < 5; ++skip) {
                const Outcome o = rewrite_with(platform_id, [&] { fake::fail(op, skip, 5); });
                const std::string row = std::string(step.second) + " skip " + std::to_string(skip) + on;
                failures_seen += !o.ok;
                const std::uint32_t error = o.ok ? 0u : op == Op::file_read && skip >= first_read_back &&
                                                                skip < first_read_back + read_backs
                                                            ? kErrorReadBackFailed
                                                            : 5u;
                // The 9x platform keeps no security; elsewhere a copy to the new file that fails loses it, and nothing else.
                const bool keeps_security = nt && !(o.ok && op == Op::file_copy_security && skip == 0);
                CHECK_MSG(o.bytes == (o.ok ? new_bytes : old_bytes) && o.error == error && o.attributes == kProtected &&
                              (o.security == kSecurity) == keeps_security, row);
                CHECK_MSG(cleaned_or_kept(o, old_bytes), row);
            }
        }
        CHECK(failures_seen >= 10);  // every step that matters was hit at least once
        for (std::size_t at = 0; at < new_bytes.size(); at += 7) {
            const Outcome o = rewrite_with(platform_id, [&] { fake::fail_write_after(at); });
            CHECK_MSG(!o.ok && o.error == 112u && o.bytes == old_bytes && o.attributes == kProtected &&
                          o.files_after_rewrite == with_boot_ini(), "write failing after byte " + std::to_string(at) + on);
        }
        // A disk that drops bytes without saying so is caught by a read back,
        // and the old file is what stays.
        const Outcome lying = rewrite_with(platform_id, [] { fake::fail_write_after(100, 0, true); });
        CHECK_MSG(!lying.ok && lying.error == kErrorReadBackDiffers && lying.bytes == old_bytes &&
                      lying.attributes == kProtected && lying.files_after_rewrite == with_boot_ini(), on);
        // The process dies after each step in turn; the next start finds BOOT.INI whole.
        int deaths = 0;
        for (int n = 0;; ++n) {
            const Outcome o = rewrite_with(platform_id, [n] { fake::die_after(n); });
            if (!o.died) break;
            ++deaths;
            const std::string row = "died after step " + std::to_string(n) + on;
            CHECK_MSG((o.bytes == old_bytes || o.bytes == new_bytes) && o.attributes == kProtected &&
                          (o.security == kSecurity) == nt && cleaned_or_kept(o, old_bytes) &&
                          o.entries_after_start == 3u, row);
        }
        CHECK(deaths >= 15);
    }
    // Cut between the two moves on 9x (the new file fails to move in, and so
    // does the way back): the next start puts the old file back before it loads it.
    const Outcome cut = rewrite_with(platform::kPlatformWin9x, [] {
        fake::fail(Op::file_move, 1);
        fake::fail(Op::file_move);
    });
    CHECK(!cut.ok && cut.files_after_rewrite == with_boot_ini({"BOOT.INI.old~"}, true) &&
          cut.bytes == old_bytes && cut.attributes == kProtected && cut.files_after_start == with_boot_ini() &&
          cut.entries_after_start == 3u);
    // A read back that fails, and an old file that cannot be put back either, is no success.
    const Outcome stuck = rewrite_with(2, [] { fake::fail(Op::file_read, 3); fake::fail(Op::file_replace, 1); });
    CHECK(!stuck.ok && stuck.error == kErrorNotPutBack);
    CHECK_EQ(fake::open_files(), 0);
}

TEST_CASE("fault injection: -i says why a 30-second time-out could not be shortened") {
    testenv::reset();
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems, kProtected);
    testenv::answer_boxes_with(platform::kIdYes);
    fake::fail(Op::file_create);  // a limited user, a locked or protected file, a full disk
    BootTable t;
    load_boot_table(t);
    boot_loader_setup(t, [](const std::string&, std::string&) {});
    const auto& boxes = testenv::boxes();
    CHECK(boxes.size() == 2 && boxes[1].style == platform::kMbIconError &&
          boxes[1].text == "The program wasn't able to change the time-out in the boot configuration file\n'" + p +
                               "'.\n\nAccess is denied.");
    CHECK_EQ(fixture::file_text(p), fixture::kThreeSystems);
}

TEST_CASE("fault injection: a start puts VORLANE.INI back from the copy a cut-short save kept aside") {
    testenv::reset();
    const std::string ini = testenv::path("VORLANE.INI"), saved = "[Config]\r\nDefault=Windows 2000 Professional\r\n";
    testenv::put_text("INI", ini);
    testenv::put_file(ini + kAsideSuffix, saved);
    shell::App app;
    shell::start_up(app);
    std::string bytes;
    CHECK(testenv::get_file(ini, &bytes) && bytes == saved && testenv::sandbox_files() == Lines{"VORLANE.INI"});
    testenv::put_file(ini + kAsideSuffix, saved);  // a copy that matches goes, and the file stays writable
    shell::start_up(app);
    CHECK(testenv::sandbox_files() == Lines{"VORLANE.INI"} && !(platform::file_attributes(ini) & platform::kAttrReadOnly));
}
