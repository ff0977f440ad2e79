// The Windows Boot Manager's menu end to end: a store made as plain keys under HKLM\BCD00000000
// (Windows 7 beside XP), this program copied into the prefix's System32 as bcdedit.exe, and
// vorlane.exe -r into either menu. XP's store file and the other choices: the native bcd and hive tests.
#include <cstdlib>
#include <tuple>

#include "e2e/e2e_support.h"

namespace {

const std::string kManagerId = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
const std::string kManager = "BCD00000000\\Objects\\" + kManagerId + "\\Elements\\";
const std::string kNtldr = "{466f5a88-0af2-4f76-9038-095b170dc21c}", kWin7 = "{0a1b2c3d-0000-0000-0000-000000000007}";

void put(const std::string& key, const char* name, DWORD type, const std::string& data) {
    e2e::set_bytes(HKEY_LOCAL_MACHINE, key, name, type, data);
}

// The boot manager's element (a list's first GUID); "" when missing.
std::string element(const char* type) { return e2e::get_value(HKEY_LOCAL_MACHINE, kManager + type, "Element").c_str(); }

// As bcdedit.exe: appends its arguments to VORLANE_BCDEDIT_LOG and applies them,
// unless VORLANE_BCDEDIT_FAIL is set and this is the second run (exit 1).
int stand_in(int argc, char** argv) {
    const std::string log = getenv("VORLANE_BCDEDIT_LOG"), before = e2e::read(log);
    std::string line = argv[1];
    for (int i = 2; i < argc; ++i) line += std::string(" ") + argv[i];
    std::ofstream(log, std::ios::app | std::ios::binary) << line << "\r\n";
    if (getenv("VORLANE_BCDEDIT_FAIL") && std::count(before.begin(), before.end(), '\n') == 1) return 1;
    const bool once = !strcmp(argv[1], "/bootsequence");
    if (argc == 3 && strcmp(argv[1], "/enum"))
        put(kManager + (once ? "24000002" : "23000003"), "Element", once ? REG_MULTI_SZ : REG_SZ,
            argv[2] + std::string(once ? 2 : 1, '\0'));
    if (argc == 4)  // /deletevalue {bootmgr} NAME
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kManager + (strcmp(argv[3], "bootsequence") ? "23000003" : "24000002")).c_str());
    return 0;
}

TEST_CASE("bcd: -r into the boot manager's menu and through {ntldr} into BOOT.INI's, checked by reading back") {
    char self[MAX_PATH] = {}, windows[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    GetWindowsDirectoryA(windows, MAX_PATH);  // Sysnative from a 32-bit program on 64-bit Windows
    CHECK(CopyFileA(self, (windows + std::string("\\Sysnative\\bcdedit.exe")).c_str(), FALSE) ||
          CopyFileA(self, (windows + std::string("\\System32\\bcdedit.exe")).c_str(), FALSE));
    struct Row {
        const char *windows, *args, *maintain;
        bool pending;                               // {ntldr} left pending once; bcdedit's second run fails
        std::string bcdedit, sequence, default_id;  // its arguments, the store afterwards
        int boot_ini_default;                       // BOOT.INI's default partition afterwards
        const char* box;                            // part of the message; none: restarted
    } rows[] = {
        {"win7", "-r Windows 7", "True", false, "/bootsequence " + kWin7, kWin7, kNtldr, 3, ""},
        // For good: the pending sequence goes too; when that fails, the default is put back.
        {"win10", "-r Windows 7", "False", true, "/default " + kWin7 + "\r\n/deletevalue " + kManagerId +
         " bootsequence\r\n/default " + kNtldr, kNtldr, kNtldr, 3, " bootsequence' ended with exit code 1."},
        {"winxp", "-r 2000", "False", false, "", "", kNtldr, 2, ""},  // no boot manager before Vista, whatever the keys
    };
    for (const Row& r : rows) {
        const std::string name = std::string(r.windows) + " " + r.args;
        e2e::World world = e2e::make_world(e2e::boot_ini(3));
        e2e::set_setting("MaintainDefault", r.maintain);
        for (const auto& [id, type, text] : {std::tuple<std::string, DWORD, const char*>{kWin7, 0x10200003, "Windows 7"},
                                             {kNtldr, 0x10300006, "Earlier Version of Windows"}}) {
            put("BCD00000000\\Objects\\" + id + "\\Description", "Type", REG_DWORD, std::string((const char*)&type, 4));
            put("BCD00000000\\Objects\\" + id + "\\Elements\\12000004", "Element", REG_SZ, text + std::string(1, '\0'));
        }
        put(kManager + "24000001", "Element", REG_MULTI_SZ, kWin7 + '\0' + kNtldr + '\0' + '\0');
        put(kManager + "23000003", "Element", REG_SZ, kNtldr + '\0');
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kManager + "24000002").c_str());
        if (r.pending) put(kManager + "24000002", "Element", REG_MULTI_SZ, kNtldr + '\0' + '\0');
        const std::string log = world.power_log + ".bcdedit";
        SetEnvironmentVariableA("VORLANE_BCDEDIT_LOG", log.c_str());
        SetEnvironmentVariableA("VORLANE_BCDEDIT_FAIL", r.pending ? "2" : nullptr);
        e2e::set_windows(r.windows);
        const e2e::Ended e = e2e::run(r.args);
        e2e::set_windows(nullptr);
        CHECK_MSG(e.ended && !e.tray && e2e::read(log) == (r.bcdedit.empty() ? "" : r.bcdedit + "\r\n"), name);
        CHECK_MSG(element("24000002") == r.sequence && element("23000003") == r.default_id, name);
        CHECK_MSG(e2e::read(world.boot_ini) == e2e::boot_ini(r.boot_ini_default) && e2e::read(world.vorlane_ini).empty(), name);
        CHECK_MSG(e2e::power(world) == (*r.box ? "" : e2e::kRestart), name);
        CHECK_MSG(*r.box ? e.boxes.size() == 1 && e.boxes[0].find(r.box) != std::string::npos : e.boxes.empty(),
                  name + check::show(e.boxes));
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const char* verb : {"/bootsequence", "/default", "/deletevalue", "/enum"})
        if (argc > 1 && !strcmp(argv[1], verb)) return stand_in(argc, argv);
    return e2e::run_cases(argc, argv);
}
