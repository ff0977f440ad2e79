#include "bootini/maintained_default.h"
#include "power/power.h"
#include "settings/startup_task.h"
#include "shell/app.h"
#include "shell/entry_command.h"

namespace vorlane::shell {
namespace {

constexpr std::uint32_t kErrorCancelled = 1223;  // the consent prompt was declined

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
    const bootmenu::Entry& entry = app.menu.entries[id - kEntryCommandBase];
    // Behind a menu Windows hides from this copy: an elevated one makes the
    // pick (with Shift, it only shows every menu, to pick from again).
    if (entry.elevate && !platform::process_elevated()) {
        start_elevated(shift ? "-e" : "-r \"" + entry.name + "\"");
        return;
    }
    // A failed switch has read the menus again already.
    if (!switch_default(app, id - kEntryCommandBase, shift)) return;
    if (shift) {
        reload(app, true);
    } else if (!power::exit_windows(power::kEwxReboot, false)) {
        power::show_refusal();
        // The switch stands: the menu shows it, a one-time one as pending.
        reload(app, true);
    }
}

UiAction toggled(App& app, bool& preference) {
    preference = !preference;
    settings::save_preferences(app.prefs);
    return UiAction::none;
}

// Vista and later: the task, which only an elevated copy may make or remove.
// The check mark changes only with the task; declining the prompt changes nothing.
UiAction toggle_startup_task(App& app) {
    const bool on = !app.prefs.run_at_startup;
    std::string failure;
    switch (settings::change_startup_task(on, &failure)) {
        case settings::StartupChange::done: app.prefs.run_at_startup = on; break;
        case settings::StartupChange::declined: break;
        case settings::StartupChange::failed:
            platform::message_box(failure, kCaption, platform::kMbOk | platform::kMbIconError);
            break;
        case settings::StartupChange::not_removed:
            if (platform::message_box(failure + "\n\nIf the task was removed already, Vorlane no longer starts at "
                                                "logon. Take the check mark off?",
                                      kCaption, platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes) {
                settings::forget_startup_task();
                app.prefs.run_at_startup = false;
            }
            break;
    }
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

void cancel_one_time_start(App& app) {
    std::string failure;
    if (!bootmenu::cancel({&app.firmware, &app.bcd, &app.boot_ini}, &failure))
        platform::message_box(failure, kCaption, platform::kMbOk | platform::kMbIconError);
    reload(app, true);
}

bool start_elevated(const std::string& arguments) {
    if (platform::start_program(platform::module_path(), arguments, true)) return true;
    const std::uint32_t error = platform::last_error();
    if (error != kErrorCancelled)
        platform::message_box("The program wasn't able to start itself with administrator rights.\n\n" +
                                  platform::error_reason(error),
                              kCaption, platform::kMbOk | platform::kMbIconError);
    return false;
}

bool switch_default(App& app, std::size_t index, bool shift) {
    if (index >= app.menu.entries.size()) return false;
    if (app.menu.entries[index].elevate) {
        // Even elevated, a menu every boot passes through could not be read.
        platform::message_box("A boot menu that every start passes through could not be read, so \"" +
                                  app.menu.entries[index].name + "\" cannot be chosen from here.\n"
                                  "The computer will not be restarted.",
                              kCaption, platform::kMbOk | platform::kMbIconError);
        return false;
    }
    // Shift changes the default for good; otherwise Maintain default makes
    // the switch a one-time one. BOOT.INI keeps its default in VORLANE.INI
    // with Shift too, as it always has.
    bootmenu::Choice choice;
    choice.lasting = shift || !app.prefs.maintain_default ? bootmenu::Lasting::always : bootmenu::Lasting::once;
    choice.maintain_default = app.prefs.maintain_default;
    choice.name = app.menu.entries[index].name;
    std::string failure;
    if (bootmenu::choose(app.menu.entries[index], choice, &failure)) return true;
    platform::message_box(failure + "\nThe computer will not be restarted.", kCaption,
                          platform::kMbOk | platform::kMbIconError);
    // A file or store that changed under the menu is shown as it is now.
    reload(app, true);
    return false;
}

namespace {

// A restart without a switch; BOOT.INI's maintained default is kept as for any restart.
void plain_restart(App& app) {
    bootini::save_maintained_default(app.table, app.prefs.maintain_default);
    end_windows(power::kEwxReboot);
}

}  // namespace

UiAction double_click_action(App& app) {
    switch (app.prefs.double_click) {
        case settings::kDoubleClickRestart:
            plain_restart(app);
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
        case ID_RESTART: plain_restart(app); return UiAction::none;
        case ID_CANCEL_ONE_TIME: cancel_one_time_start(app); return UiAction::none;
        case ID_SHOW_EVERY_MENU: start_elevated("-e"); return UiAction::none;
        case ID_ABOUT: return UiAction::show_about;
        case ID_STANDBY: power::suspend(false); return UiAction::none;
        case ID_HIBERNATE: power::suspend(true); return UiAction::none;
        case ID_SIMPLIFIED_MENU: return toggled(app, app.prefs.simplified_menu);
        case ID_RUN_AT_STARTUP:
            return settings::startup_by_task() ? toggle_startup_task(app) : toggled(app, app.prefs.run_at_startup);
        default: entry_command(app, id); return UiAction::none;
    }
}

}  // namespace vorlane::shell
