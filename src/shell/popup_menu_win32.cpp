#include <windows.h>

#include "resource.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {
namespace {

// Positions in the Advanced sub-menu that the simplified menu removes, last first.
constexpr UINT kAdvancedRemovals[] = {10, 9, 8, 7, 6, 4, 3, 2};

void trim_to_simplified(HMENU popup, UINT items_above) {
    for (UINT command : {ID_SHUTDOWN, ID_STANDBY, ID_HIBERNATE, ID_ABOUT})
        RemoveMenu(popup, command, MF_BYCOMMAND);
    RemoveMenu(popup, items_above, MF_BYPOSITION);
    HMENU advanced = GetSubMenu(popup, items_above + 1);
    if (!advanced) return;
    for (UINT position : kAdvancedRemovals) {
        // RemoveMenu leaves a sub-menu alive; the Double-click one is destroyed here.
        HMENU sub = GetSubMenu(advanced, position);
        RemoveMenu(advanced, position, MF_BYPOSITION);
        if (sub) DestroyMenu(sub);
    }
}

}  // namespace

HMENU build_menu(HMENU* loaded) {
    *loaded = LoadMenuA(g_instance, MAKEINTRESOURCEA(IDR_TRAYMENU));
    if (!*loaded) return nullptr;
    HMENU popup = GetSubMenu(*loaded, 0);

    const MenuPlan plan = plan_menu(g_app);
    for (UINT i = 0; i < plan.entries.size(); ++i)
        InsertMenuA(popup, i, MF_BYPOSITION | MF_STRING, plan.entries[i].second,
                    menu_text(plan.entries[i].first).c_str());
    if (plan.default_command) SetMenuDefaultItem(popup, plan.default_command, FALSE);
    if (plan.no_entries)
        InsertMenuA(popup, 0, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_ENTRY_BASE, kNoEntriesText);
    // Why a boot menu is missing, greyed above the entries; they command nothing.
    for (UINT i = 0; i < plan.notices.size(); ++i)
        InsertMenuA(popup, i, MF_BYPOSITION | MF_STRING | MF_GRAYED, 0, menu_text(plan.notices[i]).c_str());
    for (const auto& [command, checked] : plan.checks)
        CheckMenuItem(popup, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    for (unsigned command : plan.greyed) EnableMenuItem(popup, command, MF_BYCOMMAND | MF_GRAYED);
    if (plan.simplified)
        trim_to_simplified(popup, static_cast<UINT>(plan.notices.size()) +
                                      (plan.no_entries ? 1 : static_cast<UINT>(plan.entries.size())));
    return popup;
}

void show_menu(HWND owner) {
    POINT pointer;
    GetCursorPos(&pointer);
    HMENU loaded = nullptr;
    HMENU popup = build_menu(&loaded);
    if (popup) TrackPopupMenu(popup, 0, pointer.x, pointer.y, 0, owner, nullptr);
    if (loaded) DestroyMenu(loaded);  // takes the pop-up and its sub-menus with it
}

}  // namespace vorlane::shell
