// vorlane.exe started plainly, then reached as the shell and the user reach it: the tray callback,
// the menu's keyboard, a second start (TaskbarCreated: shell_gui_test; the switches: shell_test).
#include "e2e/e2e_support.h"

namespace {

constexpr UINT kTrayCallback = WM_APP + 100;
constexpr WPARAM kRunAtStartup = 40013;  // the menu's command

bool ends_alone(e2e::Child& tray) { return WaitForSingleObject(tray.info.hProcess, 5000) == WAIT_OBJECT_0; }

void close(e2e::Child& tray) {  // -x closes it as a second start does (shell_test)
    CHECK(e2e::run("-x").ended && ends_alone(tray));
    e2e::wait(tray);
}

// Opens the tray menu and presses these keys in it; the menu loop reads keys from its thread's
// queue, which posting to the menu reaches.
void menu_keys(const e2e::Child& tray, std::initializer_list<WPARAM> keys) {
    PostMessageA(tray.main, kTrayCallback, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    CHECK(e2e::until([&] { return (menu = e2e::find(tray.info.dwProcessId, "#32768", nullptr)) != nullptr; }));
    for (WPARAM key : keys) PostMessageA(menu, WM_KEYDOWN, key, 1), PostMessageA(menu, WM_KEYUP, key, 0);
}

// A schedule for the minute now begun, with at least ten seconds of it left; the status last,
// so no tick sees it half written.
void schedule_now(const char* mode, const char* name, const char* warning, const char* seconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (now.wSecond >= 50) Sleep((61 - now.wSecond) * 1000), GetLocalTime(&now);
    char date[16], time[8];
    wsprintfA(date, "%02d/%02d/%04d", now.wMonth, now.wDay, now.wYear);
    wsprintfA(time, "%02d:%02d", now.wHour, now.wMinute);
    const char* values[][2] = {{"ScheduleDate", date}, {"ScheduleTime", time}, {"ScheduleMode", mode},
                               {"ScheduleModeRestartToName", name}, {"ScheduleForceTerminate", "False"},
                               {"ScheduleShowWarning", warning}, {"ScheduleShowWarningTimeout", seconds},
                               {"ScheduleStatus", "Enabled"}};
    for (const auto& v : values) e2e::set_setting(v[0], v[1]);
}

bool warning_shown(const e2e::Child& tray) {
    return e2e::until([&] { return e2e::box_text(tray.info.dwProcessId, false).rfind("The system will ", 0) == 0; });
}

TEST_CASE("tray: a menu pick and a double-click restart into their entry; so does the schedule, warned or not") {
    e2e::World world = e2e::make_world(e2e::boot_ini(2));
    e2e::set_setting("DoubleClickMode", "Restart");
    e2e::Child tray = e2e::start("");
    const std::string r = e2e::kRestart;
    const auto logged = [&](const std::string& log, int partition) {
        return e2e::until([&] { return e2e::power(world) == log; }) && e2e::read(world.boot_ini) == e2e::boot_ini(partition);
    };
    menu_keys(tray, {VK_DOWN, VK_RETURN});  // the first entry
    CHECK(logged(r, 1));
    PostMessageA(tray.main, kTrayCallback, 0, WM_LBUTTONDBLCLK);
    CHECK(logged(r + r, 1));
    schedule_now("Restart to", "Microsoft Windows 2000 Professional", "False", "10");
    CHECK(logged(r + r + r, 2));
    schedule_now("Shut down", "", "True", "1");  // the warning runs out: it goes ahead
    CHECK(warning_shown(tray) && logged(r + r + r, 2));
    CHECK(logged(r + r + r + "ExitWindowsEx flags=8\r\n", 2));
    close(tray);
}

// Wine's usual version is 7: the menu's Run at startup is the logon task, made
// and removed with schtasks; its file in the system's task folder is what Wine keeps.
TEST_CASE("tray: Run at startup makes the logon task, without the Run value, and removes it again") {
    e2e::make_world(e2e::boot_ini(2));
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const auto made = [&] {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((system + std::string("\\Tasks\\Vorlane S-*")).c_str(), &found);
        return search != INVALID_HANDLE_VALUE && FindClose(search);
    };
    e2e::Child tray = e2e::start("");
    PostMessageA(tray.main, WM_COMMAND, kRunAtStartup, 0);
    CHECK(e2e::until(made) && e2e::until([] { return e2e::get_value(HKEY_CURRENT_USER, e2e::kSettings, "StartupTask") != ""; }));
    CHECK_EQ(e2e::get_value(HKEY_CURRENT_USER, e2e::kRunKey, "Vorlane"), "");
    PostMessageA(tray.main, WM_COMMAND, kRunAtStartup, 0);
    CHECK(e2e::until([&] { return !made(); }));
    close(tray);
}

TEST_CASE("tray: a plain start hides in the tray; Exit or a second start closes it, even while the warning counts") {
    for (const char* closer : {"Exit", ""}) {
        e2e::World world = e2e::make_world(e2e::boot_ini(1));
        e2e::Child tray = e2e::start("");
        NOTIFYICONDATAA icon = {NOTIFYICONDATAA_V2_SIZE, tray.main, 0, NIF_MESSAGE, kTrayCallback};  // the shell knows it
        CHECK_MSG(tray.main && e2e::until([&] { return Shell_NotifyIconA(NIM_MODIFY, &icon); }) && !IsWindowVisible(tray.main), closer);
        schedule_now("Shut down", "", "True", "30");
        CHECK_MSG(warning_shown(tray), closer);
        if (*closer) {
            menu_keys(tray, {VK_UP, VK_RETURN});  // the menu's last item
        } else {
            const e2e::Ended e = e2e::run(closer);
            CHECK_MSG(e.ended && e.code == 0 && !e.tray && e.boxes.empty(), closer);
        }
        CHECK_MSG(ends_alone(tray) && e2e::power(world).empty(), closer + e2e::power(world));  // carrying nothing out
        CHECK_MSG(e2e::wait(tray).code == 0 && !FindWindowA("#32770", "About Vorlane"), closer);
    }
}

}  // namespace

int main(int argc, char** argv) { return e2e::run_cases(argc, argv); }
