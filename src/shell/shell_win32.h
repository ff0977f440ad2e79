// The Win32 side of the tray shell: the hidden main window, the tray icon and
// the pop-up menu. Each piece turns messages into calls on the portable shell
// (shell/app.h) and carries out the user-interface actions it returns.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/app.h"

namespace vorlane::shell {

constexpr UINT kTrayCallback = WM_APP + 100;
constexpr UINT kTrayIconId = 0;
constexpr UINT_PTR kTimerId = 100;
constexpr UINT kTimerPeriodMs = 1000;
constexpr const char* kMainWindowClass = "#32770";
constexpr const char* kMainWindowTitle = "About Vorlane";

// Process-wide state of tray mode.
extern App g_app;
extern HINSTANCE g_instance;

// The main window's dialog procedure (dialog 101).
INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Adds, modifies or deletes the one tray icon; the picture follows the
// schedule state. A null tip sends no NIF_TIP, so the shell keeps its tip.
void update_tray_icon(HWND window, DWORD operation, const char* tip);
// Composes the tooltip and applies it.
void refresh_tooltip(HWND window);
// Loads the first picture at the start of tray mode.
void load_first_tray_picture();
// Releases the last picture, at the end of tray mode.
void destroy_tray_picture();
// A system library's DllGetVersion as major << 16 | minor; 0 when it cannot be learned.
std::uint32_t shell_version(const char* library);
// The tip as the shell gets it: cut to the limit of that shell version, and
// never ending in half a double-byte character of the system's code page.
std::string tray_tip(const std::string& text, std::uint32_t shell_version);

// Builds the pop-up menu at the pointer, tracks it and destroys it.
void show_menu(HWND owner);
// Builds the pop-up menu as it is about to be shown and returns it; the
// caller destroys *loaded, which holds it and all its sub-menus.
HMENU build_menu(HMENU* loaded);

// The shell's folder browser, showing files too, opened on the file that the
// registry value names (1: Filename, 2: INI). Replaces `path` only when the
// user confirms an item that has a file-system path; a folder or drive then
// stands for BOOT.INI or VORLANE.INI in it.
void browse_for_file(const char* prompt, std::string& path, int which_file);
void locate_file(int which_file);

// The About box link: hand cursor, underlined font, browser colours, opening.
void link_setup(HWND link);
void link_paint(HWND link);
HBRUSH link_colour(HWND link, HDC dc, bool visited);
void link_open(HWND link);
void link_release();

// The scheduler's part of the main window. Once a second: when the scheduled
// minute has come, carries out the schedule (its warning, then the same
// command the menu sends) and returns true, so the tray picture is renewed.
bool schedule_tick(HWND main_window);
// The Schedule dialog, modal, owned by the main window.
void run_schedule_dialog(HWND owner);

// Registers the common controls the dialogs use, through InitCommonControlsEx
// when `library` (comctl32) has it; false when only the old controls could be.
bool init_common_controls(HMODULE library);

// The -i set-up: asks for BOOT.INI when no entries were found and offers to
// shorten a 30-second boot menu.
void boot_loader_setup();

}  // namespace vorlane::shell
