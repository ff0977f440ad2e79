// The shell's real Win32 side inside this program, which carries the product's resources:
// the menu read back from its HMENU, the tray icon as the shell sees it, and what both leave.
#include <atomic>

#include "e2e/e2e_support.h"
#include "resource.h"
#include "shell/shell_win32.h"

namespace shell = vorlane::shell;

namespace {

std::atomic<std::size_t> g_boxes{0};  // shown, and answered by another thread
std::vector<HMENU> g_menus;           // every menu the product loaded, with its sub-menus
std::vector<UINT> g_icon_ids;         // the resource of every icon the product loaded
SHORT g_shift_state = 0;              // what GetAsyncKeyState(VK_SHIFT) answers the product
std::vector<std::pair<UINT, DWORD>> g_filtered;  // ChangeWindowMessageFilter's calls

DWORD WINAPI answer_boxes(void*) {
    for (;; Sleep(50)) g_boxes += !e2e::box_text(GetCurrentProcessId()).empty();
}

// `flags` holds U, M, S and R for Use simplified menu, Maintain default, Sort list and a Run value; none: no settings.
e2e::World start_program(const std::string& boot_ini, const char* flags = nullptr, const char* mode = "Disabled") {
    const e2e::World world = e2e::make_world(boot_ini);
    const char* names[] = {"UseSimplifiedMenu", "MaintainDefault", "SortList"};
    for (int i = 0; flags && i < 3; ++i) e2e::set_setting(names[i], std::strchr(flags, "UMS"[i]) ? "True" : "False");
    if (flags) e2e::set_setting("DoubleClickMode", mode);
    e2e::set_value(HKEY_CURRENT_USER, e2e::kRunKey, "Vorlane", flags && std::strchr(flags, 'R') ? "x" : nullptr);
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

// Greyed where powrprof.dll says no.
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
    const std::string three = e2e::boot_ini(2), none = "[boot loader]\r\n[operating systems]\r\n";
    const std::string no_entries = "No operating systems found#30000[grey]";
    const std::string table = "Microsoft Windows XP Professional#30000|Microsoft Windows 2000 Professional#30001"
                              "[bold]|Microsoft Windows Server 2003, Standard#30002";
    const std::string sorted = "Microsoft Windows 2000 Professional#30000[bold]"
                               "|Microsoft Windows Server 2003, Standard#30001|Microsoft Windows XP Professional#30002";
    const std::string ampersand = "[boot loader]\r\ndefault=C:\\\r\n[operating systems]\r\nC:\\=\"Linux & XP\"\r\n";
    // A boot menu's notice and a pending one-time start with its cancel, above the entries, in either menu.
    const std::string above = "Boot && menu unread#0[grey]|Next start only: Windows 7#0[grey]|Cancel the one-time start#40015|---|";
    const struct { std::string boot_ini; const char *flags, *mode; bool pending; std::string menu; } rows[] = {
        {none, "", "Disabled", false, full_menu(no_entries, "---", 0)},
        {three, "", "Disabled", false, full_menu(table, "---", 0)},
        {three, "U", "Disabled", false, simplified_menu(table)},
        {none, "U", "Disabled", false, simplified_menu(no_entries)},
        {three, "MSR", "Shutdown", false, full_menu(sorted, "MRS", 2)},
        {three, "M", "Restart", false, full_menu(table, "M--", 1)},
        {three, "R", "Schedule", false, full_menu(table, "-R-", 3)},
        {ampersand, "", "Disabled", false, full_menu("Linux && XP#30000[bold]", "---", 0)},
        {three, "", "Disabled", true, above + full_menu(table, "---", 0)},
        {three, "U", "Disabled", true, above + simplified_menu(table)},
    };
    for (const auto& row : rows) {
        start_program(row.boot_ini, row.flags, row.mode);
        if (row.pending) shell::g_app.menu.notices = {"Boot & menu unread"}, shell::g_app.menu.pending = "Windows 7";
        g_menus.clear();
        HMENU loaded = nullptr;
        CHECK_EQ(describe(shell::build_menu(&loaded)), row.menu);
        DestroyMenu(loaded);
        CHECK_MSG(!g_menus.empty() && std::none_of(g_menus.begin(), g_menus.end(), IsMenu), row.menu);
    }
    CHECK_EQ(g_boxes.load(), 0u);
}

// That each picture is released, and the last at the end: soak_short.
TEST_CASE("tray icon: TaskbarCreated adds it again, exactly once") {
    start_program(e2e::boot_ini(2));
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
    CHECK(Shell_NotifyIconA(NIM_DELETE, &data) && !Shell_NotifyIconA(NIM_DELETE, &data) && g_boxes == 0);
    KillTimer(window, shell::kTimerId);
    DestroyWindow(window);
    shell::destroy_tray_picture();
}

// "WxHxBITS" of an icon resource's images, as the program carries them: after 6 bytes, 14 per image,
// width, height, ..., and the bit count at 6.
std::string icon_format(UINT id) {
    HRSRC found = FindResourceA(shell::g_instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    const BYTE* dir = found ? static_cast<const BYTE*>(LockResource(LoadResource(shell::g_instance, found))) : nullptr;
    std::string out;
    for (const BYTE* image = dir + 6; dir && image < dir + 6 + 14 * dir[4]; image += 14)
        out += std::to_string(image[0]) + "x" + std::to_string(image[1]) + "x" + std::to_string(image[6]) + " ";
    return out;
}

TEST_CASE("tray icon: the picture follows the schedule and the shell, in the colours each shell shows") {
    start_program(e2e::boot_ini(2));
    const struct { const char* status; bool new_shell; UINT picture; const char* format; } rows[] = {
        {"Disabled", true, 111, "16x16x8 "}, {"Disabled", false, 112, "16x16x4 "},
        {"Enabled", true, 113, "16x16x8 "}, {"Enabled", false, 114, "16x16x4 "}};
    for (const auto& r : rows) {
        e2e::set_setting("ScheduleStatus", r.status);
        shell::g_app.new_shell = r.new_shell;
        g_icon_ids.clear();
        shell::load_first_tray_picture();  // before the schedule is asked
        shell::update_tray_icon(nullptr, NIM_MODIFY, nullptr);
        CHECK(g_icon_ids == (std::vector<UINT>{r.new_shell ? 111u : 112u, r.picture}) && icon_format(r.picture) == r.format);
        shell::destroy_tray_picture();
    }
    CHECK_EQ(icon_format(IDI_ABOUT), "32x32x8 ");
}

TEST_CASE("tray icon: the shell library's version, and a cut tip never splits a double-byte character") {
    CHECK(shell::shell_version("shell32.dll") >= 0x50000u);  // Wine's says 6.0; the limits: shell_test
    CHECK(shell::shell_version("no-such-library.dll") == 0 && shell::shell_version("kernel32.dll") == 0);  // no DllGetVersion
    // Code page 932: "\x82\xa0" is one character, and so is "\x81\x97", whose second byte could be a first.
    const std::string n125(125, 'n'), n126(126, 'n');
    CHECK_EQ(shell::tray_tip(n126 + "\x82\xa0" "x", 0x50000), n126);
    CHECK_EQ(shell::tray_tip(n125 + "\x81\x97" "\x82\xa0", 0x50000), n125 + "\x81\x97");
}

TEST_CASE("menu pick: only a Shift held now keeps the restart back, not one pressed since the last asking") {
    for (const SHORT state : {SHORT(0), SHORT(0x0001), SHORT(0x8000), SHORT(0x8001)}) {  // the high bit: held now
        const e2e::World world = start_program(e2e::boot_ini(2));
        g_shift_state = state;
        CHECK(shell::dispatch_command(shell::g_app, shell::kEntryCommandBase) == shell::UiAction::none);
        CHECK_MSG(e2e::power(world) == (state < 0 ? "" : e2e::kRestart) && e2e::read(world.boot_ini) == e2e::boot_ini(1),
                  std::to_string(state));
    }
    g_shift_state = 0;
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
    if (type == IMAGE_ICON) g_icon_ids.push_back(IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<UINT_PTR>(name)) : 0);
    return image;
}

int main(int argc, char** argv) {
    shell::g_instance = GetModuleHandleA(nullptr);
    // For versions_test, in a child started under a Windows version (Wine reads it at start-up).
    if (argc > 2 && !std::strcmp(argv[1], "--tooltip"))
        return start_program(e2e::boot_ini(1)), e2e::write(argv[2], shell::tooltip_text(shell::g_app)), 0;
    e2e::keep_tray_populated();
    CloseHandle(CreateThread(nullptr, 0, answer_boxes, nullptr, 0, nullptr));  // this thread runs the shell code
    return check::run_all(argc, argv);
}
