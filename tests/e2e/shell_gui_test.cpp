// The shell's real Win32 side inside this program, which carries the product's resources:
// the menu read back from its HMENU, the tray icon as the shell sees it, and what both leave.
#include <atomic>

#include "e2e/e2e_support.h"
#include "resource.h"
#include "shell/shell_win32.h"

namespace shell = vorlane::shell;

namespace {

bool g_no_powrprof = false;
std::atomic<std::size_t> g_boxes{0};  // shown, and answered by another thread
std::vector<HMENU> g_menus;           // every menu the product loaded, with its sub-menus
std::vector<HICON> g_icons;           // every icon the product loaded
std::vector<UINT> g_icon_ids;         // and the resource each came from
SHORT g_shift_state = 0;              // what GetAsyncKeyState(VK_SHIFT) answers the product
std::vector<std::pair<UINT, DWORD>> g_filtered;  // ChangeWindowMessageFilter's calls

DWORD WINAPI answer_boxes(void*) {
    for (std::vector<std::string> texts;; Sleep(50), g_boxes = texts.size())
        e2e::close_box(GetCurrentProcessId(), texts);
}

e2e::World start_program(const std::string& boot_ini, std::vector<std::pair<const char*, const char*>> settings = {},
                         const char* run_value = nullptr) {
    const e2e::World world = e2e::make_world(boot_ini);
    for (const auto& [name, value] : settings) e2e::set_setting(name, value);
    e2e::set_value(HKEY_CURRENT_USER, e2e::kRunKey, "Vorlane", run_value);
    shell::g_app.prefs = vorlane::settings::Preferences();  // as a fresh process has them
    shell::start_up(shell::g_app);
    return world;
}

// Items joined by "|": text#command, "---", or text>{sub-menu}; then [grey] [check] [bold].
std::string describe(HMENU menu) {
    std::string out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA item = {sizeof item, MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING};
        item.dwTypeData = text;
        item.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &item);
        out += (i ? "|" : "") + std::string(item.fType & MFT_SEPARATOR ? "---" : text);
        if (item.fType & MFT_SEPARATOR) continue;
        out += item.hSubMenu ? ">{" + describe(item.hSubMenu) + "}" : "#" + std::to_string(item.wID);
        out += std::string(item.fState & MFS_GRAYED ? "[grey]" : "") + (item.fState & MFS_CHECKED ? "[check]" : "") +
               (item.fState & MFS_DEFAULT ? "[bold]" : "");
    }
    return out;
}

// Greyed where powrprof.dll loads and says no.
std::string grey_unless(const char* probe) {
    auto allowed = reinterpret_cast<BOOLEAN(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("powrprof.dll"), probe)));  // null: this program
    return allowed && !allowed() ? "[grey]" : "";
}

// `checks`: which of Maintain default, Run at startup and Sort list are checked; `mode` 0 to 3.
std::string full_menu(const std::string& entries, const char* checks, int mode) {
    const auto mark = [](bool on) { return on ? "[check]" : ""; };
    const char* modes[] = {"&Disabled#126", "|---|&Restart#127", "|&Shutdown#128", "|Sc&hedule#131"};
    std::string double_click;
    for (int i = 0; i < 4; ++i) double_click += modes[i] + std::string(mark(i == mode));
    return entries + "|---|Sh&ut Down#40004|Stand &by#40008" + grey_unless("IsPwrSuspendAllowed") +
           "|&Hibernate#40009" + grey_unless("IsPwrHibernateAllowed") +
           "|---|Ad&vanced>{Sc&hedule...#129|---|Maintain &default#40000" + mark(checks[0] == 'M') +
           "|Run at startu&p#40013" + mark(checks[1] == 'R') + "|&Sort list#40003" + mark(checks[2] == 'S') +
           "|Use simplified &menu#40011|---|&Double-click>{" + double_click +
           "}|---|Locate &BOOT.INI ...#40001|Locate &VORLANE.INI ...#40002}|---|&About#40005|E&xit#2";
}

std::string simplified_menu(const std::string& entries) {
    return entries + "|---|Ad&vanced>{Sc&hedule...#129|---|Use simplified &menu#40011[check]}|---|E&xit#2";
}

TEST_CASE("menu: entries, states and commands follow BOOT.INI and the registry; no menu is left behind") {
    if (g_no_powrprof) CHECK_MSG(!LoadLibraryA("powrprof.dll"), "powrprof.dll was not kept out");
    const std::string three = e2e::boot_ini(2), none = "[boot loader]\r\n[operating systems]\r\n";
    const std::string no_entries = "No operating systems found#30000[grey]";
    const std::string table = "Microsoft Windows XP Professional#30000|Microsoft Windows 2000 Professional#30001"
                              "[bold]|Microsoft Windows Server 2003, Standard#30002";
    const std::string sorted = "Microsoft Windows 2000 Professional#30000[bold]"
                               "|Microsoft Windows Server 2003, Standard#30001|Microsoft Windows XP Professional#30002";
    const std::string ampersand = "[boot loader]\r\ndefault=C:\\\r\n[operating systems]\r\nC:\\=\"Linux & XP\"\r\n";
    struct Row {
        std::string boot_ini;
        const char *simplified, *maintain, *sort, *mode, *run_value;
        std::string menu;
    } rows[] = {
        {none, "False", "False", "False", "Disabled", nullptr, full_menu(no_entries, "---", 0)},
        {three, "False", "False", "False", "Disabled", nullptr, full_menu(table, "---", 0)},
        {three, "True", "False", "False", "Disabled", nullptr, simplified_menu(table)},
        {none, "True", "False", "False", "Disabled", nullptr, simplified_menu(no_entries)},
        {three, "False", "True", "True", "Shutdown", "x", full_menu(sorted, "MRS", 2)},
        {three, "False", "True", "False", "Restart", nullptr, full_menu(table, "M--", 1)},
        {three, "False", "False", "False", "Schedule", "x", full_menu(table, "-R-", 3)},
        {ampersand, "False", "False", "False", "Disabled", nullptr, full_menu("Linux && XP#30000[bold]", "---", 0)},
    };
    for (const Row& row : rows) {
        start_program(row.boot_ini, {{"UseSimplifiedMenu", row.simplified}, {"MaintainDefault", row.maintain},
                                     {"SortList", row.sort}, {"DoubleClickMode", row.mode}}, row.run_value);
        g_menus.clear();
        HMENU loaded = nullptr;
        CHECK_EQ(describe(shell::build_menu(&loaded)), row.menu);
        DestroyMenu(loaded);
        CHECK_MSG(!g_menus.empty() && std::none_of(g_menus.begin(), g_menus.end(), IsMenu), row.menu);
    }
    // A boot menu's notice and a pending one-time start with its cancel, above the entries, in either menu.
    for (const char* simplified : {"False", "True"}) {
        start_program(three, {{"UseSimplifiedMenu", simplified}});
        shell::g_app.menu.notices = {"Boot & menu unread"};
        shell::g_app.menu.pending = "Windows 7";
        HMENU loaded = nullptr;
        CHECK_EQ(describe(shell::build_menu(&loaded)),
                 "Boot && menu unread#0[grey]|Next start only: Windows 7#0[grey]|Cancel the one-time start#40015|---|" +
                     (*simplified == 'T' ? simplified_menu(table) : full_menu(table, "---", 0)));
        DestroyMenu(loaded);
    }
    CHECK_EQ(g_boxes.load(), 0u);
}

TEST_CASE("tray icon: TaskbarCreated adds it again, exactly once; each picture is released") {
    start_program(e2e::boot_ini(2));
    g_icons.clear();
    g_filtered.clear();
    shell::load_first_tray_picture();
    HWND window = CreateDialogParamA(shell::g_instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                     shell::main_window_proc, 0);
    // Let in past the filter of Vista and later, which would keep it from an elevated copy.
    const std::pair<UINT, DWORD> let_in{RegisterWindowMessageA("TaskbarCreated"), 1};  // MSGFLT_ADD
    CHECK(g_filtered.size() == 1 && g_filtered[0] == let_in);
    shell::update_tray_icon(window, NIM_ADD, shell::kTrayTip);
    const std::string long_tip(200, 'n');  // cut to the shell's limit, never overrun
    for (int i = 0; i < 10; ++i) shell::update_tray_icon(window, NIM_MODIFY, i % 2 ? long_tip.c_str() : nullptr);
    NOTIFYICONDATAA data = {NOTIFYICONDATAA_V2_SIZE, window, shell::kTrayIconId};
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data));  // as a restarted shell forgets it
    for (int i = 0; i < 3; ++i) SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data) && !Shell_NotifyIconA(NIM_DELETE, &data));
    const auto alive = [](HICON icon) {
        ICONINFO info = {};
        const bool ok = GetIconInfo(icon, &info);
        DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
        return ok;
    };
    CHECK(g_icons.size() > 10 && std::none_of(g_icons.begin(), g_icons.end() - 1, alive) && alive(g_icons.back()));
    KillTimer(window, shell::kTimerId);
    DestroyWindow(window);
    shell::destroy_tray_picture();
    shell::link_release();
    CHECK(!g_icons.empty() && !alive(g_icons.back()) && g_boxes == 0);
}

// "WxHxBITS" of an icon resource's images, as the program carries them.
std::string icon_format(UINT id) {
    HRSRC found = FindResourceA(shell::g_instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    const BYTE* dir = found ? static_cast<const BYTE*>(LockResource(LoadResource(shell::g_instance, found))) : nullptr;
    std::string out;
    for (int i = 0; dir && i < dir[4]; ++i) {  // after 6 bytes, 14 per image: width, height, ..., bit count at 6
        const BYTE* image = dir + 6 + 14 * i;
        out += (i ? " " : "") + std::to_string(image[0]) + "x" + std::to_string(image[1]) + "x" + std::to_string(image[6]);
    }
    return out;
}

TEST_CASE("tray icon: the picture follows the schedule and the shell, in the colours each shell shows") {
    start_program(e2e::boot_ini(2));
    const struct { const char* status; bool new_shell; UINT picture; std::string format; } rows[] = {
        {"Disabled", true, 111, "16x16x8"}, {"Disabled", false, 112, "16x16x4"},
        {"Enabled", true, 113, "16x16x8"}, {"Enabled", false, 114, "16x16x4"}};
    for (const auto& r : rows) {
        e2e::set_setting("ScheduleStatus", r.status);
        shell::g_app.new_shell = r.new_shell;
        g_icon_ids.clear();
        shell::load_first_tray_picture();  // before the schedule is asked
        shell::update_tray_icon(nullptr, NIM_MODIFY, nullptr);
        CHECK_EQ(g_icon_ids, (std::vector<UINT>{r.new_shell ? 111u : 112u, r.picture}));
        CHECK_EQ(icon_format(r.picture), r.format);
        shell::destroy_tray_picture();
    }
    CHECK_EQ(icon_format(IDI_ABOUT), "32x32x8");
}

TEST_CASE("tray icon: the shell library's version, and a cut tip never splits a double-byte character") {
    CHECK(shell::shell_version("shell32.dll") >= 0x50000u);  // Wine's says 6.0; the limits: shell_test
    CHECK_EQ(shell::shell_version("no-such-library.dll"), 0u);
    CHECK_EQ(shell::shell_version("kernel32.dll"), 0u);  // loads, but has no DllGetVersion

    // Code page 932: "\x82\xa0" is one character, and so is "\x81\x97", whose second byte could be a first.
    const std::string n125(125, 'n'), n126(126, 'n');
    CHECK_EQ(shell::tray_tip(n126 + "\x82\xa0" "x", 0x50000), n126);
    CHECK_EQ(shell::tray_tip(n125 + "\x81\x97" "\x82\xa0", 0x50000), n125 + "\x81\x97");
}

TEST_CASE("menu pick: only a Shift held now keeps the restart back, not one pressed since the last asking") {
    const struct { SHORT state; bool restarts; } rows[] = {
        {0, true}, {0x0001, true}, {SHORT(0x8000), false}, {SHORT(0x8001), false}};
    for (const auto& r : rows) {
        const e2e::World world = start_program(e2e::boot_ini(2));
        g_shift_state = r.state;
        CHECK(shell::dispatch_command(shell::g_app, shell::kEntryCommandBase) == shell::UiAction::none);
        CHECK_MSG(e2e::power(world) == (r.restarts ? "ExitWindowsEx flags=2\r\n" : ""), std::to_string(r.state));
        CHECK_MSG(e2e::read(world.boot_ini) == e2e::boot_ini(1), std::to_string(r.state));
    }
    g_shift_state = 0;
}

// Run by versions_test in a child started under each Windows version (Wine reads it at
// start-up): writes the tooltip for a short default name and for a 200-character one.
int write_tooltips(const char* out) {
    start_program(e2e::boot_ini(1));
    const std::uint32_t version = shell::shell_version("shell32.dll");
    std::string tips = shell::tray_tip(shell::tooltip_text(shell::g_app), version) + "|";
    shell::g_app.table.current_default = std::string(200, 'n');
    shell::rebuild_menu(shell::g_app);
    tips += shell::tray_tip(shell::tooltip_text(shell::g_app), version);
    e2e::write(out, tips);
    return 0;
}

}  // namespace

HMENU e2e_load_menu(HINSTANCE instance, LPCSTR name) {
    HMENU menu = LoadMenuA(instance, name);
    g_menus.push_back(menu);
    for (std::size_t i = g_menus.size() - 1; i < g_menus.size(); ++i)  // its sub-menus too
        for (int item = 0; item < GetMenuItemCount(g_menus[i]); ++item)
            if (HMENU sub = GetSubMenu(g_menus[i], item)) g_menus.push_back(sub);
    return menu;
}

SHORT e2e_get_async_key_state(int key) { return key == VK_SHIFT ? g_shift_state : GetAsyncKeyState(key); }
BOOL e2e_is_dbcs_lead_byte(BYTE byte) { return IsDBCSLeadByteEx(932, byte); }

BOOL WINAPI note_filter(UINT message, DWORD action) {
    g_filtered.emplace_back(message, action);
    return TRUE;
}

// Only where the system has it, so a Windows without it is still looked up in earnest.
FARPROC e2e_get_proc_address(HMODULE module, LPCSTR name) {
    FARPROC found = GetProcAddress(module, name);
    if (found && !IS_INTRESOURCE(name) && !std::strcmp(name, "ChangeWindowMessageFilter"))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(note_filter));
    return found;
}

HANDLE e2e_load_image(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    HANDLE image = LoadImageA(instance, name, type, cx, cy, flags);
    if (type == IMAGE_ICON) g_icons.push_back(static_cast<HICON>(image));
    if (type == IMAGE_ICON) g_icon_ids.push_back(IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<UINT_PTR>(name)) : 0);
    return image;
}

int main(int argc, char** argv) {
    shell::g_instance = GetModuleHandleA(nullptr);
    if (argc > 2 && !std::strcmp(argv[1], "--tooltips")) return write_tooltips(argv[2]);
    e2e::keep_tray_populated();
    CloseHandle(CreateThread(nullptr, 0, answer_boxes, nullptr, 0, nullptr));  // this thread runs the shell code
    g_no_powrprof = argc > 1 && !std::strcmp(argv[1], "--no-powrprof");
    return check::run_all(g_no_powrprof ? 1 : argc, argv);
}
