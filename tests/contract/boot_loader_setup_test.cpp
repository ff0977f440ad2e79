// The -i set-up and the Locate step it shares: where BOOT.INI is, and shortening a 30-second boot menu.
#include "bootini/boot_loader_setup.h"
#include "settings/settings_store.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

namespace {

constexpr int kNo = 7;
const char* kEntries = "[operating systems]\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\"\n";

BootTable loaded() {
    BootTable table;
    load_boot_table(table);
    return table;
}

}  // namespace

TEST_CASE("boot-loader set-up: only a 30-second time-out is questioned; Yes rewrites only its value") {
    struct Row { const char* text; bool yes, asked; const char* after; } rows[] = {  // after null: unchanged
        {"[boot loader]\r\ntimeout=30\r\n", false, true, nullptr},
        // Names in any case and leading digits count; only the first key of the first such section.
        {"[debug]\r\ntimeout=30\r\n[ Boot Loader ]\r\n TimeOut = 30sec \r\ntimeout=30\r\nlast\n;",
         true, true, "[debug]\r\ntimeout=30\r\n[ Boot Loader ]\r\n TimeOut = 3 \r\ntimeout=30\r\nlast\n;"},
        {"[boot loader]\ntimeout=29\n", true, false, nullptr}, {"[boot loader]\ntimeout=300\n", true, false, nullptr},
        {"[boot loader]\ndefault=x\n", true, false, nullptr}, {"[boot loaders]\ntimeout=30\n", true, false, nullptr},
        {"[boot loader]\ndefault=x\n[boot loader]\ntimeout=30\n", true, false, nullptr},
    };
    const std::string question = "System startup|" + std::to_string(platform::kMbIconQuestion | platform::kMbYesNo) +
        "|Your system is currently configured to display the list of operating systems for 30 seconds. It is "
        "recommended that you set this timeout to a lower value.\n\nWould you like to change it to 3 seconds?";
    const std::uint32_t attrs = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;
    for (const auto& r : rows) {
        testenv::reset();
        testenv::answer_boxes_with(r.yes ? platform::kIdYes : kNo);
        const std::string p = testenv::path("BOOT.INI");
        testenv::put_file(p, std::string(kEntries) + r.text, attrs);
        testenv::put_text("Filename", p);
        boot_loader_setup(loaded(), [](const std::string&, std::string&) { CHECK(!"browsed with entries"); });
        std::string shown;  // the caption, style and text of each box
        for (const auto& b : testenv::boxes()) shown += b.caption + "|" + std::to_string(b.style) + "|" + b.text;
        std::string bytes;
        CHECK_MSG(shown == (r.asked ? question : "") && testenv::get_file(p, &bytes) &&
                      bytes == std::string(kEntries) + (r.after ? r.after : r.text), r.text);
        CHECK_MSG((platform::file_attributes(p) & 0x7u) == attrs &&
                      testenv::sandbox_files() == std::vector<std::string>{"BOOT.INI"}, r.text);
    }
}

TEST_CASE("boot-loader set-up and locate: where the chosen path is stored") {
    const std::string old = testenv::path("OLD.INI"), boot = testenv::path("BOOT.INI"), folder = testenv::path("disk");
    const std::string root = testenv::path(""), too_long = testenv::path(std::string(300, 'x')), missing = "<missing>";
    const std::string longest = testenv::path(std::string(settings::kMaxValueBytes - root.size(), 'x'));
    // The sandbox's path ends in a backslash, as a drive's root does. An empty choice is a cancel.
    struct Row { bool setup, exists; std::string choice, stored; bool asked; } rows[] = {
        {true, true, root, root + "BOOT.INI", true}, {true, true, boot, boot, true},
        {true, true, folder, folder, false}, {true, true, "", old, false}, {true, true, too_long, old, false},
        {true, true, longest, longest, false}, {false, true, longest, longest, false},
        {true, false, boot, missing, true},  // the question is about the chosen file all the same
        {false, true, root, root, false}, {false, true, "", old, false}, {false, true, too_long, old, false},
        {true, false, "", missing, false}, {false, false, boot, missing, false},  // never created
    };
    for (const auto& r : rows) {
        const std::string what = std::to_string(&r - rows);
        testenv::reset();
        if (r.exists) testenv::put_text("Filename", old);
        testenv::put_file(boot, "[boot loader]\ntimeout=30\n");  // only the registry's file is missing
        std::vector<std::string> seen;  // each browse's prompt and starting path
        const BrowseForFile browse = [&](const std::string& prompt, std::string& path) {
            seen.push_back(prompt + "|" + path);
            if (!r.choice.empty()) path = r.choice;
        };
        const std::string start = r.exists ? old : "";
        if (r.setup) boot_loader_setup(loaded(), browse);
        else locate_setting("Filename", "Pick:", browse);
        const std::string prompt = r.setup ? start + " couldn't be found. Please select the BOOT.INI file to use, "
                                                     "or the hard disk drive where this file is located:"
                                           : "Pick:";
        CHECK_MSG(seen == std::vector<std::string>{prompt + "|" + start}, what);
        std::string stored = missing;
        testenv::get_value(testenv::kSettingsKey, "Filename", nullptr, &stored);
        CHECK_MSG(stored == r.stored && testenv::boxes().size() == (r.asked ? 1u : 0u), what);
    }
}

TEST_CASE("profile values: a line is a header only when it opens with '['; the value without its blanks, replaced in place") {
    struct Row { std::string bytes; int value; const char* replaced; } rows[] = {  // replaced null: false, unchanged
        {"\n[Boot Loader]\ntimeout =30\n", 30, "\n[Boot Loader]\ntimeout =3\n"},
        {"[boot loader]\ntimeout= \n30\n", 0, "[boot loader]\ntimeout= 3\n30\n"},  // empty: the next line is not it
        {"[boot loader]\nredirect=com1]\n[x\n]\ntimeout=30", 30, "[boot loader]\nredirect=com1]\n[x\n]\ntimeout=3"},
        {"[boot loader]\nnothing\n", -1, nullptr},
    };
    for (const Row& r : rows) {
        std::string bytes = r.bytes;
        const bool replaced = replace_profile_value(bytes, kBootLoaderSection, kTimeoutKey, kShortTimeout);
        CHECK_MSG(profile_int(r.bytes, kBootLoaderSection, kTimeoutKey, -1) == r.value && replaced == (r.replaced != nullptr) &&
                      bytes == (r.replaced ? r.replaced : r.bytes), check::show(r.bytes));
    }
    // The file may have changed since its time-out was read.
    std::uint32_t error = 0;
    CHECK(!set_boot_timeout(testenv::path("gone.ini"), kShortTimeout, &error) && error == 2);  // not found
    testenv::put_file(testenv::path("BOOT.INI"), "[boot loader]\n");
    CHECK(!set_boot_timeout(testenv::path("BOOT.INI"), kShortTimeout, &error) && error == kErrorNoTimeout);
}
