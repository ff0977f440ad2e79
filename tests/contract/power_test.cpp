// Power actions and their force rules, seen through the dry-run log.
#include "power/power.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using fixture::Lines;

TEST_CASE("power: force comes from the caller or from exactly True; for suspend from True only") {
    struct Row { const char* value; bool force_given; std::uint32_t flags; const char* expect; } rows[] = {
        {nullptr, false, power::kEwxReboot, "ExitWindowsEx flags=2"},
        {nullptr, true, power::kEwxReboot, "ExitWindowsEx flags=6"},
        {"True", false, power::kEwxReboot, "ExitWindowsEx flags=6"},
        {"true", false, power::kEwxReboot, "ExitWindowsEx flags=2"},
        {"True ", false, power::kEwxReboot, "ExitWindowsEx flags=2"},
        {"False", true, power::kEwxPowerOff, "ExitWindowsEx flags=12"},
    };
    for (const auto& r : rows) {
        testenv::reset();
        fixture::enable_power_log();
        if (r.value) testenv::put_text("ScheduleForceTerminate", r.value);
        power::exit_windows(r.flags, r.force_given);
        CHECK_EQ(fixture::power_log(), Lines{r.expect});
    }
    // Suspend takes force only from the registry.
    testenv::reset();
    fixture::enable_power_log();
    power::suspend(false);
    power::suspend(true);
    testenv::put_text("ScheduleForceTerminate", "True");
    power::suspend(false);
    testenv::put_text("ScheduleForceTerminate", std::string(300, 'T'));  // unreadable: off
    power::suspend(true);
    CHECK_EQ(fixture::power_log(),
             (Lines{"SetSystemPowerState suspend=1 force=0", "SetSystemPowerState suspend=0 force=0",
                    "SetSystemPowerState suspend=1 force=1", "SetSystemPowerState suspend=0 force=0"}));
    CHECK(testenv::boxes().empty());
}
