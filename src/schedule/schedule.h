// The one scheduled action: its record in the registry, the once-a-second due
// test, and carrying it out through the same commands the pop-up menu sends.
//
// The registry is the only store. Every operation loads the record afresh, so
// a change made by the dialog, another copy or by hand counts at the next tick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bootmenu/boot_menu.h"
#include "platform/platform.h"
#include "power/power.h"
#include "resource.h"

namespace vorlane::schedule {

// The mode is held as the identifier of its radio button in the dialog.
constexpr unsigned kModeNone = 0;
constexpr unsigned kModeRestart = IDC_SCHEDULE_RESTART;
constexpr unsigned kModeRestartTo = IDC_SCHEDULE_RESTART_TO;
constexpr unsigned kModeShutDown = IDC_SCHEDULE_SHUTDOWN;
constexpr unsigned kModeStandBy = IDC_SCHEDULE_STANDBY;
constexpr unsigned kModeHibernate = IDC_SCHEDULE_HIBERNATE;

constexpr const char* kStatusValue = "ScheduleStatus";
constexpr const char* kDateValue = "ScheduleDate";
constexpr const char* kTimeValue = "ScheduleTime";
constexpr const char* kModeValue = "ScheduleMode";
constexpr const char* kRestartToNameValue = "ScheduleModeRestartToName";
constexpr const char* kForceValue = power::kForceValue;
constexpr const char* kShowWarningValue = "ScheduleShowWarning";
constexpr const char* kWarningTimeoutValue = "ScheduleShowWarningTimeout";

// The rest of the program expects a boot entry name to fit 255 characters.
constexpr std::size_t kMaxRestartToNameChars = 255;

// The warning box: caption, MB_OKCANCEL | MB_ICONEXCLAMATION, and the button
// it presses when the count has run out (IDOK). Only that button, or a box
// that could not be shown at all (0), lets the action go on.
constexpr const char* kWarningCaption = "Vorlane";
constexpr std::uint32_t kWarningStyle = 0x31;
constexpr int kWarningButton = 1;
constexpr int kWarningNotShown = 0;

// The commands sent to the main window (its menu's own identifiers).
constexpr unsigned kRestartCommand = ID_RESTART;
constexpr unsigned kShutDownCommand = ID_SHUTDOWN;
constexpr unsigned kStandByCommand = ID_STANDBY;
constexpr unsigned kHibernateCommand = ID_HIBERNATE;

struct Schedule {
    bool enabled = false;
    // Month 0 (or day 0) marks a date or time that could not be read: never due.
    std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::string restart_to_name;
    bool force_terminate = false;
    bool show_warning = false;
    std::int32_t warning_timeout = 0;
    unsigned mode = kModeNone;

    // Not stored: the minute whose "Disabled" could not be written. The
    // status then still reads "Enabled", and this keeps the rest of that
    // minute from acting at every tick. After a good write the registry alone
    // decides, so a schedule enabled again within its minute fires again.
    bool disable_failed = false;
    std::uint16_t failed_moment[5] = {0, 0, 0, 0, 0};
};

// Fills `record` from the eight registry values. The mode is the one field
// that survives a load: a stored mode text that is none of the five leaves
// it as it was, so callers keep one record for the whole process.
void load_schedule(Schedule& record);

// Whether a schedule is pending, for the tray picture: only the status is
// re-read, which is all a full load would decide it by.
bool schedule_enabled();

// Whether `now` lies in the scheduled minute. The enabled flag is not asked:
// carrying out checks it, so only the first tick of the minute acts.
bool is_due(const Schedule& record, const platform::LocalTime& now);
// Loads the record, then asks the local clock.
bool schedule_due(Schedule& record);

// The two user-interface effects of carrying out, supplied by the Win32 side
// (and by the tests).
struct ScheduleUi {
    // Shows the countdown warning (the format holds one "%d") and returns the
    // box's result: kWarningButton (pressed, or the count ran out) and
    // kWarningNotShown go on; anything else aborts: Cancel, Escape, the close
    // box, and a box ended because the program is closing.
    std::function<int(const std::string& format, std::int32_t count)> warn;
    // Sends the main window a command and returns when it has been handled.
    std::function<void(unsigned command)> send_command;
};

// Loads the record and, when it is enabled, disables it in the registry
// first, warns when asked, then sends the mode's command.
void carry_out_schedule(Schedule& record, const bootmenu::BootMenu& menu, const ScheduleUi& ui);

// The main window's once-a-second call: true when the minute has come (the
// schedule was then carried out, if enabled).
bool schedule_tick(Schedule& record, const bootmenu::BootMenu& menu, const ScheduleUi& ui);

// The warning format for a mode, with its verb in both places; empty for none.
std::string warning_format(unsigned mode);

// The command a mode sends: an entry command for the two restarts (the entry
// count past the base when no entry carries the name), else the menu's own.
// False for the mode none.
bool schedule_command(const Schedule& record, const bootmenu::BootMenu& menu, unsigned* command);

// The stored text of a mode; empty for none, which later loads ignore.
std::string mode_text(unsigned mode);

struct ScheduleText {
    const char* name;
    std::string text;
};
// The eight values as the dialog stores them, in the order they are written.
std::vector<ScheduleText> schedule_texts(const Schedule& record);
// Writes the eight values; values missing from the registry stay missing.
void save_schedule(const Schedule& record);

}  // namespace vorlane::schedule
