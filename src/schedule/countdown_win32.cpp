#include "schedule/countdown_win32.h"

#include "schedule/countdown.h"

namespace vorlane::schedule {
namespace {

constexpr UINT_PTR kTickTimerId = 1;
constexpr UINT kTickMs = 1000;
// The message box's text control.
constexpr int kBoxTextId = 0xFFFF;
constexpr const char* kDialogClass = "#32770";

// One countdown at a time; the hook and the timer reach it only through here.
struct CountdownState {
    HWND box = nullptr;
    UINT_PTR timer = 0;
    int button = 0;
    Countdown* countdown = nullptr;
    HHOOK hook = nullptr;
};
CountdownState g_state;

VOID CALLBACK tick(HWND window, UINT, UINT_PTR, DWORD) {
    HWND text = GetDlgItem(window, kBoxTextId);
    if (!text || !g_state.countdown) return;
    const bool press = g_state.countdown->tick();
    if (press) SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(g_state.button), 0);
    if (IsWindow(text)) SetWindowTextA(text, g_state.countdown->text().c_str());
}

bool is_dialog_window(HWND window) {
    char name[16] = {0};
    return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, kDialogClass) == 0;
}

LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wparam);
        // The first dialog window activated is the box. Other windows of the
        // thread (the tray menu, the Schedule dialog) may come and go while it
        // is open; they must neither take the timer nor stop it.
        if (!g_state.box && is_dialog_window(window)) g_state.box = window;
        if (window == g_state.box) g_state.timer = SetTimer(g_state.box, kTickTimerId, kTickMs, tick);
        return 0;
    }
    if (code == HCBT_DESTROYWND) {
        if (g_state.box && reinterpret_cast<HWND>(wparam) == g_state.box && g_state.timer) {
            KillTimer(g_state.box, g_state.timer);
            g_state.timer = 0;
        }
        return 0;
    }
    return CallNextHookEx(g_state.hook, code, wparam, lparam);
}

// The quit message ends a modal loop, which posts it again for the loop
// outside; PM_NOREMOVE leaves it there for that loop.
bool quit_pending() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

int countdown_box(HWND owner, const std::string& format, const char* caption, UINT style,
                  std::int32_t count, int button) {
    Countdown countdown(format, count);
    g_state = CountdownState();
    g_state.countdown = &countdown;
    g_state.button = button;
    // Without the hook the box still shows; it just waits for the user.
    g_state.hook = SetWindowsHookExA(WH_CBT, hook, nullptr, GetCurrentThreadId());
    int result = MessageBoxA(owner, countdown.text().c_str(), caption, style);
    // The quit message (Exit, or a close request from another start) also
    // ends the box: with 0 on Windows, with the default button under Wine.
    // The program is closing, and that must never count as the OK that
    // carries out the action. A box that was shown cannot end with 0 otherwise.
    if (quit_pending() || (result == 0 && g_state.box)) result = IDCANCEL;
    if (g_state.hook) UnhookWindowsHookEx(g_state.hook);
    if (g_state.timer && g_state.box && IsWindow(g_state.box)) KillTimer(g_state.box, g_state.timer);
    g_state = CountdownState();
    return result;
}

}  // namespace vorlane::schedule
