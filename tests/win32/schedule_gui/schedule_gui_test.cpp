// The countdown box and the Schedule dialog on real windows (Wine under a
// virtual X server). A thread timer plays the user: it runs inside the box's
// or the dialog's modal loop, looks at the controls and presses the buttons.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "bootini/text_file.h"
#include "schedule/countdown_win32.h"
#include "shell/shell_win32.h"
#include "support/check.h"
#include "support/test_env.h"

namespace vorlane::shell {
// Provided by the main window's file in the program.
App g_app;
HINSTANCE g_instance = nullptr;
}  // namespace vorlane::shell

using namespace vorlane;
using Lines = std::vector<std::string>;

namespace {

constexpr DWORD kGiveUpMs = 8000;  // then the watcher closes the window and the case fails
constexpr int kBoxTextId = 0xFFFF;
constexpr const char* kCaption = "Countdown under test";

std::function<void(DWORD elapsed)> g_step;
DWORD g_started = 0;
VOID CALLBACK watch(HWND, UINT, UINT_PTR, DWORD) { g_step(GetTickCount() - g_started); }

// Runs `modal` with `step` called every 50 ms from inside its message loop.
template <typename Modal>
auto watching(std::function<void(DWORD)> step, Modal modal) {
    g_step = std::move(step);
    g_started = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, watch);
    auto result = modal();
    KillTimer(nullptr, timer);
    return result;
}

std::string text_of(HWND window) {
    char text[1024] = {0};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Shows a countdown box; `act` sees it every 50 ms. Returns the box's result.
int countdown(std::int32_t count, const std::function<void(HWND, DWORD)>& act) {
    return watching(
        [&](DWORD elapsed) {
            HWND box = FindWindowA("#32770", kCaption);
            if (!box) return;
            act(box, elapsed);
            if (elapsed > kGiveUpMs) SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
        },
        [&] { return schedule::countdown_box(nullptr, "%d seconds", kCaption, MB_OKCANCEL, count, IDOK); });
}

const char* const kNames[] = {"ScheduleStatus", "ScheduleDate", "ScheduleTime", "ScheduleMode",
                              "ScheduleModeRestartToName", "ScheduleForceTerminate", "ScheduleShowWarning",
                              "ScheduleShowWarningTimeout"};

// Stores the eight values, loads the boot entries, opens the dialog, lets
// `act` work it (it must close it) and returns the eight values after.
Lines dialog(const Lines& before, const char* boot_ini, const std::function<void(HWND)>& act) {
    testenv::reset();
    for (std::size_t i = 0; i < 8; ++i) testenv::put_text(kNames[i], before[i]);
    shell::g_app.table = bootini::BootTable();
    bootini::parse_boot_ini(shell::g_app.table, bootini::newline_to_crlf(boot_ini));
    bool acted = false;
    watching(
        [&](DWORD elapsed) {
            HWND window = FindWindowA("#32770", "Schedule");
            if (window && !acted) act(window);
            acted = acted || window != nullptr;
            if (window && elapsed > kGiveUpMs) SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
        },
        [] {
            shell::run_schedule_dialog(nullptr);
            return 0;
        });
    CHECK_MSG(acted, "the dialog never appeared");
    Lines after;
    for (const char* name : kNames) {
        std::uint32_t type = 0;
        std::string bytes;
        after.push_back(testenv::get_value(testenv::kSettingsKey, name, &type, &bytes) ? bytes : "(missing)");
    }
    return after;
}

const char* const kThreeSystems =
    "[boot loader]\n"
    "[operating systems]\n"
    "C:\\WINNT=\"Windows 2000 Professional\"\n"
    "C:\\WINDOWS=\"Microsoft Windows XP Professional\"\n"
    "C:\\=\"Microsoft Windows\"\n";

bool on(HWND dialog, int id) { return (IsDlgButtonChecked(dialog, id) & BST_CHECKED) != 0; }

std::vector<int> modes(HWND dialog) {
    std::vector<int> checked;
    for (int id : {IDC_SCHEDULE_RESTART, IDC_SCHEDULE_RESTART_TO, IDC_SCHEDULE_SHUTDOWN, IDC_SCHEDULE_STANDBY,
                   IDC_SCHEDULE_HIBERNATE})
        if (on(dialog, id)) checked.push_back(id);
    return checked;
}

void press(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

}  // namespace

TEST_CASE("countdown box: counts down once a second and presses OK itself") {
    Lines seen;
    std::vector<DWORD> at;
    const int result = countdown(1, [&](HWND box, DWORD elapsed) {
        const std::string text = text_of(GetDlgItem(box, kBoxTextId));
        if (seen.empty() || seen.back() != text) {
            seen.push_back(text);
            at.push_back(elapsed);
        }
    });
    CHECK_EQ(result, IDOK);
    if (seen.size() == 3 && seen[2] == "-1 seconds") seen.pop_back();  // the closing tick may show
    CHECK_EQ(seen, (Lines{"1 seconds", "0 seconds"}));
    // (Wine is slow to take a closed box off a screen without a window
    // manager, so only the tick, not the closing, is timed.)
    if (at.size() >= 2) CHECK_MSG(at[1] - at[0] >= 800 && at[1] - at[0] <= 1500, std::to_string(at[1] - at[0]));

    CHECK_EQ(countdown(5, [](HWND box, DWORD) { SendMessageA(box, WM_COMMAND, IDCANCEL, 0); }), IDCANCEL);
}

TEST_CASE("countdown box: other windows of the thread neither stop nor take the count") {
    // The tray menu comes and goes on this thread while the box counts.
    bool done = false;
    CHECK_EQ(countdown(1, [&](HWND, DWORD elapsed) {
                 if (done || elapsed < 300) return;
                 done = true;
                 DestroyWindow(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr,
                                               nullptr));
             }),
             IDOK);
    CHECK(done);

    // The Schedule dialog, opened meanwhile, has a control with the box's text identifier.
    HWND other = nullptr, other_text = nullptr;
    CHECK_EQ(countdown(1, [&](HWND, DWORD elapsed) {
                 if (other || elapsed < 300) return;
                 other = CreateWindowExA(0, "#32770", "Another dialog", WS_POPUP | WS_VISIBLE | WS_CAPTION, 9, 9, 200,
                                         99, nullptr, nullptr, nullptr, nullptr);
                 other_text = CreateWindowExA(0, "STATIC", "Status", WS_CHILD | WS_VISIBLE, 5, 5, 99, 20, other,
                                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBoxTextId)), nullptr,
                                              nullptr);
                 SetActiveWindow(other);
             }),
             IDOK);
    CHECK(IsWindow(other));
    CHECK_EQ(text_of(other_text), "Status");
    DestroyWindow(other);
}

TEST_CASE("schedule dialog: shows the record; OK stores it again, padded") {
    const Lines after = dialog({"Enabled", "3/7/2006", "9:5", "Stand by", "microsoft", "True", "True", "15"},
                               kThreeSystems, [](HWND d) {
        CHECK(on(d, IDC_SCHEDULE_ENABLED) && !on(d, IDC_SCHEDULE_DISABLED));
        CHECK_EQ(modes(d), std::vector<int>{IDC_SCHEDULE_STANDBY});
        CHECK(on(d, IDC_SCHEDULE_FORCE) && on(d, IDC_SCHEDULE_WARNING));
        CHECK_EQ(text_of(GetDlgItem(d, IDC_SCHEDULE_WARNING_EDIT)), "15");
        SYSTEMTIME date = {}, time = {};
        SendDlgItemMessageA(d, IDC_SCHEDULE_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
        SendDlgItemMessageA(d, IDC_SCHEDULE_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
        CHECK_EQ(std::to_string(date.wYear) + "-" + std::to_string(date.wMonth) + "-" + std::to_string(date.wDay) +
                     " " + std::to_string(time.wHour) + ":" + std::to_string(time.wMinute),
                 "2006-3-7 9:5");
        press(d, IDOK);
    });
    // The list's own search: sorted, a prefix, any case.
    CHECK_EQ(after, (Lines{"Enabled", "03/07/2006", "09:05", "Stand by", "Microsoft Windows", "True", "True", "15"}));
}

TEST_CASE("schedule dialog: an entry chosen checks Restart to, nothing else") {
    const Lines after = dialog({"Disabled", "12/31/2005", "23:59", "Hibernate", "", "True", "True", "15"},
                               kThreeSystems, [](HWND d) {
        HWND combo = GetDlgItem(d, IDC_SCHEDULE_ENTRIES);
        CHECK_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
        SendMessageA(combo, CB_SETCURSEL, 2, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SCHEDULE_ENTRIES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        CHECK_EQ(modes(d), std::vector<int>{IDC_SCHEDULE_RESTART_TO});
        CHECK(on(d, IDC_SCHEDULE_FORCE) && on(d, IDC_SCHEDULE_WARNING));
        // Shut down after all; the name stays. An out-of-range 99 is not saved.
        SendDlgItemMessageA(d, IDC_SCHEDULE_RESTART_TO, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(d, IDC_SCHEDULE_SHUTDOWN, BM_SETCHECK, BST_CHECKED, 0);
        SetWindowTextA(GetDlgItem(d, IDC_SCHEDULE_WARNING_EDIT), "99");
        press(d, IDOK);
    });
    CHECK_EQ(after, (Lines{"Disabled", "12/31/2005", "23:59", "Shut down", "Windows 2000 Professional", "True",
                           "True", "15"}));
}

TEST_CASE("schedule dialog: a changed time enables; Cancel stores nothing; no entries, no Restart to") {
    const Lines before{"Disabled", "12/31/2005", "23:59", "Shut down", "", "False", "False", "10"};
    const Lines after = dialog(before, "", [](HWND d) {
        CHECK(!IsWindowEnabled(GetDlgItem(d, IDC_SCHEDULE_RESTART_TO)));
        CHECK(!IsWindowEnabled(GetDlgItem(d, IDC_SCHEDULE_ENTRIES)));
        NMHDR change = {GetDlgItem(d, IDC_SCHEDULE_TIME), IDC_SCHEDULE_TIME, static_cast<UINT>(DTN_DATETIMECHANGE)};
        SendMessageA(d, WM_NOTIFY, IDC_SCHEDULE_TIME, reinterpret_cast<LPARAM>(&change));
        CHECK(on(d, IDC_SCHEDULE_ENABLED) && !on(d, IDC_SCHEDULE_DISABLED));
        press(d, IDCANCEL);
    });
    CHECK_EQ(after, before);
}

int main(int argc, char** argv) {
    shell::g_instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    return check::run_all(argc, argv);
}
