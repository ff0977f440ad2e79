// Rewriting BOOT.INI's default lines.
#include "bootini/default_writer.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

TEST_CASE("default writer: round trip keeps every byte but the default line") {
    testenv::reset();
    const std::string long_line = "; " + std::string(300, '-') + " end";
    const std::string before = "[boot loader]\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINNT\n\n" + long_line +
                               "\n[operating systems]\nmulti(0)disk(0)rdisk(0)partition(1)\\WINNT=\"Windows 2000\"\n"
                               "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Windows XP\" /noexecute=optin\n"
                               "C:\\=\"Microsoft Windows\"\n[debug]\nport=com1\nlast line without newline";
    const std::string p = fixture::put_boot_ini(before);
    BootTable t;
    load_boot_table(t);
    sort_entries(t);  // sorting must not change the file's order
    std::size_t xp = 0;
    while (t.entries[xp].name != "Windows XP") ++xp;
    std::uint32_t error = 0;
    CHECK(set_default_entry(t, xp, &error));

    std::string expected = before;
    const std::string old_line = "default=multi(0)disk(0)rdisk(0)partition(1)\\WINNT\n";
    expected.replace(expected.find(old_line), old_line.size(),
                     "default=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\n");
    std::string bytes;
    CHECK(testenv::get_file(p, &bytes));
    CHECK_EQ(bytes, newline_to_crlf(expected));
    CHECK_EQ(testenv::sandbox_files(), std::vector<std::string>{"BOOT.INI"});

    BootTable again;
    load_boot_table(again);
    CHECK_EQ(again.current_default, "Windows XP");
}

TEST_CASE("default writer: every default line is rewritten; a whole-line entry adds no line") {
    const std::string os = "[operating systems]\nA=\"One\"\n";
    struct Row { std::string before; std::size_t index; std::string after; } rows[] = {
        {"[boot loader]\nDEFAULT = x\n[other]\ndefaultish=y\n" + os + "B=\"Two\"\n", 1,
         "[boot loader]\ndefault=B\n[other]\ndefault=B\n" + os + "B=\"Two\"\n"},
        {"default=A\n" + os + "\n; comment\n", 1, "default=\n" + os + "\n; comment\n"},
        {"default=A\n" + os + "\n; comment\n", 2, "default=;\n" + os + "\n; comment\n"},
        {os, 0, os},  // without a default line the file comes back unchanged
    };
    for (const Row& r : rows) {
        testenv::reset();
        BootTable t = fixture::load(r.before);
        CHECK_MSG(set_default_entry(t, r.index) && fixture::file_text(t.path) == r.after, check::show(r.after));
    }
}

TEST_CASE("default writer: a protected BOOT.INI keeps its attributes; a too long ARC path is refused") {
    testenv::reset();
    const std::uint32_t protected_attrs = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;
    const std::string arc245(245, 'a'),
        text = "default=x\n[operating systems]\n" + arc245 + "=\"A\"\n" + std::string(246, 'b') + "=\"B\"\n";
    const std::string p = fixture::put_boot_ini(text, protected_attrs);
    BootTable t;
    load_boot_table(t);
    std::uint32_t error = 0;
    CHECK(!set_default_entry(t, 1, &error) && !set_default_entry(t, 5));  // 246 characters; out of range
    CHECK_EQ(error, kErrorInvalidData);
    CHECK_EQ(fixture::file_text(p), text);
    CHECK(set_default_entry(t, 0));
    CHECK_EQ(fixture::file_text(p).substr(0, kLineChars), "default=" + arc245 + "\n");  // one full table line
    CHECK_EQ(platform::file_attributes(p) & 0x7u, protected_attrs);
    CHECK_EQ(testenv::sandbox_files(), std::vector<std::string>{"BOOT.INI"});
}
