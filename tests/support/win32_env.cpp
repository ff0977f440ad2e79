// The contract tests' world on the real Win32 registry and file system (run
// under Wine by ctest), plus recording versions of message_box and shift_held
// so that no test ever shows a window or depends on the keyboard.
//
// Unlike the product, this file may create registry keys: reset() builds the
// world the tests expect.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/check.h"
#include "support/test_env.h"

namespace vorlane::testenv {

namespace {

// Deepest folder nesting the sandbox cleaner descends into.
constexpr int kMaxFolderDepth = 16;
// Largest registry value get_value() accepts: the registry's own limit is far
// above anything a test writes.
constexpr DWORD kMaxValueBytes = 1u << 20;

std::vector<Box> g_boxes;
int g_answer = IDOK;
bool g_shift = false;

// A helper that cannot do its job makes the running case fail, with the
// system's reason, instead of letting it go on in a world it did not set up.
void helper_failed(const char* what, const std::string& detail, DWORD code) {
    char number[16];
    std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(code));
    check::fail(__FILE__, __LINE__, std::string("win32_env: ") + what + " " + detail + " (error " + number + ")");
}

std::string sandbox_folder() {
    static std::string folder;
    if (folder.empty()) {
        char temp[MAX_PATH + 1] = {};
        DWORD n = GetTempPathA(MAX_PATH, temp);
        if (n == 0 || n > MAX_PATH) {
            helper_failed("GetTempPathA", "", GetLastError());
            folder = "C:\\";
        } else {
            folder.assign(temp, n);
        }
        if (folder.back() != '\\') folder += '\\';
        char name[48];
        std::snprintf(name, sizeof name, "vorlane-test-%lu\\", static_cast<unsigned long>(GetCurrentProcessId()));
        folder += name;
    }
    return folder;
}

// Empties `folder` (ending in a backslash), read-only files included.
void empty_folder(const std::string& folder, int depth) {
    if (depth > kMaxFolderDepth) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = folder + name;
        // DeleteFile and RemoveDirectory refuse read-only entries.
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            empty_folder(full + "\\", depth + 1);
            if (!RemoveDirectoryA(full.c_str())) helper_failed("RemoveDirectoryA", full, GetLastError());
        } else if (!DeleteFileA(full.c_str())) {
            helper_failed("DeleteFileA", full, GetLastError());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void remove_sandbox() {
    std::string folder = sandbox_folder();
    empty_folder(folder, 0);
    RemoveDirectoryA(folder.c_str());
}

// RegDeleteKey refuses a key with subkeys on NT, so delete those first.
void delete_key_tree(HKEY parent, const std::string& subkey, int depth) {
    if (depth > kMaxFolderDepth) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, subkey.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    std::string previous;
    for (;;) {
        char name[256];  // registry key names are at most 255 characters
        DWORD size = sizeof name;
        // Always index 0: the one before is gone, unless it could not be
        // deleted, in which case it comes back and the loop must stop.
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (name == previous) break;
        previous = name;
        delete_key_tree(key, name, depth + 1);
    }
    RegCloseKey(key);
    LONG rc = RegDeleteKeyA(parent, subkey.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) helper_failed("RegDeleteKeyA", subkey, rc);
}

HKEY create_key(const std::string& subkey) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        helper_failed("RegCreateKeyExA", subkey, rc);
        return nullptr;
    }
    return key;
}

}  // namespace

void reset() {
    delete_key_tree(HKEY_CURRENT_USER, kSettingsKey, 0);
    if (HKEY key = create_key(kSettingsKey)) RegCloseKey(key);
    if (HKEY key = create_key(kRunKey)) {
        RegDeleteValueA(key, "Vorlane");
        RegCloseKey(key);
    }

    static bool cleanup_registered = false;
    if (!cleanup_registered) {
        cleanup_registered = true;
        std::atexit(remove_sandbox);
    }
    std::string folder = sandbox_folder();
    empty_folder(folder, 0);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        helper_failed("CreateDirectoryA", folder, GetLastError());

    SetEnvironmentVariableA("VORLANE_POWER_LOG", nullptr);
    g_boxes.clear();
    g_answer = IDOK;
    g_shift = false;
}

std::string path(const std::string& name) { return sandbox_folder() + name; }

std::vector<std::string> sandbox_files() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((sandbox_folder() + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void put_file(const std::string& p, const std::string& bytes, std::uint32_t attributes) {
    // An earlier put may have left it read-only, hidden or system, all of which
    // CREATE_ALWAYS with normal attributes refuses.
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        helper_failed("put_file: CreateFileA", p, GetLastError());
        return;
    }
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD code = GetLastError();
    CloseHandle(h);
    if (!ok || written != bytes.size()) helper_failed("put_file: WriteFile", p, code);
    if (!SetFileAttributesA(p.c_str(), attributes)) helper_failed("put_file: SetFileAttributesA", p, GetLastError());
}

bool get_file(const std::string& p, std::string* bytes) {
    HANDLE h = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(h);
    if (bytes) bytes->swap(content);
    return true;
}

bool file_exists(const std::string& p) {
    DWORD attributes = GetFileAttributesA(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void put_value(const std::string& subkey, const std::string& name, std::uint32_t type, const std::string& bytes) {
    HKEY key = create_key(subkey);
    if (!key) return;
    // A non-zero byte after the data, or NT adds the terminator of a string
    // value written without one: the value must hold exactly these bytes.
    std::vector<BYTE> data(bytes.begin(), bytes.end());
    data.push_back(1);
    LONG rc = RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) helper_failed("RegSetValueExA", subkey + "\\" + name, rc);
}

bool get_value(const std::string& subkey, const std::string& name, std::uint32_t* type, std::string* bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD value_type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &value_type, nullptr, &size);
    std::vector<BYTE> data;
    // The size may grow between the two calls only if someone else writes;
    // one retry with the new size covers that.
    for (int attempt = 0; rc == ERROR_SUCCESS && attempt < 2; ++attempt) {
        if (size > kMaxValueBytes) {
            rc = ERROR_MORE_DATA;
            break;
        }
        data.resize(size + 1);
        DWORD got = size;
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &value_type, data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            break;
        }
        if (rc == ERROR_MORE_DATA) {
            size = got;
            rc = ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return false;
    if (type) *type = value_type;
    if (bytes) bytes->assign(data.begin(), data.end());
    return true;
}

void remove_value(const std::string& subkey, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

void set_env(const std::string& name, const std::string& value) {
    if (!SetEnvironmentVariableA(name.c_str(), value.c_str()))
        helper_failed("SetEnvironmentVariableA", name, GetLastError());
}

void unset_env(const std::string& name) { SetEnvironmentVariableA(name.c_str(), nullptr); }

const std::vector<Box>& boxes() { return g_boxes; }
void answer_boxes_with(int answer) { g_answer = answer; }
void set_shift(bool held) { g_shift = held; }

}  // namespace vorlane::testenv

namespace vorlane::platform {

int message_box(const std::string& text, const std::string& caption, std::uint32_t style) {
    testenv::g_boxes.push_back(testenv::Box{text, caption, style});
    return testenv::g_answer;
}

bool shift_held() { return testenv::g_shift; }

}  // namespace vorlane::platform
