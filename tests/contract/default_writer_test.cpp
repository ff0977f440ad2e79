// Rewriting BOOT.INI's default lines.
#include "bootini/default_writer.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

TEST_CASE("default writer: every default line is rewritten, every other byte of the file as it is now kept") {
    const std::string os = "[operating systems]\nA=\"One\"\n", winnt = "multi(0)disk(0)rdisk(0)partition(1)\\WINNT";
    const std::string rest = "\n; " + std::string(300, '-') + " end\n[operating systems]\n" + winnt +
                             "=\"Windows 2000\"\nmulti(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Windows XP\" /noexecute=optin\n"
                             "C:\\=\"Microsoft Windows\"\n[debug]\nport=com1\nlast line without newline";
    // `now`: what the file became after the table was loaded (by -i, bootcfg, msconfig); `after` empty: unchanged.
    struct Row { std::string before; std::size_t index; std::string after; std::string now = ""; std::uint32_t error = 0; } rows[] = {
        {"[boot loader]\ndefault=" + winnt + "\n" + rest, 1,
         "[boot loader]\ndefault=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\n" + rest},
        {"[boot loader]\nDEFAULT = x\n[other]\ndefaultish=y\n" + os + "B=\"Two\"\n", 1,
         "[boot loader]\ndefault=B\n[other]\ndefault=B\n" + os + "B=\"Two\"\n"},
        {"default=A\n" + os + "\n; comment\n", 1, "default=\n" + os + "\n; comment\n"},
        {"default=A\n" + os + "\n; comment\n", 2, "default=;\n" + os + "\n; comment\n"},
        // Without a default line nothing would change: refused.
        {os, 0, "", "", kErrorNoDefaultLine},
        // A time-out changed, an entry added and the entries reordered since the load all stay.
        {"timeout=30\ndefault=A\n" + os + "B=\"Two\"\n", 1, "timeout=3\ndefault=B\n[operating systems]\nC=\"New\"\nb=\"Two\"\nA=\"One\"\n",
         "timeout=3\ndefault=A\n[operating systems]\nC=\"New\"\nb=\"Two\"\nA=\"One\"\n"},
        // An entry gone from [operating systems] since the load is refused.
        {"default=A\n" + os + "B=\"Two\"\n", 1, "", "default=A\n" + os, kErrorEntryGone},
        // A file that names the entry already is not rewritten, however it spells the line.
        {"DEFAULT = b\n" + os + "B=\"Two\"\n", 1, ""},
        {"DEFAULT = B\n" + os + "B=\"Two\"\ndefault=b", 1, ""},
        {"\ndefault=A\n" + os + "B=\"Two\"\n", 1, "\ndefault=B\n" + os + "B=\"Two\"\n"},  // a first CR LF stays one
    };
    for (const Row& r : rows) {
        testenv::reset();
        BootTable t = fixture::load(r.before);
        const std::string on_disk = r.now.empty() ? r.before : r.now;
        fixture::put_boot_ini(on_disk);
        std::string bytes;
        std::uint32_t error = 0;
        const bool ok = set_default_entry(t, r.index, &error);
        CHECK_MSG(ok == (r.error == 0) && error == r.error && testenv::get_file(t.path, &bytes) &&
                      bytes == newline_to_crlf(r.after.empty() ? on_disk : r.after) &&
                      testenv::sandbox_files() == std::vector<std::string>{"BOOT.INI"}, check::show(r.after));
    }
    // A set-aside copy that may be the only good one stops the rewrite.
    testenv::reset();
    BootTable t = fixture::load(rows[0].before);
    testenv::put_file(t.path + kAsideSuffix, "timeout=5\r\n");
    std::uint32_t error = 0;
    CHECK(!set_default_entry(t, 1, &error) && error == kErrorAsideKept && fixture::file_text(t.path) == rows[0].before);
}

TEST_CASE("default writer: a protected BOOT.INI keeps its attributes; a too long ARC path is refused") {
    testenv::reset();
    const std::uint32_t protected_attrs = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;
    const std::string arc245(245, 'a'),
        text = "default=x\n[operating systems]\n" + arc245 + "=\"A\"\n" + std::string(246, 'b') + "=\"B\"\n";
    BootTable t = fixture::load(text);
    const std::string p = fixture::put_boot_ini(text, protected_attrs);
    std::uint32_t error = 0;
    CHECK(!set_default_entry(t, 1, &error) && !set_default_entry(t, 5));  // 246 characters; out of range
    CHECK_EQ(error, kErrorInvalidData);
    CHECK_EQ(fixture::file_text(p), text);
    CHECK(set_default_entry(t, 0));
    CHECK_EQ(fixture::file_text(p).substr(0, kLineChars), "default=" + arc245 + "\n");  // one full table line
    CHECK_EQ(platform::file_attributes(p) & 0x7u, protected_attrs);
}
