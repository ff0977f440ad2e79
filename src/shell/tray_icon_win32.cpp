#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "platform/win32/system_library_win32.h"
#include "schedule/schedule.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {
namespace {

HICON g_tray_picture = nullptr;

HICON load_picture(unsigned id) {
    return static_cast<HICON>(
        LoadImageA(g_instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

}  // namespace

void load_first_tray_picture() {
    g_tray_picture = load_picture(tray_picture(false, g_app.new_shell));
}

void destroy_tray_picture() {
    if (g_tray_picture) DestroyIcon(g_tray_picture);
    g_tray_picture = nullptr;
}

std::uint32_t shell_version(const char* library) {
    HMODULE module = platform::load_system_library(library);
    if (!module) return 0;
    std::uint32_t version = 0;
    auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
    if (get_version) {
        DLLVERSIONINFO info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        if (SUCCEEDED(get_version(&info)))
            version = ((info.dwMajorVersion & 0xFFFF) << 16) | (info.dwMinorVersion & 0xFFFF);
    }
    FreeLibrary(module);
    return version;
}

std::string tray_tip(const std::string& text, std::uint32_t shell_version) {
    const std::string tip = cut_tip(text, shell_version);
    // The cut may have kept the first byte of a double-byte character (Japanese,
    // Chinese, Korean), which the shell would show broken. Walked from the start,
    // since a second byte can look like a first one.
    std::size_t whole = 0;
    while (whole < tip.size()) {
        const std::size_t next = whole + (IsDBCSLeadByte(static_cast<BYTE>(tip[whole])) ? 2 : 1);
        if (next > tip.size()) break;
        whole = next;
    }
    return tip.substr(0, whole);
}

void update_tray_icon(HWND window, DWORD operation, const char* tip) {
    destroy_tray_picture();
    g_tray_picture = load_picture(tray_picture(schedule::schedule_enabled(), g_app.new_shell));

    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    // The form with the 128-byte tip that every shell since 4.0 accepts; the
    // balloon fields stay zero.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = kTrayCallback;
    data.hIcon = g_tray_picture;
    if (tip) {
        data.uFlags |= NIF_TIP;
        const std::string text = tray_tip(tip, shell_version("shell32.dll"));
        std::memcpy(data.szTip, text.c_str(), text.size() + 1);
    }
    Shell_NotifyIconA(operation, &data);
}

void refresh_tooltip(HWND window) {
    update_tray_icon(window, NIM_MODIFY, tooltip_text(g_app).c_str());
}

}  // namespace vorlane::shell
