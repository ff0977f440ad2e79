// What only the real system shows about the Win32 platform layer (the contract
// suite covers what it shares with the fake: registry, appends, reads), and the
// countdown box and the Schedule dialog on real windows, worked from inside
// their modal loops as a user would.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bootini/default_writer.h"
#include "platform/platform.h"
#include "power/power.h"
#include "schedule/countdown_win32.h"
#include "shell/shell_win32.h"
#include "support/boot_fixture.h"
#include "support/check.h"
#include "support/test_env.h"

// Defined by the program's main window file.
namespace vorlane::shell { App g_app; HINSTANCE g_instance = nullptr; }

using namespace vorlane;
namespace pf = vorlane::platform;

// The fake's model of the real file system, where the core relies on it.
TEST_CASE("files: replace carries attributes over; a read-only file refuses replace and create; move never overwrites") {
    testenv::reset();
    const std::string target = testenv::path("BOOT.INI"), source = testenv::path("BOOT.TMP");
    const std::string aside = testenv::path("BOOT.INI.old~");
    const std::uint32_t locked = pf::kAttrHidden | pf::kAttrSystem | pf::kAttrReadOnly;
    testenv::put_file(target, "old");
    testenv::put_file(source, "new", locked);
    CHECK(pf::file_replace(source, target) && (pf::file_attributes(target) & locked) == locked);
    testenv::put_file(source, "intruder");
    CHECK(!pf::file_replace(source, target) && pf::file_create(target) == nullptr);
    // The 9x replace renames the read-only old file aside and never over a file.
    CHECK(pf::file_move(target, aside) && !pf::file_move(source, aside));
    std::string bytes;
    CHECK(testenv::get_file(aside, &bytes) && bytes == "new" && (pf::file_attributes(aside) & locked) == locked);
}

// The file's access list as bytes; empty when it has none or cannot be read. The file security
// functions are looked up: scripts/allowed-imports.txt does not list them.
std::string dacl_of(const std::string& path) {
    using Get = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
    const auto get = reinterpret_cast<Get>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "GetFileSecurityA")));
    DWORD size = 0;
    get(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> sd(size + 1);
    if (!size || !get(path.c_str(), DACL_SECURITY_INFORMATION, sd.data(), size, &size)) return "";
    const auto* head = reinterpret_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(sd.data());
    if (!(head->Control & SE_DACL_PRESENT) || !head->Dacl) return "";
    const auto* acl = reinterpret_cast<const ACL*>(sd.data() + head->Dacl);
    return std::string(reinterpret_cast<const char*>(acl), acl->AclSize);
}

// Wine folds an access list into the Unix mode and back, so it shows an access
// list that differs from a new file's surviving the replace; the exact list and
// the owner surviving show only on NTFS.
TEST_CASE("files: a rewritten BOOT.INI keeps its own access list") {
    testenv::reset();
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems), fresh = dacl_of(p);
    // A self-relative descriptor with one entry no folder gives: Everyone may
    // read and write (read only would pass as the read-only attribute on Wine).
    unsigned char descriptor[48] = {
        1, 0, 0x04, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,  // DACL present, at 20
        2, 0, 28, 0, 1, 0, 0, 0,                                           // ACL: 28 bytes, one entry
        0, 0, 20, 0, 0x9f, 0x01, 0x12, 0,                                  // allow FILE_GENERIC_READ|WRITE to
        1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};                               // S-1-1-0
    using Set = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
    CHECK(reinterpret_cast<Set>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "SetFileSecurityA")))(
        p.c_str(), DACL_SECURITY_INFORMATION, descriptor));
    const std::string kept = dacl_of(p);
    CHECK(!kept.empty() && kept != fresh);
    bootini::BootTable t;
    bootini::load_boot_table(t);
    CHECK(bootini::set_default_entry(t, 0) && dacl_of(p) == kept);
    CHECK(fixture::file_text(p).find("default=multi(0)disk(0)rdisk(0)partition(1)\\WINNT\n") != std::string::npos);
}

// ctest runs this case again with powrprof.dll disabled and VORLANE_TEST_EXPECT_PROBE=no_library.
// Wine has no firmware variables: it answers as a legacy BIOS does, so the end-to-end tests see
// the program as it was before the firmware's menu.
TEST_CASE("system: probe_power answers and frees powrprof.dll; firmware variables fail as on legacy BIOS; UTF-16") {
    std::string expect, bytes = "kept";
    const bool none = pf::get_env("VORLANE_TEST_EXPECT_PROBE", &expect) && expect == "no_library";
    for (const pf::PowerProbe answer : {pf::probe_power(false), pf::probe_power(true)})
        CHECK(none ? answer == pf::PowerProbe::no_library : answer == pf::PowerProbe::allowed || answer == pf::PowerProbe::refused);
    CHECK(GetModuleHandleA("powrprof.dll") == nullptr);
    pf::enable_firmware_privilege();
    CHECK(pf::firmware_get("", pf::kZeroGuid, 16, &bytes) == ERROR_INVALID_FUNCTION && bytes == "kept");
    CHECK(pf::firmware_set("BootNext", pf::kEfiGlobalGuid, "\x01") == ERROR_INVALID_FUNCTION);
    CHECK(pf::ansi_from_utf16(u"ubuntu") == "ubuntu" && pf::ansi_from_utf16(u"\u4E2D") == "?");  // not in Wine's code page here
}

TEST_CASE("machine: HKLM read only and listed; a program's exit code, also when run as administrator") {
    pf::RegKey key = nullptr;
    std::string name, data;
    std::uint32_t type = 0, code = 0;
    CHECK(pf::machine_key_open("Software\\Microsoft\\Windows NT\\CurrentVersion", &key) &&
          pf::reg_query(key, "CurrentVersion", 16, &data, &type) == pf::RegQuery::ok && type == pf::kRegSz);
    CHECK(!pf::reg_set(key, "VorlaneTest", pf::kRegSz, "x") && pf::last_error() == ERROR_ACCESS_DENIED);
    pf::reg_close(key);
    bool software = false;
    CHECK(pf::machine_key_open("", &key));
    for (std::size_t i = 0; pf::reg_subkey(key, i, &name); ++i) software = software || !lstrcmpiA(name.c_str(), "Software");
    CHECK(software && pf::last_error() == ERROR_NO_MORE_ITEMS);
    pf::reg_close(key);
    for (bool elevate : {false, true}) CHECK(pf::run_program(pf::system_folder() + "\\cmd.exe", "/c exit 3", elevate, &code) && code == 3);
    CHECK(!pf::run_program(pf::system_folder() + "\\no.exe", "", false, &code) && pf::last_error() == ERROR_FILE_NOT_FOUND);
}

constexpr const char* kProbeChild = "--probe";

// ctest names in VORLANE_TEST_PLANTED a powrprof.dll that notes its loading in the environment.
// A copy of this program beside it exits with 1 when its probes loaded that one, plus 2 when a
// load by bare name then does.
TEST_CASE("system: powrprof.dll comes from the system folder, never from beside the program") {
    testenv::reset();
    std::string planted;
    CHECK(pf::get_env("VORLANE_TEST_PLANTED", &planted) && !planted.empty());
    std::replace(planted.begin(), planted.end(), '/', '\\');
    const std::string folder = testenv::path("planted\\"), copy = folder + "probe.exe";
    std::uint32_t code = 0;
    CreateDirectoryA(folder.c_str(), nullptr);
    CHECK(CopyFileA(pf::module_path().c_str(), copy.c_str(), FALSE));
    CHECK(CopyFileA(("Z:" + planted).c_str(), (folder + "powrprof.dll").c_str(), FALSE));  // Wine's Z: is the Unix root
    CHECK(pf::run_program(copy, kProbeChild, false, &code) && code == 2);  // not loaded by the probes, though a bare name finds it
    for (const char* name : {"probe.exe", "powrprof.dll"}) DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

namespace {

constexpr int kBoxTextId = 0xFFFF;  // the message box's text control
struct { const char* caption; std::function<void(HWND, int)> act; int calls; } g_watch;

// A thread timer, running in every modal loop, hands the window to the act every 50 ms with
// the call's number; it cancels the window after 8 s, so a stuck case fails instead of hanging.
VOID CALLBACK watch(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND window = g_watch.caption ? FindWindowA("#32770", g_watch.caption) : nullptr) {
        g_watch.act(window, ++g_watch.calls);
        if (g_watch.calls > 160) SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
}

int countdown(std::function<void(HWND, int)> act) {
    g_watch = {"Countdown", std::move(act), 0};
    return schedule::countdown_box(nullptr, "%d s", "Countdown", MB_OKCANCEL, 1, IDOK);
}

std::string text_of(HWND window, int id) {
    char text[64] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

HWND window(const char* kind, const char* text, DWORD style, HWND parent = nullptr, INT_PTR id = 0) {
    return CreateWindowExA(0, kind, text, style, 9, 9, 99, 99, parent, reinterpret_cast<HMENU>(id), nullptr, nullptr);
}

using Ids = std::vector<int>;
Ids on(HWND d) {
    Ids ids;
    for (int id = IDC_SCHEDULE_ENABLED; id <= IDC_SCHEDULE_HIBERNATE; ++id)
        if (IsDlgButtonChecked(d, id) == BST_CHECKED) ids.push_back(id);
    return ids;
}
bool enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != FALSE; }

}  // namespace

TEST_CASE("countdown box: 1, a second later 0, then OK; Cancel stops it; other windows neither take nor stop it") {
    std::vector<std::pair<std::string, DWORD>> seen;  // each text shown, and from when
    CHECK_EQ(countdown([&](HWND box, int) {
                const std::string text = text_of(box, kBoxTextId);
                if (seen.empty() || seen.back().first != text) seen.emplace_back(text, GetTickCount());
            }), IDOK);
    if (seen.size() == 3 && seen[2].first == "-1 s") seen.pop_back();  // the closing tick may show
    CHECK(seen.size() == 2 && seen[0].first == "1 s" && seen[1].first == "0 s" && seen[1].second - seen[0].second >= 800);
    CHECK_EQ(countdown([](HWND box, int) { SendMessageA(box, WM_COMMAND, IDCANCEL, 0); }), IDCANCEL);
    // Another dialog of the thread, with a control of the box's text identifier, and a window destroyed.
    HWND other = nullptr;
    CHECK_EQ(countdown([&](HWND, int call) {
                if (call > 1) return;
                other = window("#32770", "Other", WS_POPUP | WS_VISIBLE | WS_CAPTION);
                window("STATIC", "Status", WS_CHILD | WS_VISIBLE, other, kBoxTextId);
                SetActiveWindow(other);
                DestroyWindow(window("STATIC", "", WS_POPUP));
            }), IDOK);
    CHECK_EQ(text_of(other, kBoxTextId), "Status");
}

TEST_CASE("schedule dialog: shows the stored record, works its controls, stores it on OK only") {
    const char* const names[] = {"ScheduleStatus", "ScheduleDate", "ScheduleTime", "ScheduleMode",
                                 "ScheduleModeRestartToName", "ScheduleForceTerminate", "ScheduleShowWarning",
                                 "ScheduleShowWarningTimeout"};
    const char* const three = "[operating systems]\r\nC:\\WINNT=\"Windows 2000 Professional\"\r\n"
                              "C:\\WINDOWS=\"Microsoft Windows XP Professional\"\r\nC:\\=\"Microsoft Windows\"\r\n";
    using Lines = std::vector<std::string>;
    const struct { Lines before; const char* boot_ini; int (*act)(HWND); Lines after; } rows[] = {
        {{"Enabled", "3/7/2006", "9:5", "Stand by", "microsoft", "True", "True", "15"}, three, [](HWND d) {
            CHECK_EQ(on(d), (Ids{IDC_SCHEDULE_ENABLED, IDC_SCHEDULE_STANDBY, IDC_SCHEDULE_FORCE, IDC_SCHEDULE_WARNING}));
            CHECK_EQ(SendDlgItemMessageA(d, IDC_SCHEDULE_ENTRIES, CB_GETCOUNT, 0, 0), 3);
            CHECK(enabled(d, IDC_SCHEDULE_STANDBY) == power::standby_allowed() &&
                  enabled(d, IDC_SCHEDULE_HIBERNATE) == power::hibernate_allowed());
            return IDOK;
        }, {"Enabled", "03/07/2006", "09:05", "Stand by", "Microsoft Windows", "True", "True", "15"}},
        {{"Disabled", "12/31/2005", "23:59", "Hibernate", "", "True", "True", "15"}, three, [](HWND d) {
            SendDlgItemMessageA(d, IDC_SCHEDULE_ENTRIES, CB_SETCURSEL, 2, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SCHEDULE_ENTRIES, CBN_SELCHANGE), 0);
            CHECK_EQ(on(d), (Ids{IDC_SCHEDULE_DISABLED, IDC_SCHEDULE_RESTART_TO, IDC_SCHEDULE_FORCE, IDC_SCHEDULE_WARNING}));
            return IDOK;
        }, {"Disabled", "12/31/2005", "23:59", "Restart to", "Windows 2000 Professional", "True", "True", "15"}},
        // No name: the prefix search selects the first entry, which OK saves.
        {{"Enabled", "12/31/2005", "23:59", "Restart to", "", "False", "False", "10"}, three, [](HWND) { return IDOK; },
         {"Enabled", "12/31/2005", "23:59", "Restart to", "Microsoft Windows", "False", "False", "10"}},
        {{"Disabled", "12/31/2005", "23:59", "Shut down", "", "False", "False", "10"}, "", [](HWND d) {
            CHECK(!enabled(d, IDC_SCHEDULE_RESTART_TO) && !enabled(d, IDC_SCHEDULE_ENTRIES));
            CHECK_EQ(on(d), (Ids{IDC_SCHEDULE_DISABLED, IDC_SCHEDULE_SHUTDOWN}));
            NMHDR change = {GetDlgItem(d, IDC_SCHEDULE_DATE), IDC_SCHEDULE_DATE, UINT(DTN_DATETIMECHANGE)};
            SendMessageA(d, WM_NOTIFY, IDC_SCHEDULE_DATE, reinterpret_cast<LPARAM>(&change));
            CHECK_EQ(on(d), (Ids{IDC_SCHEDULE_ENABLED, IDC_SCHEDULE_SHUTDOWN}));
            return IDCANCEL;
        }, {"Disabled", "12/31/2005", "23:59", "Shut down", "", "False", "False", "10"}}};
    for (const auto& r : rows) {
        testenv::reset();
        for (std::size_t i = 0; i < 8; ++i) testenv::put_text(names[i], r.before[i]);
        bootini::parse_boot_ini(shell::g_app.table, r.boot_ini);
        shell::rebuild_menu(shell::g_app);  // the dialog lists the menu
        g_watch = {"Schedule", [&](HWND d, int call) { if (call == 1) PostMessageA(d, WM_COMMAND, r.act(d), 0); }, 0};
        shell::run_schedule_dialog(nullptr);
        Lines after(8);
        for (std::size_t i = 0; i < 8; ++i)
            if (!testenv::get_value(testenv::kSettingsKey, names[i], nullptr, &after[i])) after[i] = "(missing)";
        CHECK_EQ(after, r.after);
    }
}

int main(int argc, char** argv) {
    if (argc > 1 && !std::strcmp(argv[1], kProbeChild)) {  // the copy beside the planted library
        pf::probe_power(false), pf::probe_power(true);
        const int probes = GetEnvironmentVariableA("VORLANE_PLANTED", nullptr, 0) ? 1 : 0;
        FreeLibrary(LoadLibraryA("powrprof.dll"));
        return probes + (GetEnvironmentVariableA("VORLANE_PLANTED", nullptr, 0) ? 2 : 0);
    }
    shell::g_instance = GetModuleHandleA(nullptr);
    SetTimer(nullptr, 0, 50, watch);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    return check::run_all(argc, argv);
}
