// The countdown box and the Schedule dialog on real windows, worked from
// inside their modal loops as a user would.
#include <windows.h>
#include <commctrl.h>

#include "power/power.h"
#include "schedule/countdown_win32.h"
#include "shell/shell_win32.h"
#include "support/check.h"
#include "support/test_env.h"

// Defined by the program's main window file.
namespace vorlane::shell { App g_app; HINSTANCE g_instance = nullptr; }

using namespace vorlane;
using Lines = std::vector<std::string>;
using Ids = std::vector<int>;

namespace {

constexpr int kBoxTextId = 0xFFFF;  // the message box's text control
struct { const char* caption; std::function<void(HWND, int)> act; int calls; } g_watch;

// A thread timer, running in every modal loop, hands the window to the act every 50 ms with
// the call's number; it cancels the window after 8 s, so a stuck case fails instead of hanging.
VOID CALLBACK watch(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND window = FindWindowA("#32770", g_watch.caption)) {
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
    CHECK(seen.size() == 2 && seen[0].first == "1 s" && seen[1].first == "0 s");
    CHECK(seen.size() < 2 || seen[1].second - seen[0].second >= 800);
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
    const struct { Lines before; const char* boot_ini; int (*act)(HWND); Lines after; } rows[] = {
        {{"Enabled", "3/7/2006", "9:5", "Stand by", "microsoft", "True", "True", "15"}, three, [](HWND d) {
            CHECK_EQ(on(d), (Ids{IDC_SCHEDULE_ENABLED, IDC_SCHEDULE_STANDBY, IDC_SCHEDULE_FORCE,
                                 IDC_SCHEDULE_WARNING}));
            CHECK_EQ(SendDlgItemMessageA(d, IDC_SCHEDULE_ENTRIES, CB_GETCOUNT, 0, 0), 3);
            CHECK_EQ(enabled(d, IDC_SCHEDULE_STANDBY), power::standby_allowed());
            CHECK_EQ(enabled(d, IDC_SCHEDULE_HIBERNATE), power::hibernate_allowed());
            return IDOK;
        }, {"Enabled", "03/07/2006", "09:05", "Stand by", "Microsoft Windows", "True", "True", "15"}},
        {{"Disabled", "12/31/2005", "23:59", "Hibernate", "", "True", "True", "15"}, three, [](HWND d) {
            SendDlgItemMessageA(d, IDC_SCHEDULE_ENTRIES, CB_SETCURSEL, 2, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SCHEDULE_ENTRIES, CBN_SELCHANGE), 0);
            CHECK_EQ(on(d), (Ids{IDC_SCHEDULE_DISABLED, IDC_SCHEDULE_RESTART_TO, IDC_SCHEDULE_FORCE,
                                 IDC_SCHEDULE_WARNING}));
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
    shell::g_instance = GetModuleHandleA(nullptr);
    SetTimer(nullptr, 0, 50, watch);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    return check::run_all(argc, argv);
}
