// The once-a-second tick on a clock the test sets, also while the warning box is open.
#include "platform/fake/fake_platform.h"
#include "bootmenu/boot_menu.h"
#include "schedule/schedule.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::schedule;
using Lines = std::vector<std::string>;

namespace {

// A shut-down at 23:59 on 31 December 2005 unless told otherwise, with a 10-second warning.
void put_schedule(const char* date = "12/31/2005", const char* time = "23:59") {
    testenv::reset();
    const char* texts[][2] = {{kStatusValue, "Enabled"}, {kDateValue, date}, {kTimeValue, time},
                              {kModeValue, "Shut down"}, {kShowWarningValue, "True"}, {kWarningTimeoutValue, "10"}};
    for (const auto& t : texts) testenv::put_text(t[0], t[1]);
}

}  // namespace

TEST_CASE("schedule tick: due all through its minute only, and acting once, even if Disabled fails, and again when enabled again") {
    put_schedule();
    const bootmenu::BootMenu table;
    Schedule record;  // one for the process, as the main window keeps it
    Lines events;
    ScheduleUi ui;
    ui.send_command = [&events](unsigned c) { events.push_back(std::to_string(c)); };
    ui.warn = [&](const std::string&, std::int32_t count) {
        events.push_back("warn " + std::to_string(count));
        // The timer ticks on in the box's loop, finding the status unchanged and another mode stored.
        testenv::put_text(kModeValue, "Hibernate");
        platform::LocalTime now = platform::local_time();
        for (now.second = 1; now.second < 60; ++now.second) {
            fake::set_time(now);
            CHECK(schedule_tick(record, table, ui));  // still due: the tray picture is renewed
        }
        return 1;
    };
    const platform::LocalTime other_moments[] = {{2005, 12, 31, 23, 58, 59}, {2006, 1, 1, 0, 0, 0},
                                                 {2004, 12, 31, 23, 59, 0},  {2005, 11, 31, 23, 59, 0},
                                                 {2005, 12, 30, 23, 59, 0},  {2005, 12, 31, 22, 59, 0}};
    for (const auto& moment : other_moments) {
        fake::set_time(moment);  // also after the minute: no catching up
        CHECK_MSG(!schedule_tick(record, table, ui), "moment " + std::to_string(&moment - other_moments));
    }
    fake::fail(fake::Op::reg_set);
    fake::set_time({2005, 12, 31, 23, 59, 0});
    CHECK(schedule_tick(record, table, ui));
    CHECK_EQ(events, (Lines{"warn 10", "40004"}));

    fake::set_time({2005, 12, 31, 23, 59, 30});
    CHECK(schedule_tick(record, table, ui) && events.size() == 2u);  // still "Enabled", and quiet

    put_schedule("1/1/2006", "0:01");  // another minute is another schedule
    fake::set_time({2006, 1, 1, 0, 1, 0});
    CHECK(schedule_tick(record, table, ui));
    testenv::put_text(kStatusValue, "Enabled");  // enabled again within its minute: fires again
    CHECK(schedule_tick(record, table, ui));
    CHECK_EQ(events, (Lines{"warn 10", "40004", "warn 10", "40004", "warn 10", "40009"}));
    CHECK_EQ(fake::open_keys(), 0);  // every read and write closed its key, also the refused one
}
