// Reading BOOT.INI into the boot entry table.
#include "bootini/boot_table.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;
using Lines = std::vector<std::string>;

namespace {

// Each entry as "ARC path|display name".
Lines entries(const BootTable& t) {
    Lines out;
    for (const BootEntry& e : t.entries) out.push_back(e.arc_path + "|" + e.name);
    return out;
}

}  // namespace

TEST_CASE("boot table: entries and the current default, line by line") {
    const std::string os = "[operating systems]\n", one = "A=\"One\"\n", long_name(300, 'n');
    std::string many = os;
    for (int i = 0; i < 1023; ++i) many += "A=\"x\"\n";
    struct Row { std::string text; Lines entries; std::string current; } rows[] = {
        {fixture::kThreeSystems, {"multi(0)disk(0)rdisk(0)partition(1)\\WINNT|Windows 2000 Professional",
          "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS|Microsoft Windows XP Professional",
          "C:\\|Microsoft Windows"}, "Microsoft Windows XP Professional"},
        // How a line splits into ARC path and display name.
        {os + "a=Plain name /opt\n", {"a|Plain name /opt"}, ""},
        {os + "a = = \"x=y z\"\n", {"a|x=y z"}, ""},
        {os + "a=\"No closing quote\n", {"a|No closing quote\n"}, ""},
        {os + "a=b=c d\n", {"a|b=c d"}, ""},
        {os + "  =Leading blanks\n", {"|Leading blanks"}, ""},
        {os + "\nno-separator\n", {"\n|", "no-separator\n|"}, ""},
        {os + "a\t\"Tabbed\"\n", {"a|Tabbed"}, ""},
        {os + "a=Last", {"a|Last"}, ""},  // a last line without its newline keeps every character
        {os + "a=\"Lone\rCR\"\r\n", {"a|Lone\rCR"}, ""},  // only CR LF is a line end
        // Headers: any case, trailing text allowed, a leading blank is none; the last one counts.
        {"[Operating Systems] trailing\n" + one, {"A|One"}, ""},
        {" " + os + one, {}, ""},
        {os + one + "[OPERATING SYSTEMS]\nB=\"Two\"\n\n[other]\n", {"B|Two", "\n|", "[other]\n|"}, ""},
        // The last default line counts, in any case, with blanks round its equals sign.
        {"default=A\n[x]\nDEFAULT = B\n" + os + one + "B=\"Two\"\n", {"A|One", "B|Two"}, "Two"},
        {"default=C\n" + os + one, {"A|One"}, "C"},  // no line begins with the value: the value itself
        {"default=multi(0)\n" + os + "multi(0)x=\"Longer\"\nmulti(0)=\"Exact\"\n",
         {"multi(0)x|Longer", "multi(0)|Exact"}, "Longer"},  // the first line that begins with it
        // An empty value names nothing, also as the last line without its newline.
        {"default=\n" + os + one, {"A|One"}, ""},
        {os + one + "\ndefault=", {"A|One", "\n|", "default|"}, ""},
        {os + "AB=\"One\"\ndefault=AB", {"AB|One", "defaultAB|"}, "One"},  // normalised in memory
        {"default=C\n" + os + "C", {"C|"}, ""},  // the named line ends with the value
        // A physical line of 305 characters fills two table lines.
        {os + "A=\"" + long_name + "\"\n", {"A|" + std::string(251, 'n'), std::string(49, 'n') + "\"\n|"}, ""},
        {many, Lines(1023, "A|x"), ""},  // 1024 lines: still a BOOT.INI
        {many + "B=\"y\"\n", {}, ""},
        {std::string(kMaxBootIniBytes - 4 - os.size() - one.size(), ';') + "\n" + os + one, {"A|One"}, ""},  // CR LF: the limit
        {os + "A=\"" + std::string(70000, 'x') + "\"\n", {}, ""},
    };
    for (const Row& r : rows) {
        testenv::reset();
        const BootTable t = fixture::load(r.text);
        CHECK_MSG(entries(t) == r.entries && t.current_default == r.current,
                  check::show(r.text.substr(0, 60)) + " gave " + check::show(entries(t)) + ", " + check::show(t.current_default));
    }
    const BootTable three = fixture::load(fixture::kThreeSystems);
    CHECK(fixture::load(many + "B=\"y\"\n").lines.empty() && !entry_name(three, 3) && !entry_arc_path(three, 3));
    // A missing file or Filename value gives an empty table, silently.
    BootTable t = three;
    testenv::reset();
    load_boot_table(t);
    CHECK(t.entries.empty() && t.path.empty());
    testenv::put_text("Filename", testenv::path("missing.ini"));
    load_boot_table(t);
    CHECK(t.entries.empty() && t.path == testenv::path("missing.ini") && testenv::boxes().empty());
}

TEST_CASE("boot table: sort is byte-wise, stable and moves only the entries") {
    testenv::reset();
    BootTable t = fixture::load(
        "default=e\n[operating systems]\na=\"beta\"\nb=\"Beta\"\nc=\"alpha\"\nd=\"al\"\ne=\"beta\"\nf=\"\xe9t\xe9\"\n");
    const Lines lines = t.lines;
    sort_entries(t);
    CHECK_EQ(entries(t), (Lines{"b|Beta", "d|al", "c|alpha", "a|beta", "e|beta", "f|\xe9t\xe9"}));
    CHECK(t.lines == lines && t.current_default == "beta");
}

TEST_CASE("boot table: prefix compare folds only A to Z") {
    CHECK(prefix_compare("DEFAULT=x", "default", 7) == 0 && prefix_compare("abc", "ABD", 2) == 0 &&
          prefix_compare("Z", "z", 1) == 0);
    CHECK(prefix_compare("defaul", "default", 7) != 0 && prefix_compare("\xc9", "\xe9", 1) != 0);
    CHECK(prefix_compare("", "", 5) == 0 && prefix_compare("anything", "else", 0) == 0);
}
