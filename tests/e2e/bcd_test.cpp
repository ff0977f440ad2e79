// The Windows Boot Manager's menu end to end: a store made as plain keys under
// HKLM\BCD00000000 (Windows 7 beside XP), the tests' own bcdedit.exe in the
// prefix's System32, and vorlane.exe -r into either menu under each Windows.
#include <cstdlib>

#include "e2e/e2e_support.h"

namespace {

const std::string kStore = "BCD00000000\\Objects\\";
const std::string kManager = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
const std::string kNtldr = "{466f5a88-0af2-4f76-9038-095b170dc21c}";
const std::string kWin7 = "{0a1b2c3d-0000-0000-0000-000000000007}";

void put(const std::string& key, const char* name, DWORD type, const std::string& data) {
    HKEY handle = nullptr;
    CHECK(!RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    CHECK(!RegSetValueExA(handle, name, 0, type, (const BYTE*)data.data(), (DWORD)data.size()));
    RegCloseKey(handle);
}

void object(const std::string& id, DWORD type, const std::string& description) {
    put(kStore + id + "\\Description", "Type", REG_DWORD, std::string((const char*)&type, 4));
    put(kStore + id + "\\Elements\\12000004", "Element", REG_SZ, description + '\0');
}

// The boot manager's element as text, zeros as blanks; "" when missing.
std::string element(const char* type) {
    HKEY handle = nullptr;
    char data[512] = {};
    DWORD size = sizeof data - 1;
    const std::string key = kStore + kManager + "\\Elements\\" + type;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle)) return "";
    RegQueryValueExA(handle, "Element", nullptr, nullptr, (BYTE*)data, &size);
    RegCloseKey(handle);
    std::string text(data, size);
    for (char& c : text) c = c ? c : ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// XP + 7, as Windows 7 set up beside XP leaves it, with {ntldr} the default.
void make_store() {
    object(kManager, 0x10100002, "Windows Boot Manager");
    object(kWin7, 0x10200003, "Windows 7");
    object(kNtldr, 0x10300006, "Earlier Version of Windows");
    put(kStore + kManager + "\\Elements\\24000001", "Element", REG_MULTI_SZ, kWin7 + '\0' + kNtldr + '\0' + '\0');
    put(kStore + kManager + "\\Elements\\23000003", "Element", REG_SZ, kNtldr + '\0');
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kStore + kManager + "\\Elements\\24000002").c_str());
}

// The stand-in where a program of this build finds System32: through
// Sysnative from a 32-bit program on 64-bit Windows.
void install_bcdedit() {
    const char* unix_path = std::getenv("VORLANE_TEST_BCDEDIT");
    CHECK_MSG(unix_path, "VORLANE_TEST_BCDEDIT not set");
    std::string source = std::string("Z:") + (unix_path ? unix_path : "");
    std::replace(source.begin(), source.end(), '/', '\\');
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    CHECK(CopyFileA(source.c_str(), (windows + std::string("\\Sysnative\\bcdedit.exe")).c_str(), FALSE) ||
          CopyFileA(source.c_str(), (windows + std::string("\\System32\\bcdedit.exe")).c_str(), FALSE));
}

TEST_CASE("bcd: -r into the boot manager's menu and through {ntldr} into BOOT.INI's, checked by reading back") {
    install_bcdedit();
    const std::string server = "Microsoft Windows Server 2003, Standard";
    struct Row {
        const char* windows;
        const char* args;
        const char* maintain;
        const char* mode;      // the stand-in's
        std::string bcdedit;   // the arguments it was run with
        std::string sequence, default_guid;
        int boot_ini_default;  // BOOT.INI's default partition afterwards
        bool restarted;
        const char* box = "";  // part of the message shown
    } rows[] = {
        {"win7", "-r Windows 7", "True", "", "/bootsequence " + kWin7, kWin7, kNtldr, 3, true},
        {"win10", "-r Windows 7", "False", "", "/default " + kWin7, "", kWin7, 3, true},
        {"win7", "-r 2000", "True", "", "/bootsequence " + kNtldr, kNtldr, kNtldr, 2, true},
        {"win10", "-r \"Windows 2000\"", "False", "", "/default " + kNtldr, "", kNtldr, 2, true},
        {"win10", "-r Windows 7", "False", "fail", "/default " + kWin7, "", kNtldr, 3, false, "ended with exit code 1"},
        {"win7", "-r Windows 7", "True", "mute", "/bootsequence " + kWin7, "", kNtldr, 3, false,
         "does not name the chosen entry"},
        // XP has no boot manager: BOOT.INI alone, as ever, though the keys are there.
        {"winxp", "-r 2000", "False", "", "", "", kNtldr, 2, true},
    };
    for (const Row& r : rows) {
        const std::string name = std::string(r.windows) + " " + r.args + " " + r.maintain + " " + r.mode;
        e2e::World world = e2e::make_world(e2e::boot_ini(3));
        e2e::set_setting("MaintainDefault", r.maintain);
        make_store();
        const std::string log = world.power_log + ".bcdedit";
        SetEnvironmentVariableA("VORLANE_BCDEDIT_LOG", log.c_str());
        SetEnvironmentVariableA("VORLANE_BCDEDIT_MODE", r.mode);
        e2e::set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", r.windows);
        const e2e::Ended e = e2e::run(r.args);
        e2e::set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", nullptr);
        CHECK_MSG(e.ended && e.code == 0 && !e.tray, name);
        CHECK_MSG(e2e::read(log) == (r.bcdedit.empty() ? "" : r.bcdedit + "\r\n"), name + ": " + e2e::read(log));
        CHECK_MSG(element("24000002") == r.sequence && element("23000003") == r.default_guid, name);
        CHECK_MSG(e2e::read(world.boot_ini) == e2e::boot_ini(r.boot_ini_default), name);
        const bool saved = r.boot_ini_default != 3 && !std::strcmp(r.maintain, "True");
        CHECK_MSG(e2e::read(world.vorlane_ini) == (saved ? "[Config]\r\nDefault=" + server + "\r\n" : ""), name);
        CHECK_MSG(e2e::read(world.power_log) == (r.restarted ? "ExitWindowsEx flags=2\r\n" : ""), name);
        CHECK_MSG(*r.box ? e.boxes.size() == 1 && e.boxes[0].find(r.box) != std::string::npos &&
                               e.boxes[0].find("will not be restarted") != std::string::npos
                         : e.boxes.empty(),
                  name + check::show(e.boxes));
    }
}

}  // namespace

int main(int argc, char** argv) { return e2e::run_cases(argc, argv); }
