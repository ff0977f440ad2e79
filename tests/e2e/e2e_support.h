// Shared by the end-to-end tests: a world on the real registry and file system (each
// test program has a throwaway Wine prefix), and vorlane.exe started, watched and ended.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/check.h"

namespace e2e {

constexpr DWORD kLocked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr const char *kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run", *kSettings = "Software\\Ostrevan\\Vorlane";
inline std::string g_vorlane;

// A value of this type with these bytes, its key created if need be.
inline void set_bytes(HKEY root, const std::string& key, const char* name, DWORD type, const std::string& bytes) {
    HKEY handle = nullptr;
    CHECK(!RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    CHECK(!RegSetValueExA(handle, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size()));
    RegCloseKey(handle);
}
inline void set_value(HKEY root, const std::string& key, const char* name, const char* value) {  // null deletes
    HKEY handle = nullptr;
    if (value) set_bytes(root, key, name, REG_SZ, value + std::string(1, '\0'));
    else if (!RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle)) RegDeleteValueA(handle, name), RegCloseKey(handle);
}
inline void set_setting(const char* name, const char* value) { set_value(HKEY_CURRENT_USER, kSettings, name, value); }
inline void set_windows(const char* version) { set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", version); }

// A value's bytes exactly as stored; "" when missing.
inline std::string get_value(HKEY root, const std::string& key, const char* name) {
    HKEY handle = nullptr;
    char data[512] = {};
    DWORD size = sizeof data;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) || RegQueryValueExA(handle, name, 0, 0, (BYTE*)data, &size))
        size = 0;
    RegCloseKey(handle);
    return std::string(data, size);
}

inline std::string read(const std::string& path) {  // "" when missing
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}
inline void write(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    CHECK_MSG(std::ofstream(path, std::ios::binary) << bytes, path);
    CHECK(SetFileAttributesA(path.c_str(), attributes));
}

// XP, 2000 and Server on partitions 1 to 3: sorted by name they are 2000, Server, XP.
inline std::string boot_ini(int default_partition) {
    const std::string arc = "multi(0)disk(0)rdisk(0)partition(";
    return "[boot loader]\r\ntimeout=30\r\ndefault=" + arc + std::to_string(default_partition) +
           ")\\WINDOWS\r\n[operating systems]\r\n" + arc + "1)\\WINDOWS=\"Microsoft Windows XP Professional\" " +
           "/noexecute=optin /fastdetect\r\n" + arc + "2)\\WINDOWS=\"Microsoft Windows 2000 Professional\"\r\n" +
           arc + "3)\\WINDOWS=\"Microsoft Windows Server 2003, Standard\" /fastdetect\r\n";
}
const std::string kRestart = "ExitWindowsEx flags=2\r\n";

struct World { std::string boot_ini, vorlane_ini, power_log; };

// The power actions of the dry-run log, without the boot writes logged beside them.
inline std::string power(const World& world) {
    std::string out, text = read(world.power_log);
    for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
        end = std::min(text.find("\r\n", at), text.size());
        if (text.compare(at, 6, "Write ")) out += text.substr(at, end - at + 2);
    }
    return out;
}

// A fresh folder with BOOT.INI and an empty VORLANE.INI, no settings but their
// paths, no Run value, and the dry-run log named for child processes.
inline World make_world(const std::string& boot_ini, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    static int count = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = temp + ("e2e" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count)) + "\\";
    CHECK(CreateDirectoryA(folder.c_str(), nullptr));
    World world{folder + "BOOT.INI", folder + "VORLANE.INI", folder + "power.log"};
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettings);
    set_value(HKEY_CURRENT_USER, kRunKey, "Vorlane", nullptr);
    set_setting("Filename", world.boot_ini.c_str());
    set_setting("INI", world.vorlane_ini.c_str());
    write(world.boot_ini, boot_ini, attributes);
    write(world.vorlane_ini, "");
    SetEnvironmentVariableA("VORLANE_POWER_LOG", world.power_log.c_str());
    return world;
}

// The process's first top-level window of this class and title (any title when null).
inline HWND find(DWORD pid, const char* window_class, const char* title = "About Vorlane") {
    HWND window = nullptr;
    for (DWORD owner = 0; (window = FindWindowExA(nullptr, window, window_class, title));)
        if (GetWindowThreadProcessId(window, &owner), owner == pid) break;
    return window;
}

// The text of the process's shown "Vorlane" box, answered with OK (`answer`), which hides it at once; "" when none.
inline std::string box_text(DWORD pid, bool answer = true) {
    HWND box = find(pid, "#32770", "Vorlane");
    char text[1024] = {};
    if (!IsWindowVisible(box)) return "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    if (answer) SendMessageA(box, WM_COMMAND, IDOK, 0);
    return text;
}

// Long enough for a first start under Wine, which may have to start the desktop.
template <class Done>
bool until(Done done, DWORD timeout_ms = 20000) {
    for (DWORD begin = GetTickCount(); !done(); Sleep(20))
        if (GetTickCount() - begin > timeout_ms) return false;
    return true;
}

struct Child { PROCESS_INFORMATION info = {}; HWND main = nullptr; };

// Starts vorlane.exe (or another program); with `tray`, waits for its main window.
inline Child start(const std::string& arguments, bool tray = true, const std::string& program = g_vorlane) {
    Child child;
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {sizeof startup};
    CHECK(CreateProcessA(nullptr, &command[0], nullptr, nullptr, 0, 0, nullptr, nullptr, &startup, &child.info));
    CloseHandle(child.info.hThread);
    if (tray) until([&] { return (child.main = find(child.info.dwProcessId, "#32770")) != nullptr; });
    return child;
}

struct Ended { bool ended = false, tray = false; DWORD code = 1; std::vector<std::string> boxes; };

// Waits for the end, answering boxes; a main window means tray mode, so it is noted and closed.
inline Ended wait(Child& child) {
    Ended result;
    result.ended = until([&] {
        const std::string text = box_text(child.info.dwProcessId);
        if (!text.empty()) result.boxes.push_back(text);
        if (HWND main = find(child.info.dwProcessId, "#32770"))
            result.tray = result.tray || PostMessageA(main, WM_CLOSE, 0, 0);
        return WaitForSingleObject(child.info.hProcess, 0) == WAIT_OBJECT_0;
    });
    CHECK_MSG(result.ended, "vorlane.exe did not end in time");
    GetExitCodeProcess(child.info.hProcess, &result.code);
    TerminateProcess(child.info.hProcess, 1);
    CloseHandle(child.info.hProcess);
    return result;
}

inline Ended run(const std::string& arguments) { Child child = start(arguments, false); return wait(child); }

inline std::string windows_path(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;  // Wine maps the Unix root to Z:
}

// Wine's tray takes seconds to drop its last icon; one of ours is never the last.
inline void keep_tray_populated() {
    NOTIFYICONDATAA data = {NOTIFYICONDATAA_V2_SIZE};
    data.hWnd = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    data.uFlags = NIF_ICON;
    data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    CHECK(Shell_NotifyIconA(NIM_ADD, &data));
}

// main() of the programs that start vorlane.exe, named by a Unix path.
inline int run_cases(int argc, char** argv) {
    if (argc < 2) return 2;
    g_vorlane = windows_path(argv[1]);
    keep_tray_populated();
    return check::run_all(argc - 1, argv + 1);
}

}  // namespace e2e
