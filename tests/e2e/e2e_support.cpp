#include "e2e/e2e_support.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "support/check.h"

namespace e2e {

std::string g_vorlane;

namespace {

constexpr const char* kPowerLogVariable = "VORLANE_POWER_LOG";
constexpr DWORD kPollMs = 20;

void helper_failed(const char* what, const std::string& detail, DWORD code) {
    char number[16];
    std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(code));
    check::fail(__FILE__, __LINE__, std::string("e2e: ") + what + " " + detail + " (error " + number + ")");
}

std::string window_text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string class_name(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct Search {
    DWORD pid;
    const char* window_class;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search.pid) return TRUE;
    if (class_name(window) != search.window_class) return TRUE;
    if (search.title && window_text(window) != search.title) return TRUE;
    search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> windows_of(DWORD pid, const char* window_class, const char* title) {
    Search search{pid, window_class, title, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The settings as scripts/vorlane-settings.reg first sets them.
const char* const kFirstTexts[][2] = {
    {"MaintainDefault", "False"},   {"SortList", "False"},
    {"UseSimplifiedMenu", "False"}, {"DoubleClickMode", "Disabled"},
    {"ScheduleStatus", "Disabled"}, {"ScheduleDate", "01/01/2007"},
    {"ScheduleTime", "00:00"},      {"ScheduleMode", "Restart"},
    {"ScheduleModeRestartToName", ""}, {"ScheduleForceTerminate", "False"},
    {"ScheduleShowWarning", "True"}, {"ScheduleShowWarningTimeout", "30"},
};

}  // namespace

// ---- Files and registry ----

void set_string(HKEY root, const char* subkey, const char* name, const char* value) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return helper_failed("RegCreateKeyExA", subkey, status);
    status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::strlen(value) + 1));
    if (status != ERROR_SUCCESS) helper_failed("RegSetValueExA", name, status);
    RegCloseKey(key);
}

void delete_value(HKEY root, const char* subkey, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    LONG status = RegDeleteValueA(key, name);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) helper_failed("RegDeleteValueA", name, status);
    RegCloseKey(key);
}

void set_setting(const char* name, const char* value) { set_string(HKEY_CURRENT_USER, kSettingsKey, name, value); }

bool read_file(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
    CloseHandle(file);
    return true;
}

void write_file(const std::string& path, const std::string& bytes, DWORD attributes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return helper_failed("CreateFileA", path, GetLastError());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        helper_failed("WriteFile", path, GetLastError());
    CloseHandle(file);
    if (!SetFileAttributesA(path.c_str(), attributes)) helper_failed("SetFileAttributesA", path, GetLastError());
}

std::vector<std::string> log_lines(const std::string& path) {
    std::string bytes;
    std::vector<std::string> lines;
    if (!read_file(path, &bytes)) return lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

World make_world(const std::string& boot_ini_bytes, DWORD boot_ini_attributes) {
    static int counter = 0;
    World world;
    char temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH) helper_failed("GetTempPathA", "", GetLastError());
    world.folder = temp;
    if (world.folder.empty() || world.folder.back() != '\\') world.folder += '\\';
    char name[64];
    std::snprintf(name, sizeof name, "vorlane-e2e-%lu-%d\\", static_cast<unsigned long>(GetCurrentProcessId()),
                  ++counter);
    world.folder += name;
    if (!CreateDirectoryA(world.folder.c_str(), nullptr)) helper_failed("CreateDirectoryA", world.folder, GetLastError());
    world.boot_ini = world.folder + "BOOT.INI";
    world.vorlane_ini = world.folder + "VORLANE.INI";
    world.power_log = world.folder + "power.log";

    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    delete_value(HKEY_CURRENT_USER, kRunKey, "Vorlane");
    for (const auto& value : kFirstTexts) set_setting(value[0], value[1]);
    set_setting("Filename", world.boot_ini.c_str());
    set_setting("INI", world.vorlane_ini.c_str());

    write_file(world.boot_ini, boot_ini_bytes, boot_ini_attributes);
    write_file(world.vorlane_ini, "");
    SetEnvironmentVariableA(kPowerLogVariable, world.power_log.c_str());
    return world;
}

std::string sample_boot_ini(const std::string& default_arc) {
    return "[boot loader]\r\n"
           "timeout=30\r\n"
           "default=" + default_arc + "\r\n"
           "[operating systems]\r\n"
           "multi(0)disk(0)rdisk(0)partition(1)\\WINNT=\"Microsoft Windows 2000 Professional\" /fastdetect\r\n"
           "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Microsoft Windows XP Professional\" "
           "/noexecute=optin /fastdetect\r\n"
           "multi(0)disk(0)rdisk(0)partition(3)\\WINDOWS=\"Microsoft Windows Server 2003, Standard\" /fastdetect\r\n";
}

bool running_under_wine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void keep_tray_populated() {
    HWND owner = CreateWindowA("STATIC", "e2e tray keeper", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = owner;
    data.uID = 1;
    data.uFlags = NIF_ICON;
    data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    if (!owner || !Shell_NotifyIconA(NIM_ADD, &data)) helper_failed("keep_tray_populated", "", GetLastError());
}

// ---- Windows of a process ----

HWND find_window(DWORD pid, const char* window_class, const char* title) {
    std::vector<HWND> found = windows_of(pid, window_class, title);
    return found.empty() ? nullptr : found.front();
}

void close_boxes(DWORD pid, std::vector<Box>& seen) {
    for (HWND box : windows_of(pid, kDialogClass, kBoxCaption)) {
        bool known = false;
        for (const Box& b : seen) known = known || b.window == box;
        if (known) continue;
        char text[1024] = {};
        // 0xFFFF is the message box's text control.
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen.push_back({box, text});
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

// ---- Starting the program ----

std::string windows_path(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    using ToDos = WCHAR*(CDECL*)(const char*);
    auto to_dos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (to_dos) {
        if (WCHAR* wide = to_dos(path.c_str())) {
            char narrow[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
            HeapFree(GetProcessHeap(), 0, wide);
            return narrow;
        }
    }
    // Wine maps the Unix root to Z: in every new prefix.
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

Child start(const std::string& arguments, bool dry_run) {
    Child child;
    if (!dry_run && arguments != "-b") {
        check::fail(__FILE__, __LINE__, "refusing to start vorlane.exe " + arguments + " without the dry run");
        return child;
    }
    char saved[MAX_PATH * 2] = {};
    const DWORD saved_length = GetEnvironmentVariableA(kPowerLogVariable, saved, sizeof saved);
    if (!dry_run) SetEnvironmentVariableA(kPowerLogVariable, nullptr);
    std::string command = "\"" + g_vorlane + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> writable(command.begin(), command.end());
    writable.push_back('\0');
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    if (CreateProcessA(g_vorlane.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        child.process = info.hProcess;
        child.pid = info.dwProcessId;
    } else {
        helper_failed("CreateProcessA", command, GetLastError());
    }
    if (!dry_run && saved_length > 0 && saved_length < sizeof saved) SetEnvironmentVariableA(kPowerLogVariable, saved);
    return child;
}

Ended wait(Child& child, DWORD timeout_ms) {
    Ended result;
    if (!child.process) return result;
    const DWORD begin = GetTickCount();
    bool close_sent = false;
    for (;;) {
        if (WaitForSingleObject(child.process, kPollMs) == WAIT_OBJECT_0) {
            result.ended = true;
            break;
        }
        close_boxes(child.pid, result.boxes);
        if (HWND main = find_window(child.pid, kDialogClass, kMainTitle)) {
            result.main_window_seen = true;
            if (!close_sent) PostMessageA(main, WM_CLOSE, 0, 0);
            close_sent = true;
        }
        if (GetTickCount() - begin > timeout_ms) {
            check::fail(__FILE__, __LINE__, "vorlane.exe did not end in time; killed");
            break;
        }
    }
    if (result.ended) GetExitCodeProcess(child.process, &result.exit_code);
    kill(child);
    return result;
}

Ended run(const std::string& arguments, bool dry_run) {
    Child child = start(arguments, dry_run);
    return wait(child);
}

HWND wait_for_window(const Child& child, const char* window_class, DWORD timeout_ms) {
    const DWORD begin = GetTickCount();
    while (child.process) {
        if (HWND found = find_window(child.pid, window_class, nullptr)) return found;
        if (GetTickCount() - begin > timeout_ms) break;
        if (WaitForSingleObject(child.process, kPollMs) == WAIT_OBJECT_0) break;
    }
    return nullptr;
}

HWND wait_for_main_window(const Child& child, DWORD timeout_ms) {
    const DWORD begin = GetTickCount();
    while (child.process) {
        if (HWND found = find_window(child.pid, kDialogClass, kMainTitle)) return found;
        if (GetTickCount() - begin > timeout_ms) break;
        if (WaitForSingleObject(child.process, kPollMs) == WAIT_OBJECT_0) break;
    }
    return nullptr;
}

bool still_running(const Child& child) {
    return child.process && WaitForSingleObject(child.process, 0) == WAIT_TIMEOUT;
}

void kill(Child& child) {
    if (!child.process) return;
    if (still_running(child)) {
        TerminateProcess(child.process, 1);
        WaitForSingleObject(child.process, 5000);
    }
    CloseHandle(child.process);
    child.process = nullptr;
}

}  // namespace e2e
