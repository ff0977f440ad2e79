#include "power/power.h"
#include "shell/app.h"

namespace vorlane::shell {

unsigned tray_picture(bool schedule_enabled, bool new_shell) {
    if (schedule_enabled) return new_shell ? kPictureScheduleNew : kPictureScheduleOld;
    return new_shell ? kPictureNew : kPictureOld;
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
    const std::string name = app.table.entries.empty() ? kNoEntriesText : app.table.current_default;
    return app.new_shell ? name + "\n" + hint : name + " (" + hint + ")";
}

MenuPlan plan_menu(App& app) {
    MenuPlan plan;
    const auto& entries = app.table.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned command = kEntryCommandBase + static_cast<unsigned>(i);
        plan.entries.emplace_back(entries[i].name, command);
        // One default item per menu: of several equal names the last one wins.
        if (entries[i].name == app.table.current_default) plan.default_command = command;
    }
    plan.no_entries = entries.empty();

    settings::load_preferences(app.prefs);
    const auto& p = app.prefs;
    plan.checks = {
        {kCmdMaintainDefault, p.maintain_default},
        {kCmdRunAtStartup, p.run_at_startup},
        {kCmdSortList, p.sort_list},
        {kCmdSimplifiedMenu, p.simplified_menu},
        {kCmdDoubleClickDisabled, p.double_click == settings::kDoubleClickDisabled},
        {kCmdDoubleClickRestart, p.double_click == settings::kDoubleClickRestart},
        {kCmdDoubleClickShutdown, p.double_click == settings::kDoubleClickShutdown},
        {kCmdDoubleClickSchedule, p.double_click == settings::kDoubleClickSchedule},
    };
    if (!power::standby_allowed()) plan.greyed.push_back(kCmdStandby);
    if (!power::hibernate_allowed()) plan.greyed.push_back(kCmdHibernate);
    plan.simplified = p.simplified_menu;
    return plan;
}

}  // namespace vorlane::shell
