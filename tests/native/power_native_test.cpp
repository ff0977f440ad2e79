// What only the fake can show: the platform calls behind the actions.
#include "platform/fake/fake_platform.h"
#include "power/power.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;

TEST_CASE("power: the privilege comes before the platform call; a refused suspend shows the system's text") {
    testenv::reset();
    power::exit_windows(power::kEwxReboot, false);
    power::suspend(true);
    CHECK_EQ(fake::power_calls(), (std::vector<std::string>{"privilege", "ExitWindowsEx flags=2", "privilege",
                                                            "SetSystemPowerState suspend=0 force=0"}));
    CHECK(fake::boxes().empty());
    fake::set_power_state_result(false, 50);
    power::suspend(false);
    fake::set_power_state_result(false, 999999);  // no text for it: nothing shown
    power::suspend(false);
    const auto& boxes = fake::boxes();
    CHECK(boxes.size() == 1 && boxes[0].text == "The request is not supported.\r\n" && boxes[0].caption == "Vorlane" &&
          boxes[0].style == 0x10u);
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
