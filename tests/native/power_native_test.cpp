// What only the fake can show: the platform calls behind the actions.
#include "platform/fake/fake_platform.h"
#include "power/power.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using Lines = std::vector<std::string>;

TEST_CASE("power: actions enable the privilege, then call the platform") {
    testenv::reset();
    power::exit_windows(power::kEwxReboot, false);
    power::suspend(true);
    CHECK_EQ(fake::power_calls(), (Lines{"privilege", "ExitWindowsEx flags=2", "privilege",
                                         "SetSystemPowerState suspend=0 force=0"}));
    CHECK(testenv::boxes().empty());
}

TEST_CASE("power: a refused suspend shows the system's text") {
    testenv::reset();
    fake::set_power_state_result(false, 50);
    power::suspend(false);
    const auto& boxes = fake::boxes();
    CHECK_EQ(boxes.size(), 1u);
    if (!boxes.empty()) {
        CHECK_EQ(boxes[0].text, "The request is not supported.\r\n");
        CHECK_EQ(boxes[0].caption, "Vorlane");
        CHECK_EQ(boxes[0].style, 0x10u);
    }
    fake::set_power_state_result(false, 999999);  // no text for it: nothing shown
    power::suspend(false);
    CHECK_EQ(fake::boxes().size(), 1u);
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
        CHECK_EQ(power::standby_allowed(), r.allowed);
        CHECK(!power::hibernate_allowed());
    }
}
