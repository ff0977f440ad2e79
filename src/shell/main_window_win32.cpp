#include <windows.h>
#include <shellapi.h>

#include "resource.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {

App g_app;
HINSTANCE g_instance = nullptr;

namespace {

UINT g_taskbar_created = 0;
bool g_link_visited = false;

// Vista and later keep the broadcasts of Explorer, which runs with fewer
// rights, from a program run as administrator (after the setup program, or for
// a boot manager's switches); without "TaskbarCreated" the icon stays lost
// once Explorer has restarted. Only that one message is let in. Looked up:
// Windows before Vista has no such filter.
void let_in_from_explorer(UINT message) {
    constexpr DWORD kMessageFilterAdd = 1;  // MSGFLT_ADD
    using Filter = BOOL(WINAPI*)(UINT, DWORD);
    const auto filter = reinterpret_cast<Filter>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilter")));
    if (filter) filter(message, kMessageFilterAdd);
}

void carry_out(HWND window, UiAction action) {
    switch (action) {
        case UiAction::quit: PostQuitMessage(0); break;
        case UiAction::show_about: ShowWindow(window, SW_SHOW); break;
        case UiAction::hide_about: ShowWindow(window, SW_HIDE); break;
        case UiAction::schedule_dialog:
            run_schedule_dialog(window);
            update_tray_icon(window, NIM_MODIFY, nullptr);
            break;
        case UiAction::locate_boot_ini:
            locate_file(1);
            reload_after_locate(g_app);
            break;
        case UiAction::locate_vorlane_ini: locate_file(2); break;
        case UiAction::open_link: {
            HWND link = GetDlgItem(window, IDC_LINK);
            g_link_visited = true;
            InvalidateRect(link, nullptr, TRUE);
            link_open(link);
            break;
        }
        case UiAction::none: break;
    }
}

void tray_event(HWND window, WPARAM id, LPARAM mouse) {
    if (id != kTrayIconId) return;
    switch (mouse) {
        case WM_MOUSEMOVE: refresh_tooltip(window); break;
        case WM_LBUTTONDBLCLK: carry_out(window, double_click_action(g_app)); break;
        case WM_RBUTTONUP:
            // Without the foreground the menu would not close when the user clicks elsewhere.
            SetForegroundWindow(window);
            show_menu(window);
            SetForegroundWindow(window);
            break;
        default: break;
    }
}

}  // namespace

INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            link_setup(GetDlgItem(window, IDC_LINK));
            SetTimer(window, kTimerId, kTimerPeriodMs, nullptr);
            g_taskbar_created = RegisterWindowMessageA("TaskbarCreated");
            if (g_taskbar_created) let_in_from_explorer(g_taskbar_created);
            return 0;
        case WM_TIMER:
            if (wparam == kTimerId && schedule_tick(window)) update_tray_icon(window, NIM_MODIFY, nullptr);
            return 0;
        case WM_PAINT:
            link_paint(GetDlgItem(window, IDC_LINK));
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lparam) == GetDlgItem(window, IDC_LINK))
                return reinterpret_cast<INT_PTR>(
                    link_colour(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam), g_link_visited));
            return 0;
        case kTrayCallback:
            tray_event(window, wparam, lparam);
            return 0;
        case WM_COMMAND:
            carry_out(window, dispatch_command(g_app, LOWORD(wparam)));
            return 0;
        default:
            if (g_taskbar_created && message == g_taskbar_created) {
                update_tray_icon(window, NIM_DELETE, nullptr);
                update_tray_icon(window, NIM_ADD, kTrayTip);
            }
            return 0;
    }
}

}  // namespace vorlane::shell
