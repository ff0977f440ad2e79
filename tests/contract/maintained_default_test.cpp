// VORLANE.INI: saving, restoring and clearing the maintained default.
#include "bootini/boot_loader_setup.h"
#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "shell/app.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::bootini;

namespace {

const char* kXp = "Microsoft Windows XP Professional";
// Two names as long as a table line allows, one contained in the other's start.
const std::string kW246(246, 'W'), kW245(245, 'W'), kTwoLong = "[boot loader]\ndefault=C:\\B\n[operating systems]\nC:\\A=\"" + kW246 +
                                                "\"\nC:\\B=\"" + std::string(244, 'W') + "Y\"\n";
std::string ini() { return testenv::path("VORLANE.INI"); }

BootTable table_with_ini(const std::string& ini_text, const std::string& boot_ini = fixture::kThreeSystems) {
    testenv::reset();
    testenv::put_text("INI", ini());
    testenv::put_file(ini(), newline_to_crlf(ini_text));
    return fixture::load(boot_ini);
}

std::string raw(const std::string& p) {
    std::string bytes;
    testenv::get_file(p, &bytes);
    return bytes;
}

}  // namespace

TEST_CASE("maintained default: save writes two lines only when maintained; without INI the file is C:\\VORLANE.INI") {
    BootTable t = table_with_ini("[Config]\nDefault=Old\n");
    save_maintained_default(t, false);
    CHECK_EQ(fixture::file_text(ini()), "[Config]\nDefault=Old\n");
    save_maintained_default(t, true);
    std::string bytes;
    CHECK(testenv::get_file(ini(), &bytes) && testenv::boxes().empty());
    CHECK_EQ(bytes, "[Config]\r\nDefault=Microsoft Windows XP Professional\r\n");
    testenv::put_text("INI", testenv::path("SAVE.INI"));  // not there yet: made; as long as BOOT.INI's path
    save_maintained_default(t, true);
    CHECK(fixture::file_text(testenv::path("SAVE.INI")) == "[Config]\nDefault=" + std::string(kXp) + "\n" &&
          testenv::boxes().empty());
    testenv::put_text("INI", ini());
    // An empty current default is never saved: it would name every entry at the next start.
    t.current_default.clear();
    save_maintained_default(t, true);
    CHECK(fixture::file_text(ini()).empty() && testenv::boxes().empty());
    testenv::remove_value(testenv::kSettingsKey, "INI");
    CHECK_EQ(vorlane_ini_path(), "C:\\VORLANE.INI");
}

TEST_CASE("maintained default: failures show the two messages, as they stand") {
    BootTable t = table_with_ini("");
    const std::string nowhere = testenv::path("no-such-folder\\VORLANE.INI");
    testenv::put_text("INI", nowhere);
    save_maintained_default(t, false);  // not maintained: nothing shown
    save_maintained_default(t, true);
    restore_maintained_default(t);
    const auto& boxes = testenv::boxes();
    CHECK_EQ(boxes.size(), 2u);
    if (boxes.size() == 2) CHECK_EQ(boxes[0].text, "The program wasn't able to save the default operating system to the\nconfiguration file '" +
                                nowhere + "'.\n\nThe default operating system will not me maintained after the reboot.");
    if (boxes.size() == 2) CHECK_EQ(boxes[1].text, "The program wasn't able to open the configuration file\n'" + nowhere +
                                "'.\n\nThe default operating system will not be restored.");
    for (const auto& b : boxes) CHECK(b.caption == "Vorlane" && b.style == platform::kMbIconError);
}

TEST_CASE("maintained default: what the saved text matches") {
    // The default on disk after the restore, and the name the table shows at once.
    struct Row { std::string ini; std::string expect_default; bool rewritten; const char* shown = kXp; std::string boot = fixture::kThreeSystems; } rows[] = {
        {"[Config]\nDefault=Windows\n", "Microsoft Windows", true, "Windows"},  // last of several matches
        {"[Config]\nDefault=windows 2000 professional\n", "Microsoft Windows XP Professional", false},
        {"[Config]\nDefault=Nothing like it\n", "Microsoft Windows XP Professional", false},
        {"", "Microsoft Windows XP Professional", false},
        {"[Config]\n", kXp, false},  // an empty text names nothing
        {"[Config]\nDefault=\n", kXp, false},
        // The default already named: the file is not touched (a rewrite would tidy its default line).
        {"[Config]\nDefault=XP\n", kXp, false, "XP", std::string(fixture::kThreeSystems).replace(25, 8, "DEFAULT = ")},
        {"[Config]\nShort\n", "Microsoft Windows XP Professional", false},
        {"[Config]\nDefault=Windows 2000 Professional", "Windows 2000 Professional", true, "Windows 2000 Professional"},
        {"[Config]\nDefault=Nothing\nDefault=Windows 2000 Professional\n", "Microsoft Windows XP Professional", false},
        // A line longer than the boot loader's is cut where the table cuts it, and the
        // second line is read whole after a first of the longest kind.
        {"[Config]\nDefault=" + kW246 + "X\n", kW246, true, kW246.c_str(), kTwoLong},
        {std::string(253, ';') + "\nDefault=" + kW246 + "\n", kW246, true, kW246.c_str(), kTwoLong},
        {std::string(253, ';') + "\nDefault=" + kW245 + "\n", kW246, true, kW245.c_str(), kTwoLong},  // CR LF at the edge
        // Only the head of a file of any size is read.
        {"[Config]\nDefault=Windows 2000 Professional\n" + std::string(70000, ';'), "Windows 2000 Professional", true,
         "Windows 2000 Professional"},
    };
    for (const Row& r : rows) {
        BootTable t = table_with_ini(r.ini, r.boot);
        const std::string before = raw(t.path);
        restore_maintained_default(t);
        BootTable again;
        load_boot_table(again);
        CHECK_MSG(again.current_default == r.expect_default && t.current_default == r.shown &&
                      (raw(t.path) != before) == r.rewritten && testenv::boxes().empty() &&
                      fixture::file_text(ini()) == r.ini,  // never emptied
                  r.ini.substr(0, 80));
    }
}

TEST_CASE("maintained default: a read-only VORLANE.INI refuses save and clear; -r still switches and restarts") {
    table_with_ini("");
    testenv::put_file(ini(), "[Config]\r\nDefault=Nothing\r\n", platform::kAttrReadOnly);
    testenv::put_text("MaintainDefault", "True");
    fixture::enable_power_log();
    shell::App app;
    shell::start_up(app);
    CHECK(shell::run_command_line(app, "-r 2000", false) == shell::Outcome::ended);
    CHECK_EQ(fixture::power_log(), fixture::Lines{"ExitWindowsEx flags=2"});
    CHECK(fixture::file_text(app.table.path).find("default=multi(0)disk(0)rdisk(0)partition(1)") != std::string::npos);
    clear_maintained_default();
    CHECK_EQ(fixture::file_text(ini()), "[Config]\nDefault=Nothing\n");
    CHECK_EQ(platform::file_attributes(ini()) & platform::kAttrReadOnly, platform::kAttrReadOnly);
    CHECK(testenv::boxes().size() == 1 && testenv::boxes()[0].text.find("wasn't able to save") != std::string::npos);
}

TEST_CASE("maintained default: a VORLANE.INI that is BOOT.INI, however spelt, is never written; locate refuses it") {
    table_with_ini("");
    const std::string boot = testenv::path("BOOT.INI"), folder = boot.substr(0, boot.size() - 8);
    std::string lower = boot, slashes = boot;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (char& c : slashes) c = c == '\\' ? '/' : c;
    for (const std::string& spelling : {boot, lower, slashes, folder + ".\\BOOT.INI", folder + "sub\\..\\boot.ini",
                                        folder + "\\BOOT.INI"}) {
        BootTable t = table_with_ini("");
        const std::string before = raw(boot);
        testenv::put_text("INI", spelling);
        save_maintained_default(t, true);
        clear_maintained_default();
        CHECK_MSG(raw(boot) == before && testenv::boxes().size() == 1 &&
                      testenv::boxes()[0].text.find("it is the boot configuration file itself") != std::string::npos,
                  spelling);
        // Neither setting may be located onto the file the other names.
        testenv::put_text("INI", ini());
        locate_setting("INI", "Pick:", [&](const std::string&, std::string& path) { path = spelling; });
        locate_setting("Filename", "Pick:", [&](const std::string&, std::string& path) { path = folder + "vorlane.ini"; });
        std::string kept_ini, kept_boot;
        testenv::get_value(testenv::kSettingsKey, "INI", nullptr, &kept_ini);
        testenv::get_value(testenv::kSettingsKey, "Filename", nullptr, &kept_boot);
        CHECK_MSG(kept_ini == ini() && kept_boot == boot &&
                      testenv::boxes().size() == 3, spelling);
    }
}
