/* The smallest tray program: a hidden window and one tray icon
   ("baseline_tray"), or, with the argument "idle", an empty hidden window with
   a one-second timer and nothing else. Ends on WM_CLOSE. */
#include <windows.h>
#include <shellapi.h>
#include <string.h>

static int tray;

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        if (tray) {
            NOTIFYICONDATAA data;
            memset(&data, 0, sizeof data);
            data.cbSize = NOTIFYICONDATAA_V2_SIZE;
            data.hWnd = window;
            Shell_NotifyIconA(NIM_DELETE, &data);
        }
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    WNDCLASSA window_class;
    HWND window;
    MSG message;
    (void)previous, (void)show;
    tray = strstr(command_line, "idle") == NULL;
    memset(&window_class, 0, sizeof window_class);
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.lpszClassName = "BaselineTray";
    RegisterClassA(&window_class);
    window = CreateWindowA("BaselineTray", "Baseline", WS_OVERLAPPED, 0, 0, 0, 0, NULL, NULL, instance, NULL);
    if (tray) {
        NOTIFYICONDATAA data;
        memset(&data, 0, sizeof data);
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data.hWnd = window;
        data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
        data.uCallbackMessage = WM_APP + 100;
        data.hIcon = LoadIconA(NULL, IDI_APPLICATION);
        strcpy(data.szTip, "Baseline");
        Shell_NotifyIconA(NIM_ADD, &data);
    } else {
        SetTimer(window, 1, 1000, NULL);
    }
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
