// The command-line pass and the main window's command table.
#include "settings/settings_store.h"
#include "shell/app.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::shell;
using fixture::Lines;

namespace {

const char* kXp = "Microsoft Windows XP Professional";

void start(App& app, const std::string& boot_ini = fixture::kThreeSystems) {
    testenv::reset();
    fixture::put_files();
    fixture::put_boot_ini(boot_ini);
    for (const char* n : {"SortList", "UseSimplifiedMenu", "DoubleClickMode"}) testenv::put_text(n, "");
    start_up(app);
}

std::string current_default_on_disk() {
    bootini::BootTable t;
    bootini::load_boot_table(t);
    return t.current_default;
}

}  // namespace

TEST_CASE("command line: switches, slashes, the force flag and -r") {
    struct Row {
        const char* line; bool running; Outcome outcome; Lines log; const char* chosen = kXp; bool sorted = false;
    } rows[] = {
        {"", false, Outcome::tray_mode, {}},
        {"", true, Outcome::close_running_copy, {}},
        {"  \t-s", false, Outcome::ended, {"ExitWindowsEx flags=8"}},
        {"/s", true, Outcome::ended, {"ExitWindowsEx flags=8"}},
        {"-f /s", false, Outcome::ended, {"ExitWindowsEx flags=12"}},
        {"/f -s", false, Outcome::ended, {"ExitWindowsEx flags=12"}},
        {"-f -b", false, Outcome::ended, {"SetSystemPowerState suspend=1 force=0"}},
        {"-h", false, Outcome::ended, {"SetSystemPowerState suspend=0 force=0"}},
        {"-q", true, Outcome::ended, {}},
        {"-x", false, Outcome::ended, {}},
        {"-x", true, Outcome::close_running_copy, {}},
        {"-i", true, Outcome::boot_loader_setup, {}},
        {"/i", false, Outcome::tray_mode, {}},
        {"xr XP", false, Outcome::tray_mode, {}},  // only a slash stands for the dash
        {"-f", false, Outcome::tray_mode, {}},
        {"-r", false, Outcome::tray_mode, {}},
        {"-z", true, Outcome::close_running_copy, {}},
        // Names carry no quotes: one pair is dropped when the name as it stands finds nothing.
        {"-f -r \"2000 Pro\"", false, Outcome::ended, {"ExitWindowsEx flags=6"}, "Windows 2000 Professional"},
        {"-r \"\"", false, Outcome::tray_mode, {}},
        {"-r \"2000", false, Outcome::tray_mode, {}},
        {"-r \"\"2000\"\"", false, Outcome::tray_mode, {}},
        {"-r microsoft", false, Outcome::tray_mode, {}},                // case-sensitive
        {"-r XP", true, Outcome::ended, {"ExitWindowsEx flags=2"}},
        // The first entry whose name contains the text, in the menu's order.
        {"-f -r 2000", true, Outcome::ended, {"ExitWindowsEx flags=6"}, "Windows 2000 Professional"},
        {"/r Windows", true, Outcome::ended, {"ExitWindowsEx flags=2"}, "Windows 2000 Professional"},
        {"-r Windows", true, Outcome::ended, {"ExitWindowsEx flags=2"}, "Microsoft Windows", true},
        {"-r ", true, Outcome::close_running_copy, {}},  // a script's empty variable names nothing
        {"-f -r   ", false, Outcome::tray_mode, {}},
        {"-rXWindows XP", false, Outcome::ended, {"ExitWindowsEx flags=2"}},
    };
    for (const auto& r : rows) {
        App app;
        start(app);
        if (r.sorted) {
            testenv::put_text("SortList", "True");
            start_up(app);
        }
        CHECK_MSG(run_command_line(app, r.line, r.running) == r.outcome, r.line);
        CHECK_MSG(fixture::power_log() == r.log && current_default_on_disk() == r.chosen, r.line);
    }
    App app;
    start(app);
    CHECK(run_command_line(app, "-r " + std::string(400, 'W'), false) == Outcome::tray_mode);
    start(app, fixture::kThreeSystems + std::string("D:\\=Not \"2000\" quoted\n"));  // the name as it stands first
    CHECK(run_command_line(app, "-r \"2000\"", false) == Outcome::ended && current_default_on_disk() == "Not \"2000\" quoted");
}

TEST_CASE("command line: a default that cannot be written, or a file without a default line, stops the restart") {
    struct Row { std::string boot_ini; bool elsewhere; std::string reason; } rows[] = {
        {fixture::kThreeSystems, true, ""},  // the system's text, whatever it says
        {"[operating systems]\nmulti(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Windows XP\"\n", false,
         "The file has no default= line to change."},
    };
    for (const Row& r : rows) {
        App app;
        start(app, r.boot_ini);
        if (r.elsewhere) app.table.path = testenv::path("no-such-folder\\BOOT.INI");
        const std::string path = app.table.path;  // a failed switch reads the file named in the registry again
        CHECK(run_command_line(app, "-r XP", false) == Outcome::ended && fixture::power_log().empty());
        const auto& boxes = testenv::boxes();
        const std::string head = "The program wasn't able to write the boot configuration file\n'" + path + "'.\n\n",
                          tail = "\nThe computer will not be restarted.", text = boxes.empty() ? "" : boxes[0].text;
        CHECK_MSG(boxes.size() == 1 && boxes[0].caption == "Vorlane" && boxes[0].style == 0x10u &&
                      text.size() > head.size() + tail.size() + 10 &&  // the reason is there
                      text.compare(0, head.size(), head) == 0 && text.compare(text.size() - tail.size(), tail.size(), tail) == 0 &&
                      (r.reason.empty() || text == head + r.reason + tail),
                  check::show(text));
    }
}

TEST_CASE("commands: entry commands, with and without Shift") {
    App app;
    start(app);
    testenv::put_text("MaintainDefault", "True");
    settings::load_preferences(app.prefs);
    CHECK(dispatch_command(app, kEntryCommandBase + 3) == UiAction::none);  // out of range
    CHECK(dispatch_command(app, 29999) == UiAction::none && fixture::power_log().empty());
    CHECK_EQ(fixture::file_text(testenv::path("VORLANE.INI")), "");  // not even the maintained default was saved

    testenv::set_shift(true);
    dispatch_command(app, kEntryCommandBase + 0);
    CHECK(fixture::power_log().empty());
    CHECK_EQ(app.table.current_default, "Windows 2000 Professional");  // reloaded
    CHECK_EQ(fixture::file_text(testenv::path("VORLANE.INI")), "[Config]\nDefault=Microsoft Windows XP Professional\n");
    app.table.path = testenv::path("no-such-folder\\BOOT.INI");  // a one-time start that cannot be cancelled says so
    dispatch_command(app, ID_CANCEL_ONE_TIME);
    CHECK_EQ(testenv::boxes().size(), 1u);
    testenv::reset_ui();

    testenv::set_shift(false);
    dispatch_command(app, kEntryCommandBase + 2);
    CHECK(fixture::power_log() == Lines{"ExitWindowsEx flags=2"} && testenv::boxes().empty());
    CHECK_EQ(current_default_on_disk(), "Microsoft Windows");

    // The menu's entry is gone from the file since the table was loaded: no
    // switch, no restart, and the menu shows the file as it is now.
    start(app);
    fixture::put_boot_ini("default=C:\\\n[operating systems]\nC:\\=\"Microsoft Windows\"\n");
    dispatch_command(app, kEntryCommandBase + 0);
    CHECK(fixture::power_log().empty() && app.table.entries.size() == 1u && testenv::boxes().size() == 1 &&
          testenv::boxes()[0].text.find("no longer listed") != std::string::npos);
    CHECK_EQ(current_default_on_disk(), "Microsoft Windows");
    // A Shift pick, a cancel and a failed switch read the file again, and keep the list sorted; Locate does not sort.
    start(app);
    testenv::put_text("SortList", "True");
    settings::load_preferences(app.prefs);
    for (unsigned command : {kEntryCommandBase + 0, unsigned(ID_CANCEL_ONE_TIME), kEntryCommandBase + 1}) {
        testenv::set_shift(command != ID_CANCEL_ONE_TIME);
        if (command == kEntryCommandBase + 1) testenv::put_file(testenv::path("BOOT.INI.old~"), "x");
        dispatch_command(app, command);
        CHECK_EQ(app.table.entries[0].name, "Microsoft Windows");
    }
    reload_after_locate(app);
    CHECK_EQ(app.table.entries[0].name, "Windows 2000 Professional");
}

TEST_CASE("commands: exit, preferences, double-click and the interface actions") {
    App app;
    start(app);
    struct { unsigned id; UiAction action; } rows[] = {
        {ID_ABOUT, UiAction::show_about}, {IDC_ABOUT_HIDE, UiAction::hide_about},
        {ID_SCHEDULE, UiAction::schedule_dialog}, {IDC_LINK, UiAction::open_link},
        {ID_LOCATE_BOOTINI, UiAction::locate_boot_ini}, {ID_LOCATE_VORLANEINI, UiAction::locate_vorlane_ini},
        {IDOK_COMMAND, UiAction::none},  // double-click disabled
    };
    for (const auto& r : rows) CHECK_MSG(dispatch_command(app, r.id) == r.action, std::to_string(r.id));
    CHECK(fixture::power_log().empty());

    dispatch_command(app, ID_DOUBLECLICK_RESTART);
    std::string v;
    CHECK(settings::read_setting("DoubleClickMode", &v) && v == "Restart");
    dispatch_command(app, IDOK_COMMAND);
    CHECK_EQ(current_default_on_disk(), kXp);  // untouched
    for (unsigned id : {ID_DOUBLECLICK_SHUTDOWN, IDOK_COMMAND, ID_DOUBLECLICK_SCHEDULE}) dispatch_command(app, id);
    CHECK(dispatch_command(app, IDOK_COMMAND) == UiAction::schedule_dialog);
    for (unsigned id : {ID_SHUTDOWN, ID_STANDBY, ID_HIBERNATE}) dispatch_command(app, id);
    CHECK_EQ(fixture::power_log(),
             (Lines{"ExitWindowsEx flags=2", "ExitWindowsEx flags=8", "ExitWindowsEx flags=8",
                    "SetSystemPowerState suspend=1 force=0", "SetSystemPowerState suspend=0 force=0"}));
    for (unsigned id : {ID_SIMPLIFIED_MENU, ID_RUN_AT_STARTUP, ID_DOUBLECLICK_DISABLED}) dispatch_command(app, id);
    CHECK(app.prefs.simplified_menu && app.prefs.run_at_startup && app.prefs.double_click == settings::kDoubleClickDisabled);

    dispatch_command(app, ID_SORT_LIST);
    CHECK(app.prefs.sort_list && app.table.entries[0].name == "Microsoft Windows");
    dispatch_command(app, ID_SORT_LIST);
    CHECK_EQ(app.table.entries[0].name, "Windows 2000 Professional");

    for (unsigned id : {unsigned(ID_RESTART), unsigned(ID_EXIT)}) {  // each saves the maintained default
        dispatch_command(app, ID_MAINTAIN_DEFAULT);
        CHECK(dispatch_command(app, id) == (id == ID_EXIT ? UiAction::quit : UiAction::none));
        CHECK_EQ(fixture::file_text(testenv::path("VORLANE.INI")), "[Config]\nDefault=Microsoft Windows XP Professional\n");
        dispatch_command(app, ID_MAINTAIN_DEFAULT);  // off again: the file is emptied
        CHECK_EQ(fixture::file_text(testenv::path("VORLANE.INI")), "");
    }
}

TEST_CASE("tray: tooltip, its cut and the menu plan") {
    App app;
    start(app);
    app.new_shell = true;
    CHECK_EQ(tooltip_text(app), "Microsoft Windows XP Professional\nDouble-click disabled");
    app.new_shell = false;
    app.prefs.double_click = settings::kDoubleClickRestart;
    CHECK_EQ(tooltip_text(app), "Microsoft Windows XP Professional (Double-click to restart)");
    app.table.current_default = std::string(200, 'n');
    rebuild_menu(app);
    for (std::uint32_t shell : {0x50000u, 0x40048u, 0u})
        CHECK_EQ(cut_tip(tooltip_text(app), shell), std::string(shell >= 0x50000 ? 127 : 63, 'n'));

    App empty;
    start(empty, "[boot loader]\n");
    empty.new_shell = true;
    CHECK_EQ(tooltip_text(empty), "No operating systems found\nDouble-click disabled");
    MenuPlan plan = plan_menu(empty);
    CHECK(plan.no_entries && plan.entries.empty() && plan.default_command == 0u);

    start(app, "default=b\n[operating systems]\na=\"One\"\nb=\"Two\"\nc=\"Two\"\nd=\"Three\"\n");
    testenv::put_text("SortList", "True");
    testenv::put_text("DoubleClickMode", "Schedule");
    plan = plan_menu(app);
    CHECK(plan.entries.size() == 4u && plan.entries[1].first == "Two");
    CHECK_EQ(plan.default_command, kEntryCommandBase + 2);  // the last of equal names
    CHECK(app.prefs.sort_list && tooltip_text(app).find("edit schedule") != std::string::npos);  // re-read at every opening
    for (const auto& [command, checked] : plan.checks) {
        const bool expected = command == ID_SORT_LIST || command == ID_DOUBLECLICK_SCHEDULE;
        CHECK_MSG(checked == expected, std::to_string(command));
    }
    start(app, "default=\n[operating systems]\n\n");
    CHECK_EQ(plan_menu(app).default_command, 0u);  // no name, no bold
    CHECK_EQ(menu_text("Linux & XP &&&"), "Linux && XP &&&&&&");  // shown as named, not as a mnemonic
}

TEST_CASE("locate: a chosen folder or drive stands for the file in it") {
    testenv::reset();
    const std::string folder = testenv::path(""), file = testenv::path("BOOT.INI");
    testenv::put_file(file, "");
    const struct { std::string chosen, name, stored; } rows[] = {
        {"C:\\", "BOOT.INI", "C:\\BOOT.INI"},
        {folder, "VORLANE.INI", folder + "VORLANE.INI"},
        {folder.substr(0, folder.size() - 1), "BOOT.INI", file},  // all that shell32 4.00 offers
        {file, "BOOT.INI", file},
        {testenv::path("OTHER.INI"), "VORLANE.INI", testenv::path("OTHER.INI")},  // not there yet: as named
        {"", "BOOT.INI", ""},
    };
    for (const auto& r : rows) CHECK_EQ(located_file(r.chosen, r.name), r.stored);
}
