// Ending Windows and suspending the machine, and asking whether stand-by and
// hibernation are allowed.
//
// Dry run: when the environment variable VORLANE_POWER_LOG names a file, the
// actions call nothing; each appends one line to that file instead
// ("ExitWindowsEx flags=N" or "SetSystemPowerState suspend=S force=F").
#pragma once

#include <cstdint>

namespace vorlane::power {

constexpr std::uint32_t kEwxShutdown = 0x1;
constexpr std::uint32_t kEwxReboot = 0x2;
constexpr std::uint32_t kEwxForce = 0x4;
constexpr std::uint32_t kEwxPowerOff = 0x8;

constexpr const char* kPowerLogVariable = "VORLANE_POWER_LOG";
constexpr const char* kForceValue = "ScheduleForceTerminate";

// Restart (kEwxReboot) or shut down (the shutdown flags). Without `force`
// the force comes from ScheduleForceTerminate. Reports nothing itself: false
// when Windows refused (no shut-down privilege, a remote session, a program
// that would not close), and show_refusal() then tells the user why. A dry
// run counts as accepted.
bool exit_windows(std::uint32_t flags, bool force);

// Shows the system's own text for the last refused action, in a message box
// with the caption "Vorlane" and the error icon; nothing when the system has
// no text for it.
void show_refusal();

// Stand-by, or hibernation; force always from ScheduleForceTerminate. A
// refusal is shown with the system's own text.
void suspend(bool hibernate);

// True unless powrprof.dll says no. A missing library, or one without the
// probe's function, counts as allowed: the action itself reports a failure.
bool standby_allowed();
bool hibernate_allowed();

}  // namespace vorlane::power
