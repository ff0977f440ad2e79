// What the end-to-end tests share: a world on the real registry and file
// system (each run of a test program gets its own Wine prefix, so it may
// create keys the product itself never creates), starting vorlane.exe and
// waiting for it, and closing the message boxes it shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

constexpr const char* kSettingsKey = "Software\\Ostrevan\\Vorlane";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kBoxCaption = "Vorlane";
constexpr const char* kMainTitle = "About Vorlane";
constexpr const char* kDialogClass = "#32770";
constexpr const char* kMenuClass = "#32768";
constexpr UINT kTrayCallback = WM_APP + 100;
// Long enough for a first start under Wine, which may have to start the desktop.
constexpr DWORD kRunTimeoutMs = 20000;

// ---- Files and registry ----

struct World {
    std::string folder;  // ends with a backslash
    std::string boot_ini;
    std::string vorlane_ini;
    std::string power_log;
};

// A fresh folder with BOOT.INI (given bytes and attributes) and an empty
// VORLANE.INI; the settings key holds the first texts of every value, with
// Filename and INI pointing into the folder; no Run value; the dry-run log is
// named in this process's environment, so children inherit it.
World make_world(const std::string& boot_ini_bytes, DWORD boot_ini_attributes = FILE_ATTRIBUTE_NORMAL);

void set_setting(const char* name, const char* value);
void set_string(HKEY root, const char* subkey, const char* name, const char* value);
void delete_value(HKEY root, const char* subkey, const char* name);

bool read_file(const std::string& path, std::string* bytes);
void write_file(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// The file's lines without their CR LF; none when it does not exist.
std::vector<std::string> log_lines(const std::string& path);

// BOOT.INI in the sample's layout, naming `default_arc` as the default.
std::string sample_boot_ini(const std::string& default_arc);

bool running_under_wine();

// Wine's notification area takes two seconds to remove its last icon. An icon
// of the test program's own, added once, keeps the program's from being last.
void keep_tray_populated();

// ---- Windows of a process ----

struct Box {
    HWND window;
    std::string text;
};

// The first top-level window of the process with this class and title (any title when null).
HWND find_window(DWORD pid, const char* window_class, const char* title);

// Closes every "Vorlane" message box of the process with its OK button,
// recording each box once in `seen`.
void close_boxes(DWORD pid, std::vector<Box>& seen);

// ---- Starting the program ----

// The program under test (a Windows path), set by main from its argument.
extern std::string g_vorlane;
// Converts a Unix path, as CMake hands it over, for CreateProcess under Wine.
std::string windows_path(const std::string& path);

struct Child {
    HANDLE process = nullptr;
    DWORD pid = 0;
};

// Starts vorlane.exe with the text after its name. With `dry_run` off the
// power log is taken out of the environment; only "-b" is accepted then,
// since a real restart or shut-down would end the whole Wine session.
Child start(const std::string& arguments, bool dry_run = true);

struct Ended {
    bool ended = false;  // false: killed at the time-out
    DWORD exit_code = 0;
    bool main_window_seen = false;
    std::vector<Box> boxes;
};

// Waits for the child to end, closing its message boxes on the way. A main
// window that shows up (tray mode) is recorded and asked to close, so that a
// wrong tray mode fails fast instead of at the time-out.
Ended wait(Child& child, DWORD timeout_ms = kRunTimeoutMs);
Ended run(const std::string& arguments, bool dry_run = true);

// Waits for the child's main window; nullptr at the time-out.
HWND wait_for_main_window(const Child& child, DWORD timeout_ms = kRunTimeoutMs);
// Waits for a window of the child's process with this class; nullptr at the time-out.
HWND wait_for_window(const Child& child, const char* window_class, DWORD timeout_ms);
bool still_running(const Child& child);
// Ends a child that is left over after a failed case.
void kill(Child& child);

}  // namespace e2e
