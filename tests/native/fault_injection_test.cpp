// Every step of a rewrite can fail: the file on disk is then wholly old or
// wholly new, always with its attributes, and no temporary file stays behind.
#include <functional>

#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "platform/fake/fake_platform.h"
#include "settings/settings_store.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;
using fake::Op;
using Lines = std::vector<std::string>;

namespace {

constexpr std::uint32_t kProtected = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;

struct Outcome { bool ok; std::uint32_t error; std::string bytes; std::uint32_t attributes; Lines files; };

// Loads the protected three-system BOOT.INI, arms the fault, and makes entry 0 the default.
Outcome rewrite_with(const std::function<void()>& arm) {
    testenv::reset();
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems, kProtected);
    BootTable t;
    load_boot_table(t);
    arm();
    std::uint32_t error = 0;
    const bool ok = set_default_entry(t, 0, &error);
    fake::disarm();
    std::string bytes;
    testenv::get_file(p, &bytes);
    return {ok, error, bytes, platform::file_attributes(p), testenv::sandbox_files()};
}

}  // namespace

TEST_CASE("fault injection: each step of a BOOT.INI rewrite, and a write at each byte, failing in turn") {
    const std::string old_bytes = newline_to_crlf(fixture::kThreeSystems), new_bytes = rewrite_with([] {}).bytes;
    CHECK(new_bytes != old_bytes);
    int failures_seen = 0;
    for (Op op : {Op::file_attributes, Op::file_set_attributes, Op::file_create, Op::file_write, Op::file_flush,
                  Op::file_close, Op::file_replace}) {
        for (int skip = 0; skip < 4; ++skip) {
            const Outcome o = rewrite_with([&] { fake::fail(op, skip, 5); });
            failures_seen += !o.ok;
            CHECK_MSG(o.bytes == (o.ok ? new_bytes : old_bytes) && o.error == (o.ok ? 0u : 5u) &&
                          o.attributes == kProtected && o.files == Lines{"BOOT.INI"},
                      "op " + std::to_string(static_cast<int>(op)) + " skip " + std::to_string(skip));
        }
    }
    CHECK(failures_seen >= 6);  // every step that matters was hit at least once
    for (std::size_t at = 0; at < new_bytes.size(); ++at) {
        const Outcome o = rewrite_with([&] { fake::fail_write_after(at); });
        CHECK_MSG(!o.ok && o.error == 112u && o.bytes == old_bytes && o.attributes == kProtected &&
                      o.files == Lines{"BOOT.INI"}, "write failing after byte " + std::to_string(at));
    }
}

TEST_CASE("fault injection: a failed VORLANE.INI save shows the message and keeps the old file") {
    for (Op op : {Op::file_create, Op::file_write, Op::file_flush, Op::file_close, Op::file_replace}) {
        testenv::reset();
        const std::string ini = testenv::path("VORLANE.INI");
        testenv::put_text("INI", ini);
        testenv::put_file(ini, "[Config]\r\nDefault=Old\r\n");
        fake::fail(op);
        save_maintained_default(BootTable{"", {}, {}, "New"}, true);
        CHECK_MSG(fixture::file_text(ini) == "[Config]\nDefault=Old\n" && testenv::boxes().size() == 1 &&
                      testenv::sandbox_files() == Lines{"VORLANE.INI"}, std::to_string(static_cast<int>(op)));
    }
}

TEST_CASE("fake platform: behaves as Windows where the core depends on it") {
    testenv::reset();
    const std::string ro = testenv::path("ro.txt"), other = testenv::path("other.txt");
    testenv::put_file(ro, "old", platform::kAttrReadOnly);
    testenv::put_file(other, "new", platform::kAttrHidden);
    CHECK(platform::file_create(ro) == nullptr && platform::last_error() == 5u);
    CHECK(!platform::file_replace(other, ro) && !platform::file_remove(ro));
    CHECK_EQ(fixture::file_text(ro), "old");
    CHECK(platform::file_set_attributes(ro, platform::kAttrNormal) && platform::file_replace(other, ro));
    CHECK_EQ(platform::file_attributes(ro), platform::kAttrHidden);  // the move carries the source's attributes
    CHECK(!testenv::file_exists(other));
    CHECK(platform::file_create(testenv::path("no\\such\\folder.txt")) == nullptr && platform::last_error() == 3u);
    platform::File created = platform::file_create(testenv::path("BOOT.INI"));  // a new file
    CHECK(created != nullptr && fake::open_files() == 1);
    if (created) platform::file_close(created);

    // Keys opened by the settings store are always closed again, also when the value is refused.
    testenv::put_text("A", "x");
    testenv::put_text("Huge", std::string(257, 'h'));
    std::string text;
    settings::read_setting("A", &text);
    settings::write_setting("A", "y");
    settings::write_setting("Huge", "y");
    settings::write_setting("Missing", "y");
    CHECK(fake::open_keys() == 0 && fake::calls(Op::reg_open) == 4);
}
