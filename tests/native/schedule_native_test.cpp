// What needs a clock the test can set: the due test and the once-a-second
// tick, including the ticks that arrive while the warning box is open.
#include "platform/fake/fake_platform.h"
#include "schedule/schedule.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::schedule;
using Lines = std::vector<std::string>;

namespace {

void set_clock(int year, int month, int day, int hour, int minute, int second) {
    platform::LocalTime t;
    t.year = std::uint16_t(year), t.month = std::uint16_t(month), t.day = std::uint16_t(day);
    t.hour = std::uint16_t(hour), t.minute = std::uint16_t(minute), t.second = std::uint16_t(second);
    fake::set_time(t);
}

// A pending shut-down at 23:59 on 31 December 2005.
void put_schedule(const char* status, const char* warning = "False") {
    testenv::reset();
    const char* texts[][2] = {{kStatusValue, status}, {kDateValue, "12/31/2005"}, {kTimeValue, "23:59"},
                              {kModeValue, "Shut down"}, {kShowWarningValue, warning}, {kWarningTimeoutValue, "10"}};
    for (const auto& t : texts) testenv::put_text(t[0], t[1]);
}

std::string status() {
    std::uint32_t type = 0;
    std::string bytes;
    testenv::get_value(testenv::kSettingsKey, kStatusValue, &type, &bytes);
    return bytes;
}

}  // namespace

TEST_CASE("schedule due: every second of the scheduled minute and no other") {
    struct Row { int y, mo, d, h, mi, s; bool due; } rows[] = {
        {2005, 12, 31, 23, 59, 0, true}, {2005, 12, 31, 23, 59, 59, true}, {2005, 12, 31, 23, 58, 59, false},
        {2006, 1, 1, 0, 0, 0, false},    {2004, 12, 31, 23, 59, 0, false}, {2005, 11, 31, 23, 59, 0, false},
        {2005, 12, 30, 23, 59, 0, false}, {2005, 12, 31, 22, 59, 0, false},
    };
    for (const auto& r : rows) {
        put_schedule("Disabled");  // the due test does not ask the status
        set_clock(r.y, r.mo, r.d, r.h, r.mi, r.s);
        Schedule record;
        CHECK_MSG(schedule_due(record) == r.due, std::to_string(r.y) + "-" + std::to_string(r.mo) + "-" +
                                                     std::to_string(r.d) + " " + std::to_string(r.h) + ":" +
                                                     std::to_string(r.mi) + ":" + std::to_string(r.s));
    }
}

TEST_CASE("schedule tick: acts once in its minute and never catches up") {
    put_schedule("Enabled");
    bootini::BootTable table;
    Lines sent;
    ScheduleUi ui;
    ui.send_command = [&sent](unsigned c) { sent.push_back(std::to_string(c)); };
    Schedule record;
    set_clock(2006, 1, 1, 0, 0, 5);  // started after the minute
    CHECK(!schedule_tick(record, table, ui));
    CHECK_EQ(status(), "Enabled");
    set_clock(2005, 12, 31, 23, 59, 0);
    CHECK(schedule_tick(record, table, ui));
    set_clock(2005, 12, 31, 23, 59, 1);
    CHECK(schedule_tick(record, table, ui));  // still due: the tray picture is renewed
    CHECK_EQ(sent, Lines{"40004"});
    CHECK_EQ(status(), "Disabled");
}

TEST_CASE("schedule tick: ticks inside the open box act neither again nor otherwise") {
    put_schedule("Enabled", "True");
    set_clock(2005, 12, 31, 23, 59, 0);
    bootini::BootTable table;
    Schedule record;  // one for the process, as the main window keeps it
    Lines events;
    ScheduleUi ui;
    ui.send_command = [&events](unsigned c) { events.push_back(std::to_string(c)); };
    ui.warn = [&](const std::string&, std::int32_t count) {
        events.push_back("warn " + std::to_string(count));
        // The main window's timer runs in the box's loop; meanwhile another mode is stored.
        testenv::put_text(kModeValue, "Hibernate");
        for (int second = 1; second <= 3; ++second) {
            set_clock(2005, 12, 31, 23, 59, second);
            CHECK(schedule_tick(record, table, ui));
        }
        return 1;
    };
    CHECK(schedule_tick(record, table, ui));
    CHECK_EQ(events, (Lines{"warn 10", "40004"}));
}

TEST_CASE("schedule tick: a Disabled that cannot be written still fires once") {
    put_schedule("Enabled");
    bootini::BootTable table;
    Lines sent;
    ScheduleUi ui;
    ui.send_command = [&sent](unsigned c) { sent.push_back(std::to_string(c)); };
    Schedule record;
    fake::fail(fake::Op::reg_set);
    for (int second = 0; second < 60; ++second) {
        set_clock(2005, 12, 31, 23, 59, second);
        schedule_tick(record, table, ui);
    }
    CHECK_EQ(status(), "Enabled");
    CHECK_EQ(sent, Lines{"40004"});
    // Another minute is another schedule.
    testenv::put_text(kDateValue, "1/1/2006");
    testenv::put_text(kTimeValue, "0:01");
    set_clock(2006, 1, 1, 0, 1, 0);
    CHECK(schedule_tick(record, table, ui));
    CHECK_EQ(sent, (Lines{"40004", "40004"}));
}
