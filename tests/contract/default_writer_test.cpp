// Rewriting BOOT.INI's default lines.
#include "bootini/default_writer.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

TEST_CASE("default writer: every default line is rewritten, every other byte kept; a whole-line entry adds no line") {
    const std::string os = "[operating systems]\nA=\"One\"\n", winnt = "multi(0)disk(0)rdisk(0)partition(1)\\WINNT";
    const std::string rest = "\n; " + std::string(300, '-') + " end\n[operating systems]\n" + winnt +
                             "=\"Windows 2000\"\nmulti(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Windows XP\" /noexecute=optin\n"
                             "C:\\=\"Microsoft Windows\"\n[debug]\nport=com1\nlast line without newline";
    struct Row { std::string before; std::size_t index; std::string after; } rows[] = {
        {"[boot loader]\ndefault=" + winnt + "\n" + rest, 1,
         "[boot loader]\ndefault=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\n" + rest},
        {"[boot loader]\nDEFAULT = x\n[other]\ndefaultish=y\n" + os + "B=\"Two\"\n", 1,
         "[boot loader]\ndefault=B\n[other]\ndefault=B\n" + os + "B=\"Two\"\n"},
        {"default=A\n" + os + "\n; comment\n", 1, "default=\n" + os + "\n; comment\n"},
        {"default=A\n" + os + "\n; comment\n", 2, "default=;\n" + os + "\n; comment\n"},
        {os, 0, os},  // without a default line the file comes back unchanged
    };
    for (const Row& r : rows) {
        testenv::reset();
        BootTable t = fixture::load(r.before);
        std::string bytes;
        CHECK_MSG(set_default_entry(t, r.index) && testenv::get_file(t.path, &bytes) && bytes == newline_to_crlf(r.after) &&
                      testenv::sandbox_files() == std::vector<std::string>{"BOOT.INI"}, check::show(r.after));
    }
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
