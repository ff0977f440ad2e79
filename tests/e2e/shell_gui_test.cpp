// The shell's real Win32 side inside a test program: the pop-up menu as the
// user would get it (read back from the HMENU), the tray icon's add, modify and
// delete as the shell sees them, and the handles both leave behind. The
// program carries the product's resources, so menu 103, dialog 101 and the
// icons load from the test program itself.
//
//   shell_gui_test.exe [case filter]
//   shell_gui_test.exe --no-powrprof   (run with powrprof.dll kept from loading)
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "resource.h"
#include "shell/shell_win32.h"
#include "support/check.h"

namespace shell = vorlane::shell;

namespace {

using Lines = std::vector<std::string>;

const std::string kArc2 = "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS";
const char* const kNoPowrprofPrefix = "no powrprof:";

// ---- Handles the shell code creates, seen through its imports ----

std::vector<HMENU> g_loaded_menus;  // every menu LoadMenuA made, sub-menus included
std::vector<HICON> g_loaded_icons;  // every icon LoadImageA made
decltype(&LoadMenuA) g_real_load_menu = nullptr;
decltype(&LoadImageA) g_real_load_image = nullptr;

void collect_menu(HMENU menu) {
    g_loaded_menus.push_back(menu);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (HMENU sub = GetSubMenu(menu, i)) collect_menu(sub);
}

HMENU WINAPI recording_load_menu(HINSTANCE instance, LPCSTR name) {
    HMENU menu = g_real_load_menu(instance, name);
    if (menu) collect_menu(menu);
    return menu;
}

HANDLE WINAPI recording_load_image(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    HANDLE image = g_real_load_image(instance, name, type, cx, cy, flags);
    if (image && type == IMAGE_ICON) g_loaded_icons.push_back(static_cast<HICON>(image));
    return image;
}

// Points this program's import of `function` at `replacement`; the original
// address, or nullptr when the program does not import it.
void* replace_import(const char* library, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* original = nullptr;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         directory.VirtualAddress && import->Name; ++import) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + import->Name), library) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(by_name->Name), function) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
    return original;
}

// ---- Message boxes ----

// The shell code runs on this thread, so a box it shows would block the test:
// a watcher closes every "Vorlane" box of this process and counts it.
CRITICAL_SECTION g_boxes_lock;
std::vector<std::string> g_box_texts;

DWORD WINAPI watch_boxes(void*) {
    std::vector<e2e::Box> seen;
    for (;;) {
        e2e::close_boxes(GetCurrentProcessId(), seen);
        EnterCriticalSection(&g_boxes_lock);
        for (std::size_t i = g_box_texts.size(); i < seen.size(); ++i) g_box_texts.push_back(seen[i].text);
        LeaveCriticalSection(&g_boxes_lock);
        Sleep(50);
    }
}

std::vector<std::string> boxes_shown() {
    EnterCriticalSection(&g_boxes_lock);
    std::vector<std::string> texts = g_box_texts;
    LeaveCriticalSection(&g_boxes_lock);
    return texts;
}

// ---- The world and the menu ----

std::string three_systems() { return e2e::sample_boot_ini(kArc2); }

std::string no_systems() { return "[boot loader]\r\ntimeout=30\r\ndefault=" + kArc2 + "\r\n[operating systems]\r\n"; }

// Sets up a world and starts the program's state as a plain start would.
void start_program(const std::string& boot_ini, const std::vector<std::pair<const char*, const char*>>& settings = {}) {
    e2e::make_world(boot_ini);
    for (const auto& [name, value] : settings) e2e::set_setting(name, value);
    shell::g_app = shell::App{};
    shell::start_up(shell::g_app);
}

// One line per item: text#command, "---" for a separator, text> for a
// sub-menu; [grey], [check] and [bold] as the item shows them.
Lines describe(HMENU menu) {
    Lines out;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, i, TRUE, &info)) {
            out.push_back("(unreadable)");
            continue;
        }
        std::string line;
        // A separator's state means nothing (the resource compiler greys them).
        if (info.fType & MFT_SEPARATOR) {
            out.push_back("---");
            continue;
        }
        if (info.hSubMenu) line = std::string(text) + ">";
        else line = std::string(text) + "#" + std::to_string(info.wID);
        if (info.fState & MFS_GRAYED) line += "[grey]";
        if (info.fState & MFS_CHECKED) line += "[check]";
        if (info.fState & MFS_DEFAULT) line += "[bold]";
        out.push_back(line);
    }
    return out;
}

// The sub-menu whose item reads `text`; nullptr when there is none.
HMENU sub_menu(HMENU menu, const char* text) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char item[256] = {};
        GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
        if (std::string(item) == text) return GetSubMenu(menu, i);
    }
    return nullptr;
}

// What powrprof.dll says about a power state, the way the menu must follow it:
// no library or no probe counts as allowed.
bool system_allows(bool hibernate) {
    HMODULE library = LoadLibraryA("powrprof.dll");
    if (!library) return true;
    using Probe = BOOLEAN(WINAPI*)();
    auto probe = reinterpret_cast<Probe>(reinterpret_cast<void*>(
        GetProcAddress(library, hibernate ? "IsPwrHibernateAllowed" : "IsPwrSuspendAllowed")));
    const bool allowed = !probe || probe() != 0;
    FreeLibrary(library);
    return allowed;
}

Lines power_items() {
    return {"Sh&ut Down#40004", std::string("Stand &by#40008") + (system_allows(false) ? "" : "[grey]"),
            std::string("&Hibernate#40009") + (system_allows(true) ? "" : "[grey]")};
}

Lines full_menu(const Lines& entries) {
    Lines menu = entries;
    menu.push_back("---");
    for (const std::string& item : power_items()) menu.push_back(item);
    for (const char* item : {"---", "Ad&vanced>", "---", "&About#40005", "E&xit#2"}) menu.push_back(item);
    return menu;
}

const Lines kThreeEntries = {
    "Microsoft Windows 2000 Professional#30000",
    "Microsoft Windows XP Professional#30001[bold]",
    "Microsoft Windows Server 2003, Standard#30002",
};
const Lines kNoEntries = {"No operating systems found#30000[grey]"};
const Lines kFullAdvanced = {
    "Sc&hedule...#129", "---", "Maintain &default#40000", "Run at startu&p#40013", "&Sort list#40003",
    "Use simplified &menu#40011", "---", "&Double-click>", "---", "Locate &BOOT.INI ...#40001",
    "Locate &VORLANE.INI ...#40002",
};
const Lines kDoubleClickDisabled = {"&Disabled#126[check]", "---", "&Restart#127", "&Shutdown#128", "Sc&hedule#131"};

// Builds the menu, checks it against the expected layout and destroys it.
void check_menu(const std::string& row, const Lines& popup, const Lines& advanced, const Lines* double_click,
                UINT default_command) {
    HMENU loaded = nullptr;
    HMENU menu = shell::build_menu(&loaded);
    CHECK_MSG(menu != nullptr && loaded != nullptr, row);
    if (!menu) return;
    CHECK_MSG(describe(menu) == popup, row + ": " + check::show(describe(menu)));
    HMENU advanced_menu = sub_menu(menu, "Ad&vanced");
    CHECK_MSG(advanced_menu && describe(advanced_menu) == advanced,
              row + ": " + (advanced_menu ? check::show(describe(advanced_menu)) : std::string("no Advanced")));
    if (double_click && advanced_menu) {
        HMENU double_click_menu = sub_menu(advanced_menu, "&Double-click");
        CHECK_MSG(double_click_menu && describe(double_click_menu) == *double_click,
                  row + ": " +
                      (double_click_menu ? check::show(describe(double_click_menu)) : std::string("no Double-click")));
    }
    CHECK_MSG(GetMenuDefaultItem(menu, FALSE, 0) == default_command, row);
    DestroyMenu(loaded);
    CHECK_MSG(boxes_shown().empty(), row + ": " + check::show(boxes_shown()));
}

TEST_CASE("menu: layouts for no entries, three entries and the simplified menu") {
    const Lines simplified_advanced = {"Sc&hedule...#129", "---", "Use simplified &menu#40011[check]"};
    Lines simplified_three = kThreeEntries;
    for (const char* item : {"---", "Ad&vanced>", "---", "E&xit#2"}) simplified_three.push_back(item);
    Lines simplified_none = kNoEntries;
    for (const char* item : {"---", "Ad&vanced>", "---", "E&xit#2"}) simplified_none.push_back(item);

    struct Row {
        const char* name;
        std::string boot_ini;
        const char* simplified;
        Lines popup;
        Lines advanced;
        bool has_double_click;
        UINT default_command;
    };
    const Row rows[] = {
        {"no entries", no_systems(), "False", full_menu(kNoEntries), kFullAdvanced, true, static_cast<UINT>(-1)},
        {"three entries", three_systems(), "False", full_menu(kThreeEntries), kFullAdvanced, true, 30001},
        {"simplified, three entries", three_systems(), "True", simplified_three, simplified_advanced, false, 30001},
        {"simplified, no entries", no_systems(), "True", simplified_none, simplified_advanced, false,
         static_cast<UINT>(-1)},
    };
    for (const Row& row : rows) {
        start_program(row.boot_ini, {{"UseSimplifiedMenu", row.simplified}});
        check_menu(row.name, row.popup, row.advanced, row.has_double_click ? &kDoubleClickDisabled : nullptr,
                   row.default_command);
    }
}

TEST_CASE("menu: check marks follow the registry") {
    struct Row {
        const char* maintain;
        const char* sort;
        bool run_value;
        const char* mode;
        Lines entries;
        Lines advanced_checks;  // "[check]" per Advanced item, in order: 40000, 40013, 40003, 40011
        UINT mode_checked;
    };
    // Sorted by name, XP (still the default) moves to the end.
    const Lines sorted = {
        "Microsoft Windows 2000 Professional#30000",
        "Microsoft Windows Server 2003, Standard#30001",
        "Microsoft Windows XP Professional#30002[bold]",
    };
    const Row rows[] = {
        {"True", "True", true, "Shutdown", sorted, {"[check]", "[check]", "[check]", ""}, ID_DOUBLECLICK_SHUTDOWN},
        {"False", "False", false, "Disabled", kThreeEntries, {"", "", "", ""}, ID_DOUBLECLICK_DISABLED},
        {"True", "False", false, "Restart", kThreeEntries, {"[check]", "", "", ""}, ID_DOUBLECLICK_RESTART},
        {"False", "False", true, "Schedule", kThreeEntries, {"", "[check]", "", ""}, ID_DOUBLECLICK_SCHEDULE},
    };
    for (const Row& row : rows) {
        const std::string name = std::string("MaintainDefault ") + row.maintain + ", SortList " + row.sort +
                                 ", Run value " + (row.run_value ? "present" : "absent") + ", mode " + row.mode;
        start_program(three_systems(), {{"MaintainDefault", row.maintain}, {"SortList", row.sort},
                                        {"DoubleClickMode", row.mode}});
        if (row.run_value) e2e::set_string(HKEY_CURRENT_USER, e2e::kRunKey, "Vorlane", "C:\\vorlane.exe");
        Lines advanced = kFullAdvanced;
        advanced[2] += row.advanced_checks[0];
        advanced[3] += row.advanced_checks[1];
        advanced[4] += row.advanced_checks[2];
        advanced[5] += row.advanced_checks[3];
        Lines double_click = {"&Disabled#126", "---", "&Restart#127", "&Shutdown#128", "Sc&hedule#131"};
        for (std::string& item : double_click)
            if (item.find("#" + std::to_string(row.mode_checked)) != std::string::npos) item += "[check]";
        check_menu(name, full_menu(row.entries), advanced, &double_click,
                   row.entries == sorted ? 30002 : 30001);
    }
}

// Run by the second ctest entry only, where WINEDLLOVERRIDES keeps powrprof.dll out.
TEST_CASE("no powrprof: stand-by and hibernate stay enabled") {
    CHECK_MSG(LoadLibraryA("powrprof.dll") == nullptr, "powrprof.dll was not kept from loading");
    start_program(three_systems());
    HMENU loaded = nullptr;
    HMENU menu = shell::build_menu(&loaded);
    CHECK(menu != nullptr);
    if (!menu) return;
    CHECK_EQ(GetMenuState(menu, ID_STANDBY, MF_BYCOMMAND) & MF_GRAYED, 0u);
    CHECK_EQ(GetMenuState(menu, ID_HIBERNATE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    DestroyMenu(loaded);
}

TEST_CASE("menu: a hundred builds leave no menu behind") {
    CHECK_MSG(g_real_load_menu != nullptr, "LoadMenuA is not imported, so its menus cannot be seen");
    // Wine answers 0 for every count here; real Windows keeps real ones.
    const DWORD user_before = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const DWORD gdi_before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (const char* simplified : {"False", "True"}) {
        for (const std::string& boot_ini : {three_systems(), no_systems()}) {
            start_program(boot_ini, {{"UseSimplifiedMenu", simplified}});
            std::size_t alive = 0, loads = 0;
            for (int cycle = 0; cycle < 100; ++cycle) {
                g_loaded_menus.clear();
                HMENU loaded = nullptr;
                shell::build_menu(&loaded);
                if (!loaded) continue;
                loads += g_loaded_menus.empty() ? 0 : 1;
                DestroyMenu(loaded);
                // Also the sub-menus that the simplified menu took out.
                for (HMENU menu : g_loaded_menus) alive += IsMenu(menu) ? 1 : 0;
            }
            const std::string row = std::string("UseSimplifiedMenu ") + simplified +
                                    (boot_ini == no_systems() ? ", no entries" : ", three entries");
            CHECK_MSG(loads == 100, row);
            CHECK_MSG(alive == 0, row + ": " + std::to_string(alive) + " menus left");
        }
    }
    CHECK_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user_before);
    CHECK_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi_before);
}

bool icon_alive(HICON icon) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

// The hidden main window, as tray mode makes it.
HWND create_main_window() {
    shell::load_first_tray_picture();
    HWND window = CreateDialogParamA(shell::g_instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                     shell::main_window_proc, 0);
    CHECK(window != nullptr);
    return window;
}

void destroy_main_window(HWND window) {
    KillTimer(window, shell::kTimerId);
    DestroyWindow(window);
    shell::destroy_tray_picture();
    shell::link_release();
}

NOTIFYICONDATAA icon_of(HWND window) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = shell::kTrayIconId;
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = shell::kTrayCallback;
    return data;
}

TEST_CASE("tray icon: each update releases the previous picture") {
    CHECK_MSG(g_real_load_image != nullptr, "LoadImageA is not imported, so its icons cannot be seen");
    start_program(three_systems());
    g_loaded_icons.clear();
    HWND window = create_main_window();  // loads the first picture
    if (!window) return;
    shell::update_tray_icon(window, NIM_ADD, shell::kTrayTip);
    // A tip far beyond any shell's limit: cut, never overrun.
    const std::string long_tip(200, 'n');
    for (int i = 0; i < 100; ++i) shell::update_tray_icon(window, NIM_MODIFY, i % 2 ? long_tip.c_str() : nullptr);
    shell::update_tray_icon(window, NIM_DELETE, nullptr);
    CHECK_EQ(g_loaded_icons.size(), 103u);
    std::size_t alive = 0;
    for (std::size_t i = 0; i + 1 < g_loaded_icons.size(); ++i) alive += icon_alive(g_loaded_icons[i]) ? 1 : 0;
    CHECK_EQ(alive, 0u);
    if (!g_loaded_icons.empty()) {
        CHECK(icon_alive(g_loaded_icons.back()));
        shell::destroy_tray_picture();
        CHECK(!icon_alive(g_loaded_icons.back()));
    }
    destroy_main_window(window);
}

TEST_CASE("tray icon: TaskbarCreated adds it again, and twice leaves exactly one") {
    start_program(three_systems());
    HWND window = create_main_window();
    if (!window) return;
    shell::update_tray_icon(window, NIM_ADD, shell::kTrayTip);
    NOTIFYICONDATAA data = icon_of(window);
    const UINT taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    // A restarted shell has lost every icon.
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data));
    SendMessageA(window, taskbar_created, 0, 0);
    CHECK(Shell_NotifyIconA(NIM_MODIFY, &data));
    SendMessageA(window, taskbar_created, 0, 0);
    SendMessageA(window, taskbar_created, 0, 0);
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data));
    CHECK(!Shell_NotifyIconA(NIM_DELETE, &data));
    destroy_main_window(window);
    CHECK(boxes_shown().empty());
}

TEST_CASE("tray icon: the shell library's version decides the tip limit") {
    // Wine's shell32 says 6.0, so tips keep 127 characters.
    CHECK(shell::shell_version("shell32.dll") >= 0x50000u);
    CHECK_EQ(shell::tip_limit(shell::shell_version("shell32.dll")), 128u);
    CHECK_EQ(shell::shell_version("no-such-library.dll"), 0u);
    // Loads, but has no DllGetVersion.
    CHECK_EQ(shell::shell_version("kernel32.dll"), 0u);
}

}  // namespace

int main(int argc, char** argv) {
    shell::g_instance = GetModuleHandleA(nullptr);
    g_real_load_menu = reinterpret_cast<decltype(&LoadMenuA)>(
        replace_import("user32.dll", "LoadMenuA", reinterpret_cast<void*>(&recording_load_menu)));
    g_real_load_image = reinterpret_cast<decltype(&LoadImageA)>(
        replace_import("user32.dll", "LoadImageA", reinterpret_cast<void*>(&recording_load_image)));
    e2e::keep_tray_populated();
    InitializeCriticalSection(&g_boxes_lock);
    CloseHandle(CreateThread(nullptr, 0, watch_boxes, nullptr, 0, nullptr));

    // The powrprof-less run takes only its own case; every other run leaves it out.
    const bool no_powrprof = argc > 1 && std::string(argv[1]) == "--no-powrprof";
    auto& cases = check::cases();
    cases.erase(std::remove_if(cases.begin(), cases.end(),
                               [&](const check::Case& c) {
                                   const bool own = std::strncmp(c.name, kNoPowrprofPrefix,
                                                                 std::strlen(kNoPowrprofPrefix)) == 0;
                                   return own != no_powrprof;
                               }),
                cases.end());
    if (no_powrprof) return check::run_all(1, argv);
    return check::run_all(argc, argv);
}
