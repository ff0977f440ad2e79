// Every step of a rewrite can fail: the file on disk is then wholly old or
// wholly new, always with its attributes, and no temporary file stays behind.
#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "platform/fake/fake_platform.h"
#include "settings/settings_store.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;
using fake::Op;

namespace {

constexpr std::uint32_t kProtected = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;

struct Outcome {
    bool reported_ok;
    std::uint32_t error;
    std::string bytes;
    std::uint32_t attributes;
    std::vector<std::string> files;
};

// Loads the three-system BOOT.INI, arms the fault, and makes entry 0 the default.
template <typename Arm>
Outcome rewrite_with(Arm arm) {
    testenv::reset();
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems, kProtected);
    BootTable t;
    load_boot_table(t);
    arm();
    Outcome o{};
    o.error = 0;
    o.reported_ok = set_default_entry(t, 0, &o.error);
    fake::disarm();
    testenv::get_file(p, &o.bytes);
    o.attributes = platform::file_attributes(p);
    o.files = testenv::sandbox_files();
    return o;
}

}  // namespace

TEST_CASE("fault injection: each step of a BOOT.INI rewrite failing in turn") {
    const Outcome clean = rewrite_with([] {});
    CHECK(clean.reported_ok);
    const std::string old_bytes = newline_to_crlf(fixture::kThreeSystems);
    const std::string new_bytes = clean.bytes;
    CHECK(new_bytes != old_bytes);

    const Op ops[] = {Op::file_attributes, Op::file_set_attributes, Op::file_create, Op::file_write,
                      Op::file_flush, Op::file_close, Op::file_replace};
    int failures_seen = 0;
    for (Op op : ops) {
        for (int skip = 0; skip < 4; ++skip) {
            const Outcome o = rewrite_with([&] { fake::fail(op, skip, 5); });
            const std::string where = "op " + std::to_string(static_cast<int>(op)) + " skip " + std::to_string(skip);
            CHECK_MSG(o.bytes == old_bytes || o.bytes == new_bytes, where);
            CHECK_MSG(o.reported_ok == (o.bytes == new_bytes), where);
            CHECK_MSG(o.attributes == kProtected, where);
            CHECK_MSG(o.files == std::vector<std::string>{"BOOT.INI"}, where);
            if (!o.reported_ok) {
                ++failures_seen;
                CHECK_MSG(o.error == 5, where);
            }
        }
    }
    CHECK(failures_seen >= 6);  // every step that matters was hit at least once

    for (std::size_t at = 0; at <= new_bytes.size(); at += 7) {
        const Outcome o = rewrite_with([&] { fake::fail_write_after(at); });
        CHECK(!o.reported_ok);
        CHECK_EQ(o.error, 112u);
        CHECK(o.bytes == old_bytes);
        CHECK_EQ(o.attributes, kProtected);
        CHECK_EQ(o.files.size(), 1u);
    }
}

TEST_CASE("fault injection: a failed VORLANE.INI save shows the message and keeps the old file") {
    const Op ops[] = {Op::file_create, Op::file_write, Op::file_flush, Op::file_close, Op::file_replace};
    for (Op op : ops) {
        testenv::reset();
        fixture::put_boot_ini(fixture::kThreeSystems);
        const std::string ini = testenv::path("VORLANE.INI");
        testenv::put_text("INI", ini);
        testenv::put_file(ini, "[Config]\r\nDefault=Old\r\n");
        BootTable t;
        load_boot_table(t);
        fake::fail(op);
        save_maintained_default(t, true);
        std::string bytes;
        testenv::get_file(ini, &bytes);
        CHECK_EQ(bytes, "[Config]\r\nDefault=Old\r\n");
        CHECK_EQ(testenv::boxes().size(), 1u);
        CHECK_EQ(testenv::sandbox_files().size(), 2u);
    }
}

TEST_CASE("fake platform: behaves as Windows where the core depends on it") {
    testenv::reset();
    const std::string ro = testenv::path("ro.txt"), other = testenv::path("other.txt");
    testenv::put_file(ro, "old", platform::kAttrReadOnly);
    testenv::put_file(other, "new", platform::kAttrHidden);
    CHECK(platform::file_create(ro) == nullptr);
    CHECK_EQ(platform::last_error(), 5u);
    CHECK(!platform::file_replace(other, ro));
    CHECK(!platform::file_remove(ro));
    std::string bytes;
    CHECK(testenv::get_file(ro, &bytes));
    CHECK_EQ(bytes, "old");
    CHECK(platform::file_set_attributes(ro, platform::kAttrNormal));
    CHECK(platform::file_replace(other, ro));
    CHECK_EQ(platform::file_attributes(ro), platform::kAttrHidden);  // the move carries the source's attributes
    CHECK(!testenv::file_exists(other));
    CHECK(platform::file_create(testenv::path("no\\such\\folder.txt")) == nullptr);
    CHECK_EQ(platform::last_error(), 3u);
    platform::File created = platform::file_create(testenv::path("BOOT.INI"));  // a new file
    CHECK(created != nullptr);
    CHECK_EQ(fake::open_files(), 1);
    if (created) platform::file_close(created);

    // Keys opened by the settings store are always closed again.
    testenv::put_text("A", "x");
    std::string text;
    settings::read_setting("A", &text);
    settings::write_setting("A", "y");
    settings::write_setting("Missing", "y");
    CHECK_EQ(fake::open_keys(), 0);
    CHECK(fake::calls(Op::reg_open) >= 3);
}
