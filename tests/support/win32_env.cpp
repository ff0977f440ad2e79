// The contract tests' world on the real registry and file system. Unlike the
// product, it creates keys. A world it cannot build fails the running case, with the system's reason.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "support/check.h"
#include "support/test_env.h"

namespace vorlane::testenv {
namespace {

void failed(const char* what, const std::string& detail, long code) {
    check::fail(__FILE__, __LINE__, std::string("win32_env: ") + what + " " + detail + ": " + std::to_string(code));
}

std::string sandbox_folder() {
    char temp[MAX_PATH + 1] = {};
    if (!GetTempPathA(MAX_PATH, temp)) failed("GetTempPathA", "", GetLastError());
    return std::string(temp) + "vorlane-test-" + std::to_string(GetCurrentProcessId()) + "\\";
}

}  // namespace

void reset() {
    // RegDeleteKey refuses a key with subkeys: no test makes one, and it would fail here.
    const LONG rc = RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) failed("RegDeleteKeyA", kSettingsKey, rc);
    for (const char* subkey : {kSettingsKey, kRunKey}) {
        put_value(subkey, "Vorlane", platform::kRegSz, "");  // creates the key
        remove_value(subkey, "Vorlane");
    }
    CreateDirectoryA(sandbox_folder().c_str(), nullptr);  // kept from one reset to the next
    for (const std::string& name : sandbox_files()) {
        SetFileAttributesA(path(name).c_str(), FILE_ATTRIBUTE_NORMAL);  // DeleteFile refuses read-only files
        if (!DeleteFileA(path(name).c_str())) failed("DeleteFileA", path(name), GetLastError());
    }
    SetEnvironmentVariableA("VORLANE_POWER_LOG", nullptr);
    reset_ui();
}

std::string path(const std::string& name) { return sandbox_folder() + name; }

std::vector<std::string> sandbox_files() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((sandbox_folder() + "*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void put_file(const std::string& p, const std::string& bytes, std::uint32_t attributes) {
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);  // else an earlier put's attributes refuse the write
    if (!std::ofstream(p, std::ios::binary).write(bytes.data(), bytes.size()).flush())
        failed("put_file", p, GetLastError());
    if (!SetFileAttributesA(p.c_str(), attributes)) failed("SetFileAttributesA", p, GetLastError());
}

bool get_file(const std::string& p, std::string* bytes) {
    std::ifstream in(p, std::ios::binary);
    if (in && bytes) bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return static_cast<bool>(in);
}


void put_value(const std::string& subkey, const std::string& name, std::uint32_t type, const std::string& bytes) {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, subkey.c_str(), &key);  // without a key, RegSetValueEx fails below
    const std::string data = bytes + '\1';  // else NT adds the terminator a string value lacks
    LONG rc = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), bytes.size());
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) failed("put_value", subkey + "\\" + name, rc);
}

bool get_value(const std::string& subkey, const std::string& name, std::uint32_t* type, std::string* bytes) {
    HKEY key = nullptr;
    DWORD value_type = 0, size = 0;
    RegOpenKeyA(HKEY_CURRENT_USER, subkey.c_str(), &key);  // without a key, the queries fail
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    std::string data(size, '\0');
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &value_type, reinterpret_cast<BYTE*>(&data[0]), &size);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && type) *type = value_type;
    if (rc == ERROR_SUCCESS && bytes) *bytes = data.substr(0, size);
    return rc == ERROR_SUCCESS;
}

void remove_value(const std::string& subkey, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, subkey.c_str(), &key) == ERROR_SUCCESS) RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

void set_env(const std::string& name, const std::string& value) {
    if (!SetEnvironmentVariableA(name.c_str(), value.c_str())) failed("SetEnvironmentVariableA", name, GetLastError());
}

}  // namespace vorlane::testenv
