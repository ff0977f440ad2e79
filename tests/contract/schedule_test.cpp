// The schedule record in the registry, carrying it out, the stored texts and the countdown.
#include "schedule/countdown.h"
#include "schedule/schedule.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace vorlane::schedule;
using Lines = std::vector<std::string>;

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
    std::string bytes = "none";
    testenv::get_value(testenv::kSettingsKey, name, nullptr, &bytes);
    return bytes;
}

// Carries out with a box answering `answer`: what happened, with the status stored while the box was open.
Lines carry_out(bootini::BootTable& table, int answer = 1) {
    Lines events;
    const ScheduleUi ui{[&](const std::string& format, std::int32_t count) {
                            events.push_back("warn " + value(kStatusValue) + " " + countdown_text(format, count));
                            return answer;
                        },
                        [&](unsigned command) { events.push_back(std::to_string(command)); }};
    Schedule record;
    carry_out_schedule(record, fixture::menu_of(table), ui);
    return events;
}

}  // namespace

TEST_CASE("schedule load: each value as it is read; a mode text that names none keeps the mode") {
    const std::string lost = "Shut down on 0/0/0 0:0 10";  // never due: there is no month 0
    struct Row { const char* value; const char* text; std::string loaded; } rows[] = {
        {kModeValue, "shut down", " on 12/31/2005 23:59 10"},  // a fresh record: no mode
        {kStatusValue, "enabled", "Shut down off 12/31/2005 23:59 10"},
        {kDateValue, "03/07/2006", "Shut down on 3/7/2006 23:59 10"},
        {kDateValue, " \t\n\v\f\r+3/7/2006", "Shut down on 3/7/2006 23:59 10"},  // any blanks, a sign
        {kDateValue, "", lost}, {kDateValue, "12/31", lost}, {kDateValue, "12//2005", lost},
        {kTimeValue, "", lost}, {kTimeValue, "23 :59", lost}, {kTimeValue, "23.59", lost},
        {kForceValue, "True", "Shut down on 12/31/2005 23:59 force 10"},
        {kShowWarningValue, "True", "Shut down on 12/31/2005 23:59 warn 10"},
        {kWarningTimeoutValue, " -3x", "Shut down on 12/31/2005 23:59 -3"},
        {kWarningTimeoutValue, "99999999999", "Shut down on 12/31/2005 23:59 2147483647"},
        {kWarningTimeoutValue, "\t\r-99999999999", "Shut down on 12/31/2005 23:59 -2147483648"},
        {kModeValue, "Stand by", "Stand by on 12/31/2005 23:59 10"},
        {kModeValue, "Hibernate ", "Stand by on 12/31/2005 23:59 10"},
        {kModeValue, "", "Stand by on 12/31/2005 23:59 10"},
        {kModeValue, "Restart to", "Restart to on 12/31/2005 23:59 10"},
    };
    Schedule s;  // one for all loads, as the main window keeps it
    for (const auto& r : rows) {
        put(stored());
        testenv::put_text(r.value, r.text);
        load_schedule(s);
        const std::string got = mode_text(s.mode) + (s.enabled ? " on " : " off ") + std::to_string(s.month) + "/" +
                                std::to_string(s.day) + "/" + std::to_string(s.year) + " " + std::to_string(s.hour) +
                                ":" + std::to_string(s.minute) + (s.force_terminate ? " force " : " ") +
                                (s.show_warning ? "warn " : "") + std::to_string(s.warning_timeout);
        CHECK_MSG(got == r.loaded && schedule_enabled() == s.enabled, std::string(r.value) + " '" + r.text + "' gave " + got);
    }
}

TEST_CASE("carry out: disabled first, then the warning, then the command") {
    const auto warn = [](const std::string& verb) {
        return "warn Disabled The system will " + verb + " in 10 seconds. Press OK\nto " + verb +
               " immediately or Cancel to abort.";
    };
    const std::string three = fixture::kThreeSystems, none = "", twice =
        "[boot loader]\ndefault=C:\\B\n[operating systems]\nC:\\A=\"Twin\"\nC:\\B=\"Twin\"\nC:\\C=\"Alpha\"\n",
        nameless = "[boot loader]\n[operating systems]\nC:\\=\"Alpha\"\n\n";  // no default line
    struct Row { Lines stored; std::string boot_ini; int answer; Lines events; } rows[] = {
        {stored("Shut down", "", "True"), none, 1, {warn("shut down"), "40004"}},
        {stored("Shut down", "", "True"), none, 2, {warn("shut down")}},           // Cancel
        {stored("Shut down", "", "True"), none, 0, {warn("shut down"), "40004"}},  // no box could be shown
        {stored("Shut down", "", "True"), none, 7, {warn("shut down")}},  // closed any other way: only OK goes on
        {stored("Stand by", "", "True"), none, 1, {warn("go in stand-by"), "40008"}},
        {stored("Hibernate", "", "True"), none, 1, {warn("hibernate"), "40009"}},
        {stored("Stand by"), none, 2, {"40008"}},
        {stored("hibernate", "", "True"), none, 1, {}},  // the mode none: only disabled
        {{"Disabled", "12/31/2005", "23:59", "Shut down", "", "", "", ""}, none, 1, {}},
        // Restart to sends the first entry, in table order, whose name is equal, else
        // the entry count, which the main window ignores; Restart sends the bold entry,
        // else a restart that switches nothing.
        {stored("Restart", "", "True"), three, 1, {warn("restart"), "30001"}},
        {stored("Restart to", "Windows 2000 Professional"), three, 1, {"30000"}},
        {stored("Restart to", "microsoft windows"), three, 1, {"30003"}},
        {stored("Restart to", "Microsoft"), three, 1, {"30003"}},
        {stored("Restart"), twice, 1, {"30001"}},  // C:\B, the default, not the first of its name
        {stored("Restart"), nameless, 1, {"40014"}},  // no default is not the nameless entry
        {stored("Restart to", ""), nameless, 1, {"30002"}},
    };
    for (const auto& r : rows) {
        bootini::BootTable table = fixture::load(r.boot_ini);
        put(r.stored);
        // A later tick of the minute finds it disabled.
        CHECK_MSG(carry_out(table, r.answer) == r.events && value(kStatusValue) == "Disabled" &&
                      carry_out(table).empty(), r.stored[3] + " " + r.stored[4]);
    }
}

TEST_CASE("save: the eight texts in order; missing values stay missing") {
    // On, 5-3-7 9:00, a name too long, forced, no warning, -3 seconds, Restart to.
    const Schedule r{true, 5, 3, 7, 9, 0, std::string(300, 'n'), true, false, -3, kModeRestartTo};
    put(Lines(8, ""));
    testenv::remove_value(testenv::kSettingsKey, kShowWarningValue);
    save_schedule(r);
    Lines got;  // in the order the texts are written
    for (std::size_t i = 0; i < 8; ++i)
        got.push_back(kNames[i] == std::string(schedule_texts(r)[i].name) ? value(kNames[i]) : "(out of order)");
    CHECK_EQ(got, (Lines{"Enabled", "03/07/0005", "09:00", "Restart to", std::string(255, 'n'), "True", "none", "-3"}));
}

TEST_CASE("countdown: the numbers shown, the press, and a bounded text") {
    struct Row { std::int32_t count; Lines shown; } rows[] = {
        {5, {"5 s", "4 s", "3 s", "2 s", "1 s", "0 s", "press -1 s"}},
        {0, {"0 s", "press -1 s"}}, {INT32_MIN, {"-2147483648 s", "press -2147483649 s"}},
    };
    for (const auto& r : rows) {
        Countdown countdown("%d s", r.count);
        Lines shown{countdown.text()};
        while (shown.back().compare(0, 5, "press") != 0 && shown.size() < 10)
            shown.push_back((countdown.tick() ? "press " : "") + countdown.text());
        CHECK_EQ(shown, r.shown);
    }
    const std::string a(kCountdownTextBytes - 3, 'a');
    CHECK_EQ(countdown_text(a + "%d seconds", -25), a + "-2");
    CHECK_EQ(countdown_text(a + "aaa", 0), a + "aa");  // one byte more than the box holds
    CHECK_EQ(countdown_text("%d%% %%d %d %", 5), "5% %d %d %");  // the first %d only; %% is one %
}
