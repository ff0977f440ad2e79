// Reading BOOT.INI into the boot entry table.
#include "bootini/boot_table.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

TEST_CASE("boot table: entries, names and the current default of a typical file") {
    testenv::reset();
    BootTable t = fixture::load(fixture::kThreeSystems);
    CHECK_EQ(t.lines.size(), 7u);
    CHECK_EQ(t.entries.size(), 3u);
    CHECK_EQ(*entry_arc_path(t, 0), "multi(0)disk(0)rdisk(0)partition(1)\\WINNT");
    CHECK_EQ(*entry_name(t, 0), "Windows 2000 Professional");
    CHECK_EQ(*entry_name(t, 1), "Microsoft Windows XP Professional");
    CHECK_EQ(*entry_arc_path(t, 2), "C:\\");
    CHECK_EQ(*entry_name(t, 2), "Microsoft Windows");
    CHECK_EQ(t.current_default, "Microsoft Windows XP Professional");
    CHECK(entry_name(t, 3) == nullptr);
    CHECK(entry_arc_path(t, 3) == nullptr);
}

TEST_CASE("boot table: how lines split into ARC path and display name") {
    struct Row { const char* line; const char* arc; const char* name; } rows[] = {
        {"a=\"Quoted\" /opt\n", "a", "Quoted"},
        {"a=Plain name /opt\n", "a", "Plain name /opt"},
        {"a = = \"x=y z\"\n", "a", "x=y z"},
        {"a=\"No closing quote\n", "a", "No closing quote\n"},
        {"a=b=c d\n", "a", "b=c d"},
        {"  =Leading blanks\n", "", "Leading blanks"},
        {"\n", "\n", ""},
        {"no-separator\n", "no-separator\n", ""},
        {"a\t\"Tabbed\"\n", "a", "Tabbed"},
        // A last line without its newline keeps every character.
        {"a=Last", "a", "Last"},
        {"a=\"\"", "a", ""},
    };
    for (const Row& r : rows) {
        testenv::reset();
        BootTable t = fixture::load(std::string("[operating systems]\n") + r.line);
        CHECK_MSG(t.entries.size() == 1, r.line);
        if (t.entries.size() != 1) continue;
        CHECK_EQ(t.entries[0].arc_path, std::string(r.arc));
        CHECK_EQ(t.entries[0].name, std::string(r.name));
    }
}

TEST_CASE("boot table: section headers and default lines are matched as the loader does") {
    testenv::reset();
    BootTable t = fixture::load("[Operating Systems] trailing\nA=\"One\"\n");
    CHECK_EQ(t.entries.size(), 1u);
    t = fixture::load(" [operating systems]\nA=\"One\"\n");
    CHECK_EQ(t.entries.size(), 0u);  // a header preceded by a blank is not one
    t = fixture::load("[operating systems]\nA=\"One\"\n[OPERATING SYSTEMS]\nB=\"Two\"\n\n[other]\n");
    CHECK_EQ(t.entries.size(), 3u);  // after the last header, blank line and later section included
    CHECK_EQ(t.entries[0].name, "Two");
    CHECK_EQ(t.entries[1].name, "");
    CHECK_EQ(t.entries[2].arc_path, "[other]\n");

    // The last default line counts, in any case, with blanks round its equals sign.
    t = fixture::load("default=A\n[x]\nDEFAULT = B\n[operating systems]\nA=\"One\"\nB=\"Two\"\n");
    CHECK_EQ(t.current_default, "Two");
    CHECK_EQ(t.lines[2], "DEFAULTB\n");  // normalised in memory only
    // No line starts with the value: the name is the value itself.
    t = fixture::load("default=C\n[operating systems]\nA=\"One\"\n");
    CHECK_EQ(t.current_default, "C");
    // The prefix match takes the first line that begins with the value.
    t = fixture::load("default=multi(0)\n[operating systems]\nmulti(0)x=\"Longer\"\nmulti(0)=\"Exact\"\n");
    CHECK_EQ(t.current_default, "Longer");
    // No default line at all gives an empty name.
    t = fixture::load("[operating systems]\nA=\"One\"\n");
    CHECK_EQ(t.current_default, "");
    // An empty value matches the first line of the file.
    t = fixture::load("default=\n[operating systems]\nA=\"One\"\n");
    CHECK_EQ(t.current_default, "efault");  // the default line itself, past its first character
    // A default line at the very end without a newline keeps its last character.
    t = fixture::load("[operating systems]\nAB=\"One\"\ndefault=AB");
    CHECK_EQ(t.current_default, "One");
}

TEST_CASE("boot table: long lines, limits and unreadable files") {
    testenv::reset();
    const std::string long_name(300, 'n');
    BootTable t = fixture::load("[operating systems]\nA=\"" + long_name + "\"\n");
    CHECK_EQ(t.lines.size(), 3u);  // 254 + 50 characters: the line fills two table lines
    CHECK_EQ(t.lines[1].size(), kLineChars);
    CHECK_EQ(t.entries.size(), 2u);

    std::string many = "[operating systems]\n";
    for (int i = 0; i < 1023; ++i) many += "A=\"x\"\n";
    t = fixture::load(many);
    CHECK_EQ(t.entries.size(), 1023u);  // 1024 lines: still a BOOT.INI
    t = fixture::load(many + "B=\"y\"\n");
    CHECK(t.lines.empty());
    CHECK(t.entries.empty());

    t = fixture::load("[operating systems]\nA=\"" + std::string(70000, 'x') + "\"\n");
    CHECK(t.lines.empty());

    testenv::reset();
    load_boot_table(t);  // no Filename value
    CHECK(t.entries.empty());
    CHECK(t.path.empty());
    testenv::put_text("Filename", testenv::path("missing.ini"));
    load_boot_table(t);
    CHECK(t.entries.empty());
    CHECK_EQ(t.path, testenv::path("missing.ini"));
    CHECK(testenv::boxes().empty());
}

TEST_CASE("boot table: sort is byte-wise, stable and moves only the entries") {
    testenv::reset();
    BootTable t = fixture::load(
        "default=e\n[operating systems]\na=\"beta\"\nb=\"Beta\"\nc=\"alpha\"\nd=\"al\"\ne=\"beta\"\nf=\"\xe9t\xe9\"\n");
    const auto lines = t.lines;
    sort_entries(t);
    const char* names[] = {"Beta", "al", "alpha", "beta", "beta", "\xe9t\xe9"};
    const char* arcs[] = {"b", "d", "c", "a", "e", "f"};
    for (int i = 0; i < 6; ++i) {
        CHECK_EQ(t.entries[i].name, std::string(names[i]));
        CHECK_EQ(t.entries[i].arc_path, std::string(arcs[i]));
    }
    CHECK(t.lines == lines);
    CHECK_EQ(t.current_default, "beta");
}

TEST_CASE("boot table: prefix compare folds only A to Z") {
    CHECK_EQ(prefix_compare("DEFAULT=x", "default", 7), 0);
    CHECK(prefix_compare("defaul", "default", 7) != 0);
    CHECK_EQ(prefix_compare("abc", "ABD", 2), 0);
    CHECK(prefix_compare("\xc9", "\xe9", 1) != 0);  // no locale folding
    CHECK_EQ(prefix_compare("", "", 5), 0);
    CHECK_EQ(prefix_compare("anything", "else", 0), 0);
}
