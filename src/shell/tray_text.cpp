#include "power/power.h"
#include "shell/app.h"

namespace vorlane::shell {

unsigned tray_picture(bool schedule_enabled, bool new_shell) {
    if (schedule_enabled) return new_shell ? IDI_TRAY_SCHEDULE_NEW : IDI_TRAY_SCHEDULE_OLD;
    return new_shell ? IDI_TRAY_NEW : IDI_TRAY_OLD;
}

std::size_t tip_limit(std::uint32_t shell_version) { return shell_version >= 0x50000 ? 128 : 64; }

std::string cut_tip(const std::string& text, std::uint32_t shell_version) {
    // The tip is a C string: it ends at a zero byte, and keeps room for one.
    const std::string c_text = text.substr(0, text.find('\0'));
    return c_text.substr(0, tip_limit(shell_version) - 1);
}

std::string tooltip_text(const App& app) {
    static const char* const kHints[] = {"Double-click disabled", "Double-click to restart",
                                         "Double-click to shutdown", "Double-click to edit schedule"};
    const int mode = app.prefs.double_click;
    const std::string hint = mode >= 0 && mode <= 3 ? kHints[mode] : kHints[0];
    std::string name = app.menu.entries.empty() ? kNoEntriesText : app.menu.default_name;
    if (!app.menu.pending.empty()) name = kPendingText + app.menu.pending;
    // No default to name (none of the menu's entries is it): the hint alone.
    if (name.empty()) return hint;
    return app.new_shell ? name + "\n" + hint : name + " (" + hint + ")";
}

std::string menu_text(const std::string& name) {
    std::string text;
    // "&" is never the second byte of a double-byte character, so bytes will do.
    for (char c : name) {
        if (c == '&') text += '&';
        text += c;
    }
    return text;
}

MenuPlan plan_menu(App& app) {
    MenuPlan plan;
    plan.notices = app.menu.notices;
    plan.show_every_menu = app.menu.refused && !platform::process_elevated();
    if (!app.menu.pending.empty()) plan.pending = kPendingText + app.menu.pending;
    const auto& entries = app.menu.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned command = kEntryCommandBase + static_cast<unsigned>(i);
        plan.entries.emplace_back(entries[i].name, command);
        if (i == app.menu.default_index) plan.default_command = command;
    }
    plan.no_entries = entries.empty();
    plan.notices = app.menu.notices;

    settings::load_preferences(app.prefs);
    const auto& p = app.prefs;
    plan.checks = {
        {ID_MAINTAIN_DEFAULT, p.maintain_default},
        {ID_RUN_AT_STARTUP, p.run_at_startup},
        {ID_SORT_LIST, p.sort_list},
        {ID_SIMPLIFIED_MENU, p.simplified_menu},
        {ID_DOUBLECLICK_DISABLED, p.double_click == settings::kDoubleClickDisabled},
        {ID_DOUBLECLICK_RESTART, p.double_click == settings::kDoubleClickRestart},
        {ID_DOUBLECLICK_SHUTDOWN, p.double_click == settings::kDoubleClickShutdown},
        {ID_DOUBLECLICK_SCHEDULE, p.double_click == settings::kDoubleClickSchedule},
    };
    if (!power::standby_allowed()) plan.greyed.push_back(ID_STANDBY);
    if (!power::hibernate_allowed()) plan.greyed.push_back(ID_HIBERNATE);
    plan.simplified = p.simplified_menu;
    return plan;
}

}  // namespace vorlane::shell
