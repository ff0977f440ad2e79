// The five preferences that the tray menu toggles, loaded from and saved to
// the settings key (and the Run key for run-at-startup).
#pragma once

#include <string>

namespace vorlane::settings {

enum DoubleClickMode { kDoubleClickDisabled = 0, kDoubleClickRestart = 1, kDoubleClickShutdown = 2,
                       kDoubleClickSchedule = 3 };

struct Preferences {
    bool maintain_default = false;
    bool run_at_startup = false;
    bool sort_list = false;
    bool simplified_menu = false;
    int double_click = kDoubleClickDisabled;
};

// Reads all five. A DoubleClickMode text that begins with none of the known
// capitals leaves the mode as it was.
void load_preferences(Preferences& prefs);

// Writes all five, ignoring every result; with Maintain default off it also
// empties VORLANE.INI. On Vista and later run at startup is left to
// change_startup_task (startup_task.h).
void save_preferences(const Preferences& prefs);

// The mode a DoubleClickMode text stands for, decided by its first letters.
int decode_double_click(const std::string& text, int previous);

}  // namespace vorlane::settings
