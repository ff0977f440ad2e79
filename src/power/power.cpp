#include "power/power.h"

#include <string>

#include "platform/platform.h"
#include "settings/settings_store.h"

namespace vorlane::power {
namespace {

// Appends the dry-run line when a log is named; true when it took the action's place.
bool logged(const std::string& line) {
    std::string log;
    if (!platform::get_env(kPowerLogVariable, &log) || log.empty()) return false;
    platform::file_append(log, line + "\r\n");
    return true;
}

bool allowed(bool hibernate) {
    return platform::probe_power(hibernate) != platform::PowerProbe::refused;
}

}  // namespace

bool exit_windows(std::uint32_t flags, bool force) {
    if (!force) force = settings::read_flag(kForceValue);
    if (force) flags |= kEwxForce;
    if (logged("ExitWindowsEx flags=" + std::to_string(flags))) return true;
    platform::enable_shutdown_privilege();
    return platform::exit_windows(flags);
}

void show_refusal() {
    const std::string text = platform::error_text(platform::last_error());
    if (!text.empty())
        platform::message_box(text, "Vorlane", platform::kMbOk | platform::kMbIconError);
}

void suspend(bool hibernate) {
    const bool force = settings::read_flag(kForceValue);
    if (logged(std::string("SetSystemPowerState suspend=") + (hibernate ? "0" : "1") +
               " force=" + (force ? "1" : "0")))
        return;
    platform::enable_shutdown_privilege();
    if (!platform::set_power_state(!hibernate, force)) show_refusal();
}

bool standby_allowed() { return allowed(false); }
bool hibernate_allowed() { return allowed(true); }

}  // namespace vorlane::power
