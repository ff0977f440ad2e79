// The schedule record in the registry, carrying it out, the warning's text,
// the dialog's stored texts and the countdown's numbers.
#include <limits>

#include "schedule/countdown.h"
#include "schedule/schedule.h"
#include "shell/app.h"
#include "support/boot_fixture.h"
#include "support/check.h"
#include "support/power_log.h"

using namespace vorlane;
using namespace vorlane::schedule;
using fixture::Lines;

namespace {

const char* const kNames[] = {kStatusValue, kDateValue, kTimeValue, kModeValue, kRestartToNameValue,
                              kForceValue, kShowWarningValue, kWarningTimeoutValue};

// The eight values in that order; a pending shut-down at 23:59 on 31 December 2005 unless told otherwise.
Lines stored(const char* mode = "Shut down", const char* name = "", const char* warning = "False") {
    return {"Enabled", "12/31/2005", "23:59", mode, name, "False", warning, "10"};
}

void put(const Lines& texts) {
    testenv::reset();
    for (std::size_t i = 0; i < 8; ++i) testenv::put_text(kNames[i], texts[i]);
}

std::string value(const char* name) {
    std::uint32_t type = 0;
    std::string bytes;
    return testenv::get_value(testenv::kSettingsKey, name, &type, &bytes) ? bytes : "(missing)";
}

// Carries out with a box answering `answer`; returns what happened, in order.
Lines carry_out(const bootini::BootTable& table, int answer = 1) {
    Lines events;
    ScheduleUi ui;
    ui.warn = [&](const std::string& format, std::int32_t count) {
        events.push_back("warn " + value(kStatusValue) + " " + countdown_text(format, count));
        return answer;
    };
    ui.send_command = [&](unsigned command) { events.push_back(std::to_string(command)); };
    Schedule record;
    carry_out_schedule(record, table, ui);
    return events;
}

}  // namespace

TEST_CASE("schedule load: date, time, flags and timeout") {
    struct Row { const char* value; const char* text; std::string loaded; } rows[] = {
        {kDateValue, "3/7/2006", "2006-3-7 23:59"},
        {kDateValue, " 03/\t07/ +2006 and on", "2006-3-7 23:59"},
        {kDateValue, "65539/-1/2006", "2006-3-65535 23:59"},  // kept as the low 16 bits
        {kDateValue, "99999999999999999999/1/2006", "2006-65535-1 23:59"},
        // A date or time that does not scan in full is no moment at all.
        {kDateValue, "", "0-0-0 0:0"},
        {kDateValue, "12/31", "0-0-0 0:0"},
        {kDateValue, "12 /31/2005", "0-0-0 0:0"},
        {kTimeValue, "", "0-0-0 0:0"},
        {kTimeValue, "23 :59", "0-0-0 0:0"},
        {kTimeValue, " 7: 5:30", "2005-12-31 7:5"},
        {kStatusValue, "enabled", "disabled"},
        {kStatusValue, "Enabled ", "disabled"},
        {kForceValue, "True", "force"},
        {kForceValue, "true", ""},
        {kShowWarningValue, "True", "warning"},
        {kShowWarningValue, "TRUE", ""},
        {kWarningTimeoutValue, " -3x", "timeout -3"},
        {kWarningTimeoutValue, "x5", "timeout 0"},
        {kWarningTimeoutValue, "99999999999", "timeout 2147483647"},
        {kWarningTimeoutValue, "-99999999999", "timeout -2147483648"},
    };
    for (const auto& r : rows) {
        put(stored());
        testenv::put_text(r.value, r.text);
        Schedule s;
        s.force_terminate = s.show_warning = true;
        s.warning_timeout = 10;
        load_schedule(s);
        std::string got = std::to_string(s.year) + "-" + std::to_string(s.month) + "-" + std::to_string(s.day) +
                          " " + std::to_string(s.hour) + ":" + std::to_string(s.minute);
        if (std::string(r.value) == kStatusValue) got = s.enabled ? "enabled" : "disabled";
        if (std::string(r.value) == kForceValue) got = s.force_terminate ? "force" : "";
        if (std::string(r.value) == kShowWarningValue) got = s.show_warning ? "warning" : "";
        if (std::string(r.value) == kWarningTimeoutValue) got = "timeout " + std::to_string(s.warning_timeout);
        CHECK_MSG(got == r.loaded, std::string(r.value) + " '" + r.text + "' gave " + got);
    }
}

TEST_CASE("schedule load: an unknown mode text keeps the mode; long names are cut") {
    put(stored());
    struct Step { const char* text; unsigned mode; } steps[] = {
        {"restart", kModeNone}, {"Restart to", kModeRestartTo}, {"restart", kModeRestartTo},
        {"Stand by", kModeStandBy}, {"", kModeStandBy}, {"Hibernate ", kModeStandBy}, {"Restart", kModeRestart},
    };
    Schedule record;
    for (const auto& step : steps) {
        testenv::put_text(kModeValue, step.text);
        load_schedule(record);
        CHECK_MSG(record.mode == step.mode, step.text);
    }
    testenv::put_text(kRestartToNameValue, std::string(255, 'n') + "X");  // a full 256 bytes
    load_schedule(record);
    CHECK_EQ(record.restart_to_name, std::string(255, 'n'));
}

TEST_CASE("carry out: disabled first, then the warning, then the command") {
    const std::string warn = "warn Disabled The system will shut down in 10 seconds. Press OK\n"
                             "to shut down immediately or Cancel to abort.";
    struct Row { Lines stored; int answer; Lines events; } rows[] = {
        {stored("Shut down", "", "True"), 1, {warn, "40004"}},
        {stored("Shut down", "", "True"), 2, {warn}},           // Cancel, Escape or the close box
        {stored("Shut down", "", "True"), 0, {warn, "40004"}},  // no box could be shown
        {stored("Stand by"), 2, {"40008"}},
        {stored("Hibernate"), 2, {"40009"}},
        {stored("hibernate", "", "True"), 1, {}},  // the mode none: only disabled
        {{"Disabled", "12/31/2005", "23:59", "Shut down", "", "", "", ""}, 1, {}},
    };
    for (const auto& r : rows) {
        put(r.stored);
        bootini::BootTable table;
        CHECK_EQ(carry_out(table, r.answer), r.events);
        CHECK_EQ(value(kStatusValue), "Disabled");
        CHECK_EQ(carry_out(table), Lines{});  // the later ticks of the minute
    }
}

TEST_CASE("carry out: the restarts send the first entry whose name is equal") {
    const std::string twice =
        "[boot loader]\ndefault=C:\\B\n[operating systems]\nC:\\A=\"Twin\"\nC:\\B=\"Twin\"\nC:\\C=\"Alpha\"\n";
    const std::string nameless = "[boot loader]\n[operating systems]\nC:\\=\"Alpha\"\n\n";  // no default line
    struct Row { std::string boot_ini; bool sorted; const char* mode; const char* name; const char* sent; } rows[] = {
        {fixture::kThreeSystems, false, "Restart", "", "30001"},
        {fixture::kThreeSystems, false, "Restart to", "Windows 2000 Professional", "30000"},
        {fixture::kThreeSystems, true, "Restart to", "Windows 2000 Professional", "30002"},
        // Not equal: the entry count, which the main window ignores.
        {fixture::kThreeSystems, false, "Restart to", "microsoft windows", "30003"},
        {fixture::kThreeSystems, false, "Restart to", "Microsoft", "30003"},
        {twice, false, "Restart", "", "30000"},
        {twice, true, "Restart to", "Twin", "30001"},
        {nameless, false, "Restart", "", "30002"},  // no default is not the nameless entry
        {nameless, false, "Restart to", "", "30002"},
        {"", false, "Restart", "", "30000"},
    };
    for (const auto& r : rows) {
        put(stored(r.mode, r.name));
        bootini::BootTable table = fixture::load(r.boot_ini);
        if (r.sorted) bootini::sort_entries(table);
        CHECK_MSG(carry_out(table) == Lines{r.sent}, std::string(r.mode) + " " + r.name);
    }
}

TEST_CASE("carry out: the commands act as the menu's do") {
    const char* const xp = "Microsoft Windows XP Professional";
    struct Row { const char* mode; const char* name; const char* force; Lines log; const char* now_default; } rows[] = {
        {"Restart to", "Windows 2000 Professional", "False", {"ExitWindowsEx flags=2"}, "Windows 2000 Professional"},
        {"Restart", "", "True", {"ExitWindowsEx flags=6"}, xp},
        {"Restart to", "Windows 2000", "False", {}, xp},
        {"Stand by", "", "True", {"SetSystemPowerState suspend=1 force=1"}, xp},
    };
    for (const auto& r : rows) {
        Lines texts = stored(r.mode, r.name);
        texts[5] = r.force;
        put(texts);
        fixture::enable_power_log();
        fixture::put_boot_ini(fixture::kThreeSystems);
        testenv::put_text("INI", testenv::path("VORLANE.INI"));
        testenv::put_file(testenv::path("VORLANE.INI"), "");
        shell::App app;
        shell::start_up(app);
        ScheduleUi ui;
        ui.send_command = [&app](unsigned command) { shell::dispatch_command(app, command); };
        Schedule record;
        carry_out_schedule(record, app.table, ui);
        CHECK_MSG(fixture::power_log() == r.log, r.mode);
        bootini::BootTable on_disk;
        bootini::load_boot_table(on_disk);
        CHECK_MSG(on_disk.current_default == r.now_default, r.mode);
    }
}

TEST_CASE("warning: each mode's verb, in both places") {
    struct Row { unsigned mode; std::string verb; } rows[] = {
        {kModeRestart, "restart"}, {kModeRestartTo, "restart"}, {kModeShutDown, "shut down"},
        {kModeStandBy, "go in stand-by"}, {kModeHibernate, "hibernate"},
    };
    for (const auto& r : rows)
        CHECK_EQ(warning_format(r.mode), "The system will " + r.verb + " in %d seconds. Press OK\nto " + r.verb +
                                             " immediately or Cancel to abort.");
}

TEST_CASE("save: the eight texts in order; missing values stay missing") {
    Schedule r;
    r.enabled = true;
    r.year = 5;
    r.month = 3;
    r.day = 7;
    r.hour = 9;
    r.minute = 0;
    r.mode = kModeRestartTo;
    r.restart_to_name = std::string(300, 'n');
    r.force_terminate = true;
    r.warning_timeout = -3;
    put(Lines(8, ""));
    testenv::remove_value(testenv::kSettingsKey, kShowWarningValue);
    save_schedule(r);
    Lines got;
    for (const char* name : kNames) got.push_back(value(name));
    CHECK_EQ(got, (Lines{"Enabled", "03/07/0005", "09:00", "Restart to", std::string(255, 'n'), "True", "(missing)",
                         "-3"}));
    CHECK_EQ(mode_text(kModeStandBy), "Stand by");
    CHECK_EQ(mode_text(kModeNone), "");  // names no mode: later loads keep theirs
}

TEST_CASE("countdown: the numbers shown, the press, and a bounded text") {
    struct Row { std::int32_t count; Lines shown; } rows[] = {
        {2, {"2 s", "1 s", "0 s", "press -1 s"}},
        {0, {"0 s", "press -1 s"}},
        {std::numeric_limits<std::int32_t>::min(), {"-2147483648 s", "press -2147483649 s"}},
    };
    for (const auto& r : rows) {
        Countdown countdown("%d s", r.count);
        Lines shown{countdown.text()};
        while (shown.back().compare(0, 5, "press") != 0 && shown.size() < 10)
            shown.push_back((countdown.tick() ? "press " : "") + countdown.text());
        CHECK_EQ(shown, r.shown);
    }
    CHECK_EQ(countdown_text("%d%% %s %d", 7), "7% %s %d");
    const std::string text = countdown_text(std::string(kCountdownTextBytes - 3, 'a') + "%d seconds", -25);
    CHECK_EQ(text.size(), kCountdownTextBytes - 1);
    CHECK_EQ(text.substr(text.size() - 2), "-2");
}
