// The eight schedule texts through load, due test, carrying out and save.
// Input: a flags byte, the eight values' texts separated by zero bytes, then
// six bytes of the clock. Flag bits: 0-1 the values' registry type; 2 the
// clock is the scheduled moment; 3 the warning is cancelled.
#include <cstring>

#include "bootmenu/boot_menu.h"
#include "fuzz/fuzz_support.h"
#include "schedule/schedule.h"

using namespace vorlane;

namespace {

// The warning's Cancel (IDCANCEL): the schedule goes on only after OK.
constexpr int kCancelButton = 2;

const char* const kNames[] = {schedule::kStatusValue, schedule::kDateValue, schedule::kTimeValue,
                              schedule::kModeValue, schedule::kRestartToNameValue, schedule::kForceValue,
                              schedule::kShowWarningValue, schedule::kWarningTimeoutValue};
const std::uint32_t kTypes[] = {platform::kRegSz, platform::kRegExpandSz, platform::kRegBinary, platform::kRegDword};

bool same(const schedule::Schedule& a, const schedule::Schedule& b) {
    return a.enabled == b.enabled && a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.restart_to_name == b.restart_to_name && a.force_terminate == b.force_terminate &&
           a.show_warning == b.show_warning && a.warning_timeout == b.warning_timeout && a.mode == b.mode;
}

// The menu the schedule picks from: names only, nothing is chosen here.
const bootmenu::BootMenu& menu() {
    static bootmenu::BootMenu menu;
    if (menu.entries.empty()) {
        for (const char* name : {"XP", "2000", "98"}) menu.entries.push_back(bootmenu::Entry{name, {}});
        menu.default_index = 1;
        menu.default_name = "2000";
    }
    return menu;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t flags = input.byte();
    testenv::reset();
    for (const char* name : kNames) testenv::put_value(testenv::kSettingsKey, name, kTypes[flags & 3], input.field());

    schedule::Schedule loaded;
    schedule::load_schedule(loaded);
    REQUIRE(loaded.restart_to_name.size() <= schedule::kMaxRestartToNameChars);
    REQUIRE(schedule::schedule_enabled() == loaded.enabled);

    // What is saved loads back the same, and saves the same texts again.
    schedule::save_schedule(loaded);
    fuzz::require_all_closed();
    for (const char* name : kNames) {
        std::uint32_t type = 0;
        REQUIRE(testenv::get_value(testenv::kSettingsKey, name, &type, nullptr) && type == kTypes[flags & 3]);
    }
    schedule::Schedule again;
    schedule::load_schedule(again);
    REQUIRE(same(loaded, again));

    // The clock: any real moment, or the scheduled one.
    platform::LocalTime now{static_cast<std::uint16_t>(1601 + input.byte() * 2), static_cast<std::uint16_t>(1 + input.byte() % 12),
                            static_cast<std::uint16_t>(1 + input.byte() % 31), static_cast<std::uint16_t>(input.byte() % 24),
                            static_cast<std::uint16_t>(input.byte() % 60), static_cast<std::uint16_t>(input.byte() % 60)};
    const bool real_moment = again.month >= 1 && again.month <= 12 && again.day >= 1 && again.day <= 31 &&
                             again.hour < 24 && again.minute < 60;
    if (flags & 4 && real_moment) now = {again.year, again.month, again.day, again.hour, again.minute, 0};
    fake::set_time(now);
    std::vector<std::string> warnings;
    std::vector<unsigned> commands;
    schedule::ScheduleUi ui;
    ui.warn = [&](const std::string& format, std::int32_t count) {
        REQUIRE(count == again.warning_timeout);
        warnings.push_back(format);
        return flags & 8 ? kCancelButton : schedule::kWarningButton;
    };
    ui.send_command = [&](unsigned command) { commands.push_back(command); };

    schedule::Schedule record;
    const bool due = schedule::schedule_tick(record, menu(), ui);
    // An unread moment (month 0) is never due; a real one is due in its minute.
    REQUIRE(!due || real_moment);
    REQUIRE(due || !(flags & 4) || !real_moment);
    const bool acts = due && again.enabled;
    REQUIRE(warnings.size() == (acts && again.show_warning && again.mode != schedule::kModeNone ? 1u : 0u));
    for (const std::string& format : warnings) {
        const std::size_t mark = format.find('%');
        REQUIRE(mark != std::string::npos && format.compare(mark, 2, "%d") == 0 &&
                format.find('%', mark + 1) == std::string::npos);
    }
    const bool cancelled = !warnings.empty() && (flags & 8);
    REQUIRE(commands.size() == (acts && !cancelled && again.mode != schedule::kModeNone ? 1u : 0u));
    if (acts) REQUIRE(!schedule::schedule_enabled());
    for (unsigned command : commands) {
        unsigned expected = 0;
        REQUIRE(schedule::schedule_command(again, menu(), &expected) && command == expected);
        if (again.mode == schedule::kModeRestart) REQUIRE(command == ID_ENTRY_BASE + 1);  // the current default
        if (again.mode == schedule::kModeRestartTo)
            REQUIRE(command - ID_ENTRY_BASE <= menu().entries.size() &&
                    (command - ID_ENTRY_BASE == menu().entries.size() ||
                     menu().entries[command - ID_ENTRY_BASE].name == again.restart_to_name));
    }
    // The rest of the minute stays quiet; enabled again within it, the
    // schedule acts again, as it did the first time.
    const std::size_t sent = commands.size();
    schedule::schedule_tick(record, menu(), ui);
    REQUIRE(commands.size() == sent);
    testenv::put_value(testenv::kSettingsKey, schedule::kStatusValue, platform::kRegSz, "Enabled");
    schedule::schedule_tick(record, menu(), ui);
    const bool fires = due && again.mode != schedule::kModeNone && !(again.show_warning && (flags & 8));
    REQUIRE(commands.size() == sent + (fires ? 1u : 0u));
    fuzz::require_all_closed();
    return 0;
}
