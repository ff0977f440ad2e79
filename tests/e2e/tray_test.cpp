// vorlane.exe end to end: started plainly, then reached as the shell and the user reach it (the
// tray callback, the menu's keyboard, a second start; TaskbarCreated: shell_gui_test). The real
// message box of a failed command line: bcd_test; the switches themselves: shell_test, versions_test.
#include "e2e/e2e_support.h"

namespace {

constexpr UINT kTrayCallback = WM_APP + 100;
constexpr WPARAM kRunAtStartup = 40013;  // the menu's command

// The shell knows an icon by its window and identifier, whichever process asks.
bool icon(HWND main, DWORD operation) {
    NOTIFYICONDATAA data = {NOTIFYICONDATAA_V2_SIZE, main, 0, NIF_MESSAGE, kTrayCallback};
    return main && Shell_NotifyIconA(operation, &data);
}

bool ends_alone(e2e::Child& tray) { return WaitForSingleObject(tray.info.hProcess, 5000) == WAIT_OBJECT_0; }

// Opens the tray menu and presses these keys in it; the menu loop reads keys from its thread's
// queue, which posting to the menu reaches.
void menu_keys(const e2e::Child& tray, std::initializer_list<WPARAM> keys) {
    PostMessageA(tray.main, kTrayCallback, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    CHECK(e2e::until([&] { return (menu = e2e::find(tray.info.dwProcessId, "#32768", nullptr)) != nullptr; }));
    for (WPARAM key : keys) PostMessageA(menu, WM_KEYDOWN, key, 1), PostMessageA(menu, WM_KEYUP, key, 0);
}

TEST_CASE("tray: an entry chosen from the menu becomes the default and restarts; so does a double-click") {
    e2e::World world = e2e::make_world(e2e::boot_ini(2));
    e2e::set_setting("DoubleClickMode", "Restart");
    e2e::Child tray = e2e::start("");
    menu_keys(tray, {VK_DOWN, VK_RETURN});
    const std::string restart = "ExitWindowsEx flags=2\r\n";
    CHECK(e2e::until([&] { return e2e::power(world) == restart; }));
    CHECK_EQ(e2e::read(world.boot_ini), e2e::boot_ini(1));
    PostMessageA(tray.main, kTrayCallback, 0, WM_LBUTTONDBLCLK);
    CHECK(e2e::until([&] { return e2e::power(world) == restart + restart; }));
    CHECK_EQ(e2e::read(world.boot_ini), e2e::boot_ini(1));
    CHECK(e2e::run("-x").ended && ends_alone(tray));
    e2e::wait(tray);
}

// Wine's usual version is 7: the menu's Run at startup is the logon task, made
// and removed with schtasks; its file in the system's task folder is what Wine keeps.
TEST_CASE("tray: Run at startup makes the logon task, without the Run value, and removes it again") {
    e2e::World world = e2e::make_world(e2e::boot_ini(2));
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string pattern = std::string(system) + "\\Tasks\\Vorlane S-*";
    const auto made = [&] {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return search != INVALID_HANDLE_VALUE;
    };
    e2e::Child tray = e2e::start("");
    PostMessageA(tray.main, WM_COMMAND, kRunAtStartup, 0);
    CHECK(e2e::until(made));
    CHECK(e2e::until([] { return e2e::get_value(HKEY_CURRENT_USER, "Software\\Ostrevan\\Vorlane", "StartupTask") != ""; }));
    CHECK_EQ(e2e::get_value(HKEY_CURRENT_USER, e2e::kRunKey, "Vorlane"), "");
    PostMessageA(tray.main, WM_COMMAND, kRunAtStartup, 0);
    CHECK(e2e::until([&] { return !made(); }));
    CHECK(e2e::run("-x").ended && ends_alone(tray));
    e2e::wait(tray);
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

HWND warning_box(const e2e::Child& tray) {
    HWND box = nullptr;
    e2e::until([&] { return IsWindowVisible(box = e2e::find(tray.info.dwProcessId, "#32770", "Vorlane")); });
    char text[64] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return std::string(text).rfind("The system will ", 0) == 0 ? box : nullptr;
}

TEST_CASE("tray: the schedule acts through the main window's timer, also when its warning runs out") {
    e2e::World world = e2e::make_world(e2e::boot_ini(1));
    e2e::Child tray = e2e::start("");
    schedule_now("Restart to", "Microsoft Windows 2000 Professional", "False", "10");
    const std::string restart = "ExitWindowsEx flags=2\r\n";
    CHECK(e2e::until([&] { return e2e::power(world) == restart; }));
    CHECK_EQ(e2e::read(world.boot_ini), e2e::boot_ini(2));
    schedule_now("Shut down", "", "True", "1");
    CHECK(warning_box(tray) && e2e::power(world) == restart);
    CHECK(e2e::until([&] { return e2e::power(world) == restart + "ExitWindowsEx flags=8\r\n"; }));
    CHECK(e2e::run("-x").ended && ends_alone(tray));
    e2e::wait(tray);
}

// -x closes it the same way as a second start (shell_test), and ends the other cases here.
TEST_CASE("tray: a plain start hides in the tray; Exit or a second start closes it, even while the warning counts") {
    for (const char* closer : {"Exit", ""}) {
        e2e::World world = e2e::make_world(e2e::boot_ini(1));
        e2e::Child tray = e2e::start("");
        CHECK_MSG(e2e::until([&] { return icon(tray.main, NIM_MODIFY); }) && !IsWindowVisible(tray.main), closer);
        schedule_now("Shut down", "", "True", "30");
        CHECK_MSG(warning_box(tray), closer);
        if (std::string(closer) == "Exit") {
            menu_keys(tray, {VK_UP, VK_RETURN});  // the menu's last item
        } else {
            const e2e::Ended e = e2e::run(closer);
            CHECK_MSG(e.ended && e.code == 0 && !e.tray && e.boxes.empty(), closer);
        }
        CHECK_MSG(ends_alone(tray), closer);  // carrying nothing out
        CHECK_MSG(e2e::power(world).empty(), closer + e2e::power(world));
        CHECK_MSG(e2e::wait(tray).code == 0 && !FindWindowA("#32770", "About Vorlane"), closer);
    }
}

}  // namespace

int main(int argc, char** argv) { return e2e::run_cases(argc, argv); }
