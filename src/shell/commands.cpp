#include "bootini/maintained_default.h"
#include "power/power.h"
#include "shell/app.h"
#include "shell/entry_command.h"

namespace vorlane::shell {
namespace {

void reload(App& app, bool sort) {
    bootini::load_boot_table(app.table);
    if (sort && app.prefs.sort_list) bootini::sort_entries(app.table);
    rebuild_menu(app);
}

// Tray mode's restart and shut-down. A refusal is shown with the system's
// reason: a pick has already rewritten BOOT.INI, and the user must not be left
// believing the machine is on its way into the chosen system.
void end_windows(std::uint32_t flags) {
    if (!power::exit_windows(flags, false)) power::show_refusal();
}

void entry_command(App& app, unsigned id) {
    const bool shift = platform::shift_held();
    if (id < kEntryCommandBase || id - kEntryCommandBase >= app.menu.entries.size()) return;
    // A failed switch has read the menus again already.
    if (!switch_default(app, id - kEntryCommandBase, shift)) return;
    if (shift)
        reload(app, true);
    else
        end_windows(power::kEwxReboot);
}

UiAction toggled(App& app, bool& preference) {
    preference = !preference;
    settings::save_preferences(app.prefs);
    return UiAction::none;
}

UiAction set_mode(App& app, int mode) {
    app.prefs.double_click = mode;
    settings::save_preferences(app.prefs);
    return UiAction::none;
}

}  // namespace

// The menus a machine shows in turn: the firmware's, whose Windows Boot Manager
// leads on to the boot manager's, whose "Earlier Version of Windows" leads on
// to BOOT.INI. Whichever are missing here drop out of the chain.
void rebuild_menu(App& app) {
    app.menu = bootmenu::chain({app.firmware.menu(), app.bcd.menu(), app.boot_ini.menu()});
}

bool switch_default(App& app, std::size_t index, bool shift) {
    if (index >= app.menu.entries.size()) return false;
    // Shift changes the default for good; otherwise Maintain default makes
    // the switch a one-time one.
    const bootmenu::Lasting lasting =
        shift || !app.prefs.maintain_default ? bootmenu::Lasting::always : bootmenu::Lasting::once;
    // A boot manager that must not be written from here may refuse before anything is written.
    std::string failure = app.bcd.refusal(app.menu.entries[index]);
    if (failure.empty() && bootmenu::choose(app.menu.entries[index], lasting, &failure)) return true;
    platform::message_box(failure + "\nThe computer will not be restarted.", kCaption,
                          platform::kMbOk | platform::kMbIconError);
    // A file or store that changed under the menu is shown as it is now.
    reload(app, true);
    return false;
}

UiAction double_click_action(App& app) {
    switch (app.prefs.double_click) {
        case settings::kDoubleClickRestart:
            bootini::save_maintained_default(app.table, app.prefs.maintain_default);
            end_windows(power::kEwxReboot);
            return UiAction::none;
        case settings::kDoubleClickShutdown:
            end_windows(app.shutdown_flags);
            return UiAction::none;
        case settings::kDoubleClickSchedule:
            return UiAction::schedule_dialog;
        default:
            return UiAction::none;
    }
}

void reload_after_locate(App& app) { reload(app, false); }

UiAction dispatch_command(App& app, unsigned id) {
    switch (id) {
        case IDOK_COMMAND: return double_click_action(app);
        case ID_EXIT:
            bootini::save_maintained_default(app.table, app.prefs.maintain_default);
            return UiAction::quit;
        case IDC_ABOUT_HIDE: return UiAction::hide_about;
        case ID_DOUBLECLICK_DISABLED: return set_mode(app, settings::kDoubleClickDisabled);
        case ID_DOUBLECLICK_RESTART: return set_mode(app, settings::kDoubleClickRestart);
        case ID_DOUBLECLICK_SHUTDOWN: return set_mode(app, settings::kDoubleClickShutdown);
        case ID_DOUBLECLICK_SCHEDULE: return set_mode(app, settings::kDoubleClickSchedule);
        case ID_SCHEDULE: return UiAction::schedule_dialog;
        case IDC_LINK: return UiAction::open_link;
        case ID_MAINTAIN_DEFAULT: return toggled(app, app.prefs.maintain_default);
        case ID_LOCATE_BOOTINI: return UiAction::locate_boot_ini;
        case ID_LOCATE_VORLANEINI: return UiAction::locate_vorlane_ini;
        case ID_SORT_LIST:
            toggled(app, app.prefs.sort_list);
            reload(app, true);
            return UiAction::none;
        case ID_SHUTDOWN: end_windows(app.shutdown_flags); return UiAction::none;
        case ID_ABOUT: return UiAction::show_about;
        case ID_STANDBY: power::suspend(false); return UiAction::none;
        case ID_HIBERNATE: power::suspend(true); return UiAction::none;
        case ID_SIMPLIFIED_MENU: return toggled(app, app.prefs.simplified_menu);
        case ID_RUN_AT_STARTUP: return toggled(app, app.prefs.run_at_startup);
        default: entry_command(app, id); return UiAction::none;
    }
}

}  // namespace vorlane::shell
