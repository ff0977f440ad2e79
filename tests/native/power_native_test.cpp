// What only the fake can show: the platform calls behind the actions, and
// the start-up decisions that depend on the Windows version it pretends to be.
#include "platform/fake/fake_platform.h"
#include "power/power.h"
#include "shell/app.h"
#include "support/boot_fixture.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;

TEST_CASE("power: the privilege comes before the platform call, which a dry run skips; a refused suspend shows the system's text") {
    testenv::reset();
    testenv::set_env(power::kPowerLogVariable, "");  // names no file: no dry run
    power::exit_windows(power::kEwxReboot, false);
    power::suspend(true);
    fixture::enable_power_log();
    power::exit_windows(power::kEwxReboot, false);
    power::suspend(true);
    CHECK_EQ(fake::power_calls(), (std::vector<std::string>{"privilege", "ExitWindowsEx flags=2", "privilege",
                                                            "SetSystemPowerState suspend=0 force=0"}));
    testenv::set_env(power::kPowerLogVariable, "");
    CHECK(testenv::boxes().empty());
    fake::set_power_state_result(false, 50);
    power::suspend(false);
    fake::set_power_state_result(false, 999999);  // no text for it: nothing shown
    power::suspend(false);
    const auto& boxes = testenv::boxes();
    CHECK(boxes.size() == 1 && boxes[0].text == "The request is not supported.\r\n" && boxes[0].caption == "Vorlane" &&
          boxes[0].style == 0x10u);
}

TEST_CASE("power: a refused restart or shut-down shows the system's reason in tray mode, never from the command line") {
    struct Row { const char* what; unsigned command; const char* line; bool shown; } rows[] = {
        {"menu pick", shell::kEntryCommandBase, nullptr, true},
        {"Shut Down", ID_SHUTDOWN, nullptr, true},
        {"double-click Restart", IDOK_COMMAND, nullptr, true},
        {"-r", 0, "-r 2000", false},  // scripts rely on no box and exit code 0
        {"-s", 0, "-s", false},
    };
    for (const auto& r : rows) {
        testenv::reset();
        fixture::put_boot_ini(fixture::kThreeSystems);
        testenv::put_text("INI", testenv::path("VORLANE.INI"));
        testenv::put_file(testenv::path("VORLANE.INI"), "");
        testenv::put_text("DoubleClickMode", "Restart");
        fake::set_exit_windows_result(false, 1314);
        shell::App app;
        shell::start_up(app);
        if (r.line) CHECK_MSG(shell::run_command_line(app, r.line, false) == shell::Outcome::ended, r.what);
        else shell::dispatch_command(app, r.command);
        const auto& boxes = testenv::boxes();
        const bool shown = boxes.size() == 1 && boxes[0].text == "A required privilege is not held by the client.\r\n" &&
                           boxes[0].caption == "Vorlane" && boxes[0].style == 0x10u;
        CHECK_MSG(r.shown ? shown : boxes.empty(), r.what);
        CHECK_MSG(fake::power_calls().size() == 2, r.what);  // the privilege, then one ExitWindowsEx
    }
}

TEST_CASE("power: the probes answer allowed unless powrprof says no") {
    using platform::PowerProbe;
    struct Row { PowerProbe answer; bool allowed; } rows[] = {
        {PowerProbe::no_library, true}, {PowerProbe::no_function, true},
        {PowerProbe::allowed, true}, {PowerProbe::refused, false},
    };
    for (const auto& r : rows) {
        testenv::reset();
        fake::set_probe(false, r.answer);
        fake::set_probe(true, PowerProbe::refused);
        CHECK(power::standby_allowed() == r.allowed && !power::hibernate_allowed());
    }
}

TEST_CASE("start-up: shutdown flags and the new-shell flag by Windows version") {
    struct Row { std::uint32_t platform, major, minor; std::uint32_t flags; bool new_shell; const char* name; } rows[] = {
        {1, 4, 10, 9, false, "98"}, {1, 4, 90, 9, true, "Me"}, {2, 4, 0, 8, false, "NT4"},
        {2, 5, 0, 8, false, "2000"}, {2, 5, 1, 8, true, "XP"}, {2, 5, 2, 8, true, "2003"},
        {2, 6, 1, 8, false, "7"},
    };
    for (const auto& r : rows) {
        testenv::reset();
        fake::set_version(r.platform, r.major, r.minor);
        shell::App app;
        shell::start_up(app);
        shell::run_command_line(app, "-s", false);
        const std::vector<std::string> calls{"privilege", "ExitWindowsEx flags=" + std::to_string(r.flags)};
        CHECK_MSG(app.new_shell == r.new_shell && fake::power_calls() == calls, r.name);
        // Start-up restores a maintained default, so a missing VORLANE.INI is reported.
        CHECK_MSG(testenv::boxes().size() == 1 && testenv::boxes()[0].text.find("open the configuration file") != std::string::npos, r.name);
    }
}
