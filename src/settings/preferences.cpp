#include "settings/preferences.h"

#include "bootini/maintained_default.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "settings/startup_task.h"

namespace vorlane::settings {
namespace {

const char* bool_text(bool on) { return on ? "True" : "False"; }

}  // namespace

int decode_double_click(const std::string& text, int previous) {
    if (text.empty() || text[0] == 'D') return kDoubleClickDisabled;
    if (text[0] == 'R') return kDoubleClickRestart;
    if (text[0] == 'S') return text.size() > 1 && text[1] == 'h' ? kDoubleClickShutdown : kDoubleClickSchedule;
    return previous;
}

void load_preferences(Preferences& prefs) {
    std::string maintain, run, sort, simplified, mode;
    read_setting("MaintainDefault", &maintain);
    // On Vista and later an older version's Run value still starts the program.
    prefs.run_at_startup = read_string(kRunKey, kRunValue, &run) || (startup_by_task() && startup_task_noted());
    read_setting("SortList", &sort);
    read_setting("UseSimplifiedMenu", &simplified);
    read_setting("DoubleClickMode", &mode);
    prefs.maintain_default = maintain == "True";
    prefs.sort_list = sort == "True";
    prefs.simplified_menu = simplified == "True";
    prefs.double_click = decode_double_click(mode, prefs.double_click);
}

void save_preferences(const Preferences& prefs) {
    static const char* const kModeTexts[] = {"Disabled", "Restart", "Shutdown", "Schedule"};
    write_setting("SortList", bool_text(prefs.sort_list));
    if (prefs.double_click >= kDoubleClickDisabled && prefs.double_click <= kDoubleClickSchedule)
        write_setting("DoubleClickMode", kModeTexts[prefs.double_click]);
    write_setting("MaintainDefault", bool_text(prefs.maintain_default));
    if (!prefs.maintain_default) bootini::clear_maintained_default();
    // On Vista and later the task is made and removed only by its own command.
    if (!startup_by_task()) {
        if (prefs.run_at_startup)
            set_string(kRunKey, kRunValue, platform::module_path());
        else
            delete_value(kRunKey, kRunValue);
    }
    write_setting("UseSimplifiedMenu", bool_text(prefs.simplified_menu));
}

}  // namespace vorlane::settings
