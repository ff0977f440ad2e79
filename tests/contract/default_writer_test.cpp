// Rewriting BOOT.INI's default lines.
#include "bootini/default_writer.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

TEST_CASE("default writer: round trip keeps every byte but the default line") {
    testenv::reset();
    const std::string long_line = "; " + std::string(300, '-') + " end";
    const std::string before =
        "; boot menu of the test machine\n"
        "[boot loader]\n"
        "timeout=30\n"
        "default=multi(0)disk(0)rdisk(0)partition(1)\\WINNT\n"
        "\n"
        "; three systems follow\n" +
        long_line + "\n"
        "[operating systems]\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINNT=\"Windows 2000\" /fastdetect\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Windows XP\" /noexecute=optin\n"
        "C:\\=\"Microsoft Windows\"\n"
        "\n"
        "; end of list\n"
        "[debug]\n"
        "port=com1\n"
        "baud=115200\n"
        "; a\n"
        "; b\n"
        "; c\n"
        "last line without newline";
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

TEST_CASE("default writer: every default line is rewritten, in any spelling") {
    testenv::reset();
    const std::string p = fixture::put_boot_ini(
        "[boot loader]\nDEFAULT = x\n[other]\ndefaultish=y\n[operating systems]\nA=\"One\"\nB=\"Two\"\n");
    BootTable t;
    load_boot_table(t);
    CHECK(set_default_entry(t, 1));
    CHECK_EQ(fixture::file_text(p),
             "[boot loader]\ndefault=B\n[other]\ndefault=B\n[operating systems]\nA=\"One\"\nB=\"Two\"\n");

    // An entry made of a whole line (no separator) does not add a line.
    fixture::put_boot_ini("default=A\n[operating systems]\nA=\"One\"\n\n; comment\n");
    load_boot_table(t);
    CHECK(set_default_entry(t, 1));
    CHECK_EQ(fixture::file_text(p), "default=\n[operating systems]\nA=\"One\"\n\n; comment\n");
    CHECK(set_default_entry(t, 2));
    CHECK_EQ(fixture::file_text(p), "default=;\n[operating systems]\nA=\"One\"\n\n; comment\n");

    // Without a default line the file comes back unchanged.
    const std::string plain = "[operating systems]\nA=\"One\"\n";
    fixture::put_boot_ini(plain);
    load_boot_table(t);
    CHECK(set_default_entry(t, 0));
    CHECK_EQ(fixture::file_text(p), plain);
}

TEST_CASE("default writer: a protected BOOT.INI keeps its attributes") {
    testenv::reset();
    const std::uint32_t protected_attrs =
        platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems, protected_attrs);
    BootTable t;
    load_boot_table(t);
    CHECK(set_default_entry(t, 2));
    CHECK_EQ(platform::file_attributes(p) & 0x7u, protected_attrs);
    load_boot_table(t);
    CHECK_EQ(t.current_default, "Microsoft Windows");
    CHECK_EQ(testenv::sandbox_files(), std::vector<std::string>{"BOOT.INI"});
}

TEST_CASE("default writer: an ARC path too long for a table line is refused") {
    testenv::reset();
    const std::string arc245(245, 'a'), arc246(246, 'b');
    const std::string text = "default=x\n[operating systems]\n" + arc245 + "=\"A\"\n" + arc246 + "=\"B\"\n";
    const std::string p = fixture::put_boot_ini(text);
    BootTable t;
    load_boot_table(t);
    CHECK_EQ(t.entries.size(), 2u);
    std::uint32_t error = 0;
    CHECK(!set_default_entry(t, 1, &error));
    CHECK_EQ(error, kErrorInvalidData);
    CHECK_EQ(fixture::file_text(p), text);
    CHECK(set_default_entry(t, 0));
    const std::string first = fixture::file_text(p).substr(0, kLineChars);
    CHECK_EQ(first, "default=" + arc245 + "\n");  // exactly one full table line
    CHECK(!set_default_entry(t, 5));  // out of range
}
