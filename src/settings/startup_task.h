// Run at startup on Vista and later: a scheduled task at the user's logon that
// runs with the highest rights he has, so an administrator's copy starts
// elevated without a prompt and reads every boot menu. Windows' own schtasks
// makes and removes it; the Run value stays the way for 98 to 2003.
#pragma once

#include <string>

namespace vorlane::settings {

// Under the settings key: the name of the task this program made, present
// from its making to its removal. Wine's schtasks cannot be asked whether a
// task exists, and a standard user may not read the task folder, so the
// check mark goes by this note.
constexpr const char* kStartupTaskValue = "StartupTask";
// Names its file for schtasks /XML in %TEMP%; removed once schtasks has read it.
constexpr const char* kTaskFileName = "Vorlane-task.xml";

// NT 6.0 and later start the program by the task.
bool startup_by_task();

// One task per user, named the same by every version and by the setup program.
std::string startup_task_name(const std::string& user_sid);

// The task's definition as schtasks /XML reads it: UTF-16LE with a byte-order
// mark. `command` is the program's full path in the ANSI code page.
std::string startup_task_xml(const std::string& user_sid, const std::string& command);

// Whether the task is noted as made (see kStartupTaskValue).
bool startup_task_noted();

enum class StartupChange {
    done,         // made or removed, and noted so; any Run value is gone too
    declined,     // the consent prompt was declined: nothing changed
    failed,       // nothing changed; `failure` says why
    not_removed,  // schtasks /Delete failed, perhaps because the task is gone already; `failure` says so
};
// Makes the task (on) or removes it (off) with schtasks, asking for elevation
// with the consent prompt when this copy does not have it.
StartupChange change_startup_task(bool on, std::string* failure);
// Drops the note and any Run value without asking schtasks.
void forget_startup_task();

}  // namespace vorlane::settings
