// The tests' own bcdedit.exe, copied into the prefix's System32: appends its
// arguments to the file VORLANE_BCDEDIT_LOG names and applies "/bootsequence
// {guid}" and "/default {guid}" to the store's plain keys under
// HKLM\BCD00000000. VORLANE_BCDEDIT_MODE "fail" ends with 1 at once, "mute"
// with 0 having written nothing.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    const char* log = std::getenv("VORLANE_BCDEDIT_LOG");
    const char* mode = std::getenv("VORLANE_BCDEDIT_MODE");
    std::string line;
    for (int i = 1; i < argc; ++i) line += (i > 1 ? " " : "") + std::string(argv[i]);
    if (log) std::ofstream(log, std::ios::app | std::ios::binary) << line << "\r\n";
    if (mode && !std::strcmp(mode, "fail")) return 1;
    if ((mode && !std::strcmp(mode, "mute")) || argc != 3) return 0;
    const bool once = !std::strcmp(argv[1], "/bootsequence");
    if (!once && std::strcmp(argv[1], "/default")) return 1;
    std::string data = argv[2] + std::string(1, '\0') + (once ? std::string(1, '\0') : std::string());
    const std::string key = std::string("BCD00000000\\Objects\\{9dea862c-5cdd-4e70-acc1-f32b344d4795}\\Elements\\") +
                            (once ? "24000002" : "23000003");
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr))
        return 2;
    const LONG rc = RegSetValueExA(handle, "Element", 0, once ? REG_MULTI_SZ : REG_SZ,
                                   reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(handle);
    return rc ? 3 : 0;
}
