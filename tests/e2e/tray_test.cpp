// Tray mode end to end: vorlane.exe started without a switch, then driven
// from outside through its main window the way the shell and the user reach
// it: the tray callback message, the pop-up menu's keyboard, "TaskbarCreated"
// and the close request that a second start sends.
//
//   tray_test.exe <path of vorlane.exe> [case filter]
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/check.h"

namespace {

using e2e::Child;
using e2e::Ended;
using e2e::World;
using Lines = std::vector<std::string>;

const std::string kArc1 = "multi(0)disk(0)rdisk(0)partition(1)\\WINNT";
const std::string kArc2 = "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS";
constexpr DWORD kMenuTimeoutMs = 5000;

std::string file_bytes(const std::string& path) {
    std::string bytes;
    if (!e2e::read_file(path, &bytes)) return "(missing)";
    return bytes;
}

// The tray icon the program added for its main window, as the shell keeps it:
// the shell knows an icon by its window and identifier alone, whichever
// process asks.
NOTIFYICONDATAA icon_of(HWND main) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = main;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = e2e::kTrayCallback;
    return data;
}

bool icon_exists(HWND main) {
    NOTIFYICONDATAA data = icon_of(main);
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The main window is there before the icon is added.
bool wait_for_icon(HWND main, DWORD timeout_ms) {
    const DWORD begin = GetTickCount();
    while (!icon_exists(main)) {
        if (GetTickCount() - begin > timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

// Waits until the process has no window of this class left.
bool window_gone(const Child& child, const char* window_class, DWORD timeout_ms) {
    const DWORD begin = GetTickCount();
    while (e2e::find_window(child.pid, window_class, nullptr)) {
        if (GetTickCount() - begin > timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

bool wait_for_log(const std::string& path, std::size_t lines, DWORD timeout_ms) {
    const DWORD begin = GetTickCount();
    while (e2e::log_lines(path).size() < lines) {
        if (GetTickCount() - begin > timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

// Starts tray mode and returns its hidden main window (nullptr on failure).
HWND start_tray(Child& child) {
    child = e2e::start("");
    HWND main = e2e::wait_for_main_window(child);
    CHECK_MSG(main != nullptr, "tray mode created no main window");
    return main;
}

// Closes the copy in tray mode the way a second start does, and checks that
// both ended with code 0 and left no message box.
void close_with(const char* arguments, Child& running) {
    const Ended closer = e2e::run(arguments);
    CHECK_MSG(closer.ended && closer.exit_code == 0, arguments);
    CHECK_MSG(!closer.main_window_seen, arguments);
    CHECK_MSG(closer.boxes.empty(), arguments);
    const Ended first = e2e::wait(running, 5000);
    CHECK_MSG(first.ended && first.exit_code == 0, arguments);
    CHECK_MSG(first.boxes.empty(), arguments);
}

// Opens the pop-up menu as a right-click on the tray icon does; the menu's
// window when it appeared.
HWND open_menu(const Child& child, HWND main) {
    PostMessageA(main, e2e::kTrayCallback, 0, WM_RBUTTONUP);
    return e2e::wait_for_window(child, e2e::kMenuClass, kMenuTimeoutMs);
}

// The menu loop reads the keys from its thread's queue; posting them to the
// menu window puts them there.
void press(HWND menu, WPARAM key) {
    PostMessageA(menu, WM_KEYDOWN, key, 1);
    PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
}

TEST_CASE("a plain start runs hidden in the tray; a second plain start closes it") {
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2));
    Child first;
    HWND main = start_tray(first);
    if (!main) return e2e::kill(first);
    CHECK(!IsWindowVisible(main));
    CHECK(wait_for_icon(main, kMenuTimeoutMs));
    close_with("", first);
    CHECK(e2e::find_window(first.pid, e2e::kDialogClass, e2e::kMainTitle) == nullptr);
    CHECK(FindWindowA(e2e::kDialogClass, e2e::kMainTitle) == nullptr);
    // The icon went with it. (Wine also drops the icons of a destroyed window
    // by itself; Windows would keep showing one until the pointer passes.)
    CHECK(!icon_exists(main));
    CHECK(e2e::log_lines(world.power_log).empty());
}

TEST_CASE("-x closes the copy in the tray") {
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2));
    Child first;
    if (!start_tray(first)) return e2e::kill(first);
    close_with("-x", first);
    CHECK(FindWindowA(e2e::kDialogClass, e2e::kMainTitle) == nullptr);
}

TEST_CASE("-x with none running just ends") {
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2));
    const Ended e = e2e::run("-x");
    CHECK(e.ended);
    CHECK_EQ(e.exit_code, 0ul);
    CHECK(!e.main_window_seen);
    CHECK(e.boxes.empty());
}

TEST_CASE("the pop-up menu: Escape closes it, choosing the first entry restarts into it") {
    const std::string before = e2e::sample_boot_ini(kArc2);
    World world = e2e::make_world(before);
    Child tray;
    HWND main = start_tray(tray);
    if (!main) return e2e::kill(tray);

    HWND menu = open_menu(tray, main);
    CHECK_MSG(menu != nullptr, "no menu after the right-click");
    if (menu) {
        press(menu, VK_ESCAPE);
        CHECK(window_gone(tray, e2e::kMenuClass, kMenuTimeoutMs));
    }
    CHECK(e2e::still_running(tray));
    CHECK_EQ(file_bytes(world.boot_ini), before);
    CHECK(e2e::log_lines(world.power_log).empty());

    menu = open_menu(tray, main);
    CHECK_MSG(menu != nullptr, "no menu after the second right-click");
    if (menu) {
        press(menu, VK_DOWN);
        press(menu, VK_RETURN);
        CHECK(window_gone(tray, e2e::kMenuClass, kMenuTimeoutMs));
    }
    CHECK(wait_for_log(world.power_log, 1, kMenuTimeoutMs));
    CHECK_EQ(e2e::log_lines(world.power_log), (Lines{"ExitWindowsEx flags=2"}));
    CHECK_EQ(file_bytes(world.boot_ini), e2e::sample_boot_ini(kArc1));
    // The dry run took the restart's place, so the program is still there.
    CHECK(e2e::still_running(tray));
    close_with("-x", tray);
}

TEST_CASE("a double-click restarts into the current default in Restart mode") {
    const std::string before = e2e::sample_boot_ini(kArc2);
    World world = e2e::make_world(before);
    e2e::set_setting("DoubleClickMode", "Restart");
    Child tray;
    HWND main = start_tray(tray);
    if (!main) return e2e::kill(tray);
    PostMessageA(main, e2e::kTrayCallback, 0, WM_LBUTTONDBLCLK);
    CHECK(wait_for_log(world.power_log, 1, kMenuTimeoutMs));
    CHECK_EQ(e2e::log_lines(world.power_log), (Lines{"ExitWindowsEx flags=2"}));
    CHECK_EQ(file_bytes(world.boot_ini), before);
    close_with("-x", tray);
}

TEST_CASE("TaskbarCreated adds the icon again, and twice leaves exactly one") {
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2));
    Child tray;
    HWND main = start_tray(tray);
    if (!main) return e2e::kill(tray);
    const UINT taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    DWORD_PTR result = 0;

    // A restarted shell has lost every icon.
    CHECK(wait_for_icon(main, kMenuTimeoutMs));
    NOTIFYICONDATAA data = icon_of(main);
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data));
    CHECK(!icon_exists(main));
    CHECK(SendMessageTimeoutA(main, taskbar_created, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    CHECK(icon_exists(main));

    CHECK(SendMessageTimeoutA(main, taskbar_created, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    CHECK(SendMessageTimeoutA(main, taskbar_created, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    CHECK(e2e::still_running(tray));
    // Exactly one: the first delete finds it, the second finds none.
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data));
    CHECK(!Shell_NotifyIconA(NIM_DELETE, &data));
    close_with("-x", tray);
}

TEST_CASE("a refused stand-by without the dry run shows the system's text") {
    if (!e2e::running_under_wine()) {
        std::printf("    skipped: a real stand-by is only safe under Wine\n");
        return;
    }
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2));
    // Wine's answer decides what the program must show: its text when it
    // refuses, nothing when it pretends to have done it.
    SetLastError(0);
    const bool refused = !SetSystemPowerState(TRUE, FALSE);
    const DWORD code = GetLastError();
    const Ended e = e2e::run("-b", false);
    CHECK(e.ended);
    CHECK_EQ(e.exit_code, 0ul);
    CHECK(!e.main_window_seen);
    if (refused) {
        char text[512] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                       sizeof text, nullptr);
        CHECK_EQ(e.boxes.size(), 1u);
        if (!e.boxes.empty()) CHECK_EQ(e.boxes[0].text, std::string(text));
    } else {
        std::printf("    note: Wine's SetSystemPowerState succeeds, so no box can be asked for\n");
        CHECK_MSG(e.boxes.empty(), e.boxes.empty() ? "" : e.boxes[0].text);
    }
    CHECK(e2e::log_lines(world.power_log).empty());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: tray_test <vorlane.exe> [case filter]\n");
        return 2;
    }
    e2e::g_vorlane = e2e::windows_path(argv[1]);
    e2e::keep_tray_populated();
    return check::run_all(argc - 1, argv + 1);
}
