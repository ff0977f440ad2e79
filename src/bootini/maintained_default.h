// The maintained default: with "Maintain default" on, a restart into another
// system is a one-time change. The current default's display name is saved in
// VORLANE.INI before BOOT.INI is rewritten, and written back at the next start.
#pragma once

#include <string>

#include "bootini/boot_table.h"

namespace vorlane::bootini {

constexpr const char* kDefaultVorlaneIni = "C:\\VORLANE.INI";
constexpr const char* kVorlaneCaption = "Vorlane";

// The registry value INI, or C:\VORLANE.INI when it is missing.
std::string vorlane_ini_path();

// True when `path` names the file that Filename names, however spelt:
// VORLANE.INI must never be BOOT.INI, which a save or a clear would overwrite.
bool names_boot_ini(const std::string& path);

// Writes "[Config]" and "Default=<current default name>" when `maintain` is on;
// shows the save message when the file cannot be written, which includes a
// VORLANE.INI the user made read-only and one that is BOOT.INI. An empty
// current default is never saved: the file is emptied instead.
void save_maintained_default(const BootTable& table, bool maintain);

struct SavedDefault {
    bool opened = false;     // VORLANE.INI could be opened
    std::string name;        // the saved text; empty when there is none
    std::size_t index = 0;   // the entry it names; the entry count when none
};
// What VORLANE.INI holds: the saved text and the last entry whose display
// name contains it. Silent.
SavedDefault saved_default(const BootTable& table);

// Makes the last entry whose display name contains the saved text the
// default, rewriting BOOT.INI only when it names another. A missing file shows
// the open message; an empty file, an empty saved name, or a last line too
// short to hold a name, means nothing to restore. Stays silent about a failed
// rewrite of BOOT.INI.
void restore_maintained_default(BootTable& table);

// Empties VORLANE.INI, so that nothing is restored at the next start; a
// read-only VORLANE.INI, and one that is BOOT.INI, are left as they are.
void clear_maintained_default();

}  // namespace vorlane::bootini
