// The -i set-up and the Locate step it shares: asking for BOOT.INI, storing
// the choice, and shortening a 30-second boot menu in place.
#include "bootini/boot_loader_setup.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

namespace {

constexpr int kYes = 6;
constexpr int kNo = 7;

const char* kQuestion =
    "Your system is currently configured to display the list of operating systems for 30 seconds. It is "
    "recommended that you set this timeout to a lower value.\n\nWould you like to change it to 3 seconds?";

const char* kEntries = "[operating systems]\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\"\n";

// Stands in for the shell's browser: remembers what it was shown and
// confirms `choice`, or cancels when there is none.
struct FakeBrowser {
    std::vector<std::string> prompts;
    std::vector<std::string> opened_on;
    bool cancel = true;
    std::string choice;

    BrowseForFile callback() {
        return [this](const std::string& prompt, std::string& path) {
            prompts.push_back(prompt);
            opened_on.push_back(path);
            if (!cancel) path = choice;
        };
    }
    void choose(const std::string& path) {
        cancel = false;
        choice = path;
    }
};

std::string filename_value() {
    std::string text;
    return testenv::get_value(testenv::kSettingsKey, "Filename", nullptr, &text) ? text : "<missing>";
}

BootTable loaded() {
    BootTable table;
    load_boot_table(table);
    return table;
}

}  // namespace

TEST_CASE("boot-loader set-up: only a 30-second time-out is questioned") {
    struct Row {
        const char* boot_loader;  // text before the entries
        bool asked;
    };
    const Row rows[] = {
        {"[boot loader]\ntimeout=30\n", true},
        {"[Boot Loader]\nTimeOut = 30  \n", true},  // names in any case, blanks around
        {"[ boot loader ]\ndefault=x\ntimeout=30sec\n", true},  // leading digits count
        {"[boot loader]\ntimeout=030\n", true},
        {"[boot loader]\ntimeout=29\n", false},
        {"[boot loader]\ntimeout=31\n", false},
        {"[boot loader]\ntimeout=10\n", false},
        {"[boot loader]\ntimeout=300\n", false},
        {"[boot loader]\ntimeout=\n", false},
        {"[boot loader]\ndefault=x\n", false},       // no key
        {"timeout=30\n[boot loader]\n", false},      // before any section
        {"[boot loader]\n; timeout=30\n", false},    // a comment
        {"[boot loaders]\ntimeout=30\n", false},     // another section
        {"[boot loader]\ndefault=x\n[boot loader]\ntimeout=30\n", false},  // only the first counts
        {"[debug]\ntimeout=30\n", false},            // no such section
        {"[boot loader\ntimeout=30\n", false},       // no header at all
        {"", false},
    };
    for (const Row& row : rows) {
        testenv::reset();
        testenv::answer_boxes_with(kNo);
        const std::string text = std::string(row.boot_loader) + kEntries;
        const std::string p = fixture::put_boot_ini(text);
        FakeBrowser browser;
        boot_loader_setup(loaded(), browser.callback());

        CHECK_MSG(browser.prompts.empty(), row.boot_loader);  // the table has entries
        const auto& boxes = testenv::boxes();
        CHECK_MSG(boxes.size() == (row.asked ? 1u : 0u), row.boot_loader);
        if (row.asked && boxes.size() == 1) {
            CHECK_EQ(boxes[0].text, kQuestion);
            CHECK_EQ(boxes[0].caption, "System startup");
            CHECK_EQ(boxes[0].style, platform::kMbIconQuestion | platform::kMbYesNo);
        }
        CHECK_MSG(fixture::file_text(p) == text, row.boot_loader);  // No, or never asked: untouched
    }

    // No file at all: no question either.
    testenv::reset();
    testenv::put_text("Filename", testenv::path("BOOT.INI"));
    FakeBrowser browser;
    browser.choose(testenv::path("BOOT.INI"));
    boot_loader_setup(BootTable{}, browser.callback());
    CHECK(testenv::boxes().empty());
}

TEST_CASE("boot-loader set-up: Yes rewrites only the time-out, keeping the file's attributes") {
    testenv::reset();
    testenv::answer_boxes_with(kYes);
    const std::string before =
        "; boot menu\n"
        "[debug]\n"
        "timeout=30\n"
        "[Boot Loader]\n"
        "  TimeOut = 30   \n"
        "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\n"
        "timeout=30\n" +  // only the first key of the section counts
        std::string(kEntries) + "last line without newline";
    // A line end of another kind comes through untouched, too.
    const std::string bytes_before = "; written elsewhere\n" + newline_to_crlf(before);
    std::string bytes_after = bytes_before;
    bytes_after.replace(bytes_after.find("TimeOut = 30"), 12, "TimeOut = 3");
    const std::uint32_t protected_attrs = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;
    const std::string p = testenv::path("BOOT.INI");
    testenv::put_file(p, bytes_before, protected_attrs);
    testenv::put_text("Filename", p);

    FakeBrowser browser;
    boot_loader_setup(loaded(), browser.callback());
    CHECK_EQ(testenv::boxes().size(), 1u);
    std::string bytes;
    CHECK(testenv::get_file(p, &bytes));
    CHECK_EQ(bytes, bytes_after);
    CHECK_EQ(platform::file_attributes(p) & 0x7u, protected_attrs);
    CHECK_EQ(testenv::sandbox_files(), std::vector<std::string>{"BOOT.INI"});

    // Now 3 seconds: a second run has nothing to ask.
    boot_loader_setup(loaded(), browser.callback());
    CHECK_EQ(testenv::boxes().size(), 1u);
}

TEST_CASE("boot-loader set-up: where the chosen BOOT.INI is stored") {
    struct Row {
        const char* what;
        bool cancel;
        std::string choice;
        std::string stored;
    };
    // The registry names a file that exists but holds no entries.
    const std::string old_path = testenv::path("OLD.INI");
    const std::string sandbox = testenv::path("");  // ends in a backslash, as a drive's root does
    const Row rows[] = {
        {"a drive's root", false, sandbox, sandbox + "BOOT.INI"},
        {"a file", false, testenv::path("BOOT.INI"), testenv::path("BOOT.INI")},
        {"a folder", false, testenv::path("disk"), testenv::path("disk")},
        {"cancel", true, "", old_path},
        {"a path too long to read back", false, testenv::path(std::string(300, 'x')), old_path},
    };
    for (const Row& row : rows) {
        testenv::reset();
        testenv::answer_boxes_with(kNo);
        testenv::put_text("Filename", old_path);
        testenv::put_file(old_path, newline_to_crlf("[boot loader]\ntimeout=5\n[operating systems]\n"));
        testenv::put_file(testenv::path("BOOT.INI"), newline_to_crlf("[boot loader]\ntimeout=30\n"));
        FakeBrowser browser;
        if (!row.cancel) browser.choose(row.choice);
        boot_loader_setup(loaded(), browser.callback());

        CHECK_MSG(browser.prompts == std::vector<std::string>{old_path +
                      " couldn't be found. Please select the BOOT.INI file to use, or the hard disk drive "
                      "where this file is located:"}, row.what);
        CHECK_MSG(browser.opened_on == std::vector<std::string>{old_path}, row.what);
        CHECK_MSG(filename_value() == row.stored, row.what);
        // The time-out is read from the stored path: only BOOT.INI has 30 seconds.
        const bool asked = row.stored == testenv::path("BOOT.INI");
        CHECK_MSG(testenv::boxes().size() == (asked ? 1u : 0u), row.what);
    }
}

TEST_CASE("boot-loader set-up: a missing Filename value is never created") {
    testenv::reset();
    testenv::answer_boxes_with(kNo);
    testenv::put_file(testenv::path("BOOT.INI"), newline_to_crlf("[boot loader]\ntimeout=30\n"));
    FakeBrowser browser;
    browser.choose(testenv::path("BOOT.INI"));
    boot_loader_setup(loaded(), browser.callback());
    CHECK_EQ(browser.prompts.size(), 1u);
    if (!browser.prompts.empty()) CHECK_EQ(browser.prompts[0].find(" couldn't be found."), 0u);
    CHECK_EQ(filename_value(), "<missing>");
    // The chosen file is still the one the question is about.
    CHECK_EQ(testenv::boxes().size(), 1u);

    // Nothing chosen and nothing known: nothing to ask about either.
    testenv::reset();
    FakeBrowser cancelled;
    boot_loader_setup(loaded(), cancelled.callback());
    CHECK_EQ(cancelled.prompts.size(), 1u);
    CHECK_EQ(filename_value(), "<missing>");
    CHECK(testenv::boxes().empty());
}

TEST_CASE("locate: the choice is stored as chosen, and only over an existing value") {
    struct Row {
        const char* what;
        const char* value;
        bool exists;
        bool cancel;
        std::string choice;
        std::string stored;
    };
    const std::string current = testenv::path("VORLANE.INI");
    const Row rows[] = {
        {"a file", "INI", true, false, testenv::path("other.ini"), testenv::path("other.ini")},
        {"a drive's root, nothing appended", "Filename", true, false, testenv::path(""), testenv::path("")},
        {"a folder", "Filename", true, false, testenv::path("disk"), testenv::path("disk")},
        {"cancel", "INI", true, true, "", current},
        {"too long to read back", "INI", true, false, testenv::path(std::string(260, 'y')), current},
        {"missing value", "INI", false, false, testenv::path("other.ini"), "<missing>"},
    };
    for (const Row& row : rows) {
        testenv::reset();
        if (row.exists) testenv::put_text(row.value, current);
        FakeBrowser browser;
        if (!row.cancel) browser.choose(row.choice);
        locate_setting(row.value, "Select the VORLANE.INI file:", browser.callback());

        CHECK_MSG(browser.prompts == std::vector<std::string>{"Select the VORLANE.INI file:"}, row.what);
        CHECK_MSG(browser.opened_on == std::vector<std::string>{row.exists ? current : ""}, row.what);
        std::string text;
        const bool present = testenv::get_value(testenv::kSettingsKey, row.value, nullptr, &text);
        CHECK_MSG((present ? text : "<missing>") == row.stored, row.what);
    }
}
