// The program's entry point: the start-up sequence, the command line, and
// tray mode with its message loop.
#include <windows.h>
#include <shellapi.h>

#include "resource.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {
namespace {

int run_tray_mode() {
    load_first_tray_picture();
    HWND window = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                     main_window_proc, 0);
    update_tray_icon(window, NIM_ADD, kTrayTip);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    update_tray_icon(window, NIM_DELETE, nullptr);
    KillTimer(window, kTimerId);
    DestroyWindow(window);
    destroy_tray_picture();
    link_release();
    return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace vorlane::shell

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    using namespace vorlane::shell;
    init_common_controls(GetModuleHandleA("comctl32.dll"));
    start_up(g_app);
    g_instance = instance;
    HWND running = FindWindowA(kMainWindowClass, kMainWindowTitle);

    switch (run_command_line(g_app, command_line ? command_line : "", running != nullptr)) {
        case Outcome::boot_loader_setup:
            boot_loader_setup();
            return 0;
        case Outcome::close_running_copy:
            SendMessageA(running, WM_CLOSE, 0, 0);
            return 0;
        case Outcome::replace_running_copy:
            // An elevated copy may send to the one it replaces, not the other way round.
            if (running) SendMessageA(running, WM_CLOSE, 0, 0);
            run_tray_mode();
            return 0;
        case Outcome::tray_mode:
            run_tray_mode();
            return 0;
        case Outcome::ended:
            break;
    }
    return 0;
}
