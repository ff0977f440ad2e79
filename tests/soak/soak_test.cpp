// Many cycles of what a tray program does all day, in one process on the
// product's own Win32 code: the pop-up menu opened and closed, the tooltip
// renewed, the tray picture switched, the Schedule dialog opened and
// cancelled, the About box shown and hidden. Every menu, icon, font, brush and
// window it makes must be gone again, and the private memory after the last
// cycle must equal (within 1%) that after cycle 1,000, apart from what the
// system itself keeps for each icon loaded (judged from 2,000 cycles on;
// shorter runs check the objects only).
//
//   soak_test [cycles, default 10000] [parts, default 31: 1 menu, 2 tooltip,
//             4 tray picture, 8 Schedule dialog, 16 About box]
#include <windows.h>
#include <commctrl.h>
#include <malloc.h>
#include <psapi.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <set>

#include "e2e/e2e_support.h"
#include "resource.h"
#include "shell/shell_win32.h"

namespace shell = vorlane::shell;

namespace {

std::set<HMENU> g_menus;  // every one the product made, by handle
std::set<HICON> g_icons;
std::set<HGDIOBJ> g_gdi;  // fonts and brushes
std::set<HWND> g_dialogs;
HWND g_main = nullptr;
int g_menus_closed = 0, g_dialogs_cancelled = 0, g_tray_calls = 0, g_dead_pictures = 0, g_icon_loads = 0;
constexpr int kTrayCallsPassed = 100;  // one modification in so many reaches Wine's tray
constexpr int kWarmCycles = 1000;

bool icon_alive(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return false;
    DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
    return true;
}

// Wine's handles carry a generation count, so each new object has a new
// value: the dead ones are dropped after every cycle, or these sets alone
// would grow the memory the soak watches.
template <typename Set, typename Alive>
void forget_dead(Set& handles, Alive alive) {
    for (auto it = handles.begin(); it != handles.end();) it = alive(*it) ? std::next(it) : handles.erase(it);
}

struct Alive {
    int menus = 0, icons = 0, gdi = 0, windows = 0, icon_loads = 0;
    SIZE_T private_bytes = 0;
    std::size_t heap_bytes = 0, heap_free = 0;
    bool operator==(const Alive& o) const {
        return menus == o.menus && icons == o.icons && gdi == o.gdi && windows == o.windows;
    }
};

BOOL CALLBACK count_window(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

SIZE_T private_bytes() {
    PROCESS_MEMORY_COUNTERS_EX memory = {sizeof memory};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    // Windows reports the same number in both; Wine fills only the second.
    return memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
}

// Wine keeps a copy of the module's file name for every icon LoadImageA makes
// from the module's resources, even after DestroyIcon: about two bytes a
// character of the exe's path, for each load (a bare loop shows it; the same
// picture made by CreateIconFromResourceEx keeps nothing). Windows keeps
// nothing. The soak learns that cost in the same process and from the same
// file, after its cycles so as not to enlarge the memory it compares, and so
// tells it apart from memory of ours. Bare loads cannot hide a leak of ours.
double system_bytes_per_icon_load() {
    constexpr int kLoads = 5000, kMostLoads = 20000;
    int loads = 0;
    const auto load = [&loads] {
        DestroyIcon(static_cast<HICON>(LoadImageA(shell::g_instance, MAKEINTRESOURCEA(IDI_TRAY_NEW + loads++ % 4),
                                                  IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    };
    // Memory grows a chunk at a time: both readings are taken right after a
    // chunk was committed, so the heap's unused room cannot bend the figure.
    const auto to_next_chunk = [&] {
        const SIZE_T was = private_bytes();
        while (private_bytes() == was && loads < kMostLoads) load();
        return private_bytes();
    };
    const SIZE_T first = to_next_chunk();
    const int first_loads = loads;
    while (loads < first_loads + kLoads) load();
    const SIZE_T last = to_next_chunk();
    return loads >= kMostLoads || last <= first ? 0.0 : static_cast<double>(last - first) / (loads - first_loads);
}

Alive alive() {
    Alive a;
    for (HMENU m : g_menus) a.menus += IsMenu(m) ? 1 : 0;
    for (HICON i : g_icons) a.icons += icon_alive(i) ? 1 : 0;
    for (HGDIOBJ o : g_gdi) a.gdi += GetObjectType(o) != 0 ? 1 : 0;
    // The main window with its controls, and whatever else this thread still has.
    EnumThreadWindows(GetCurrentThreadId(), count_window, reinterpret_cast<LPARAM>(&a.windows));
    if (g_main) EnumChildWindows(g_main, count_window, reinterpret_cast<LPARAM>(&a.windows));
    for (HWND d : g_dialogs) a.windows += d != g_main && IsWindow(d) ? 1 : 0;
    a.private_bytes = private_bytes();
    // The C runtime's heap holds every allocation of ours (Wine's own
    // libraries allocate from the process heap instead).
    _HEAPINFO entry = {};
    while (_heapwalk(&entry) == _HEAPOK) (entry._useflag == _USEDENTRY ? a.heap_bytes : a.heap_free) += entry._size;
    a.icon_loads = g_icon_loads;
    return a;
}

void print(const char* when, const Alive& a) {
    std::printf("%-22s menus %d  icons %d  fonts+brushes %d  windows %d  private %lu KiB  C heap %lu B (free %lu B)  (GDI %lu, USER %lu)\n",
                when, a.menus, a.icons, a.gdi, a.windows, static_cast<unsigned long>(a.private_bytes / 1024),
                static_cast<unsigned long>(a.heap_bytes), static_cast<unsigned long>(a.heap_free),
                GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    std::fflush(stdout);
}

// Closes the modal loops as soon as they wait for the user: the owner hears
// of each idle menu or dialog loop through WM_ENTERIDLE.
LRESULT CALLBACK close_modal(int code, WPARAM wparam, LPARAM lparam) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && sent->message == WM_INITDIALOG) g_dialogs.insert(sent->hwnd);
    if (code == HC_ACTION && sent->message == WM_ENTERIDLE && sent->hwnd == g_main) {
        if (sent->wParam == MSGF_MENU && EndMenu()) ++g_menus_closed;
        if (sent->wParam == MSGF_DIALOGBOX && PostMessageA(reinterpret_cast<HWND>(sent->lParam), WM_COMMAND, IDCANCEL, 0))
            ++g_dialogs_cancelled;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}


// Which parts a cycle runs (all by default); single parts tell where memory goes.
enum Part { kMenu = 1, kTooltip = 2, kPicture = 4, kScheduleDialog = 8, kAboutBox = 16, kAllParts = 31 };
int g_parts = kAllParts;

void cycle(int i) {
    if (g_parts & kMenu) SendMessageA(g_main, shell::kTrayCallback, shell::kTrayIconId, WM_RBUTTONUP);
    if (g_parts & kTooltip) SendMessageA(g_main, shell::kTrayCallback, shell::kTrayIconId, WM_MOUSEMOVE);
    if (g_parts & kPicture) {
        e2e::set_setting("ScheduleStatus", i % 2 ? "Enabled" : "Disabled");
        shell::update_tray_icon(g_main, NIM_MODIFY, nullptr);
    }
    if (g_parts & kScheduleDialog) SendMessageA(g_main, WM_COMMAND, ID_SCHEDULE, 0);
    if (g_parts & kAboutBox) {
        SendMessageA(g_main, WM_COMMAND, ID_ABOUT, 0);
        RedrawWindow(g_main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SendMessageA(g_main, WM_COMMAND, IDC_ABOUT_HIDE, 0);
    }
    pump();
    forget_dead(g_menus, IsMenu);
    forget_dead(g_icons, icon_alive);
    forget_dead(g_gdi, [](HGDIOBJ o) { return GetObjectType(o) != 0; });
    forget_dead(g_dialogs, [](HWND d) { return d == g_main || IsWindow(d); });
}

}  // namespace

HMENU e2e_load_menu(HINSTANCE instance, LPCSTR name) {
    HMENU menu = LoadMenuA(instance, name);
    std::vector<HMENU> all{menu};
    for (std::size_t i = 0; i < all.size(); ++i)  // its sub-menus too
        for (int item = 0; item < GetMenuItemCount(all[i]); ++item)
            if (HMENU sub = GetSubMenu(all[i], item)) all.push_back(sub);
    g_menus.insert(all.begin(), all.end());
    return menu;
}

HANDLE e2e_load_image(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    HANDLE image = LoadImageA(instance, name, type, cx, cy, flags);
    if (type == IMAGE_ICON && image) {
        g_icons.insert(static_cast<HICON>(image));
        ++g_icon_loads;
    }
    return image;
}

BOOL e2e_notify_icon(DWORD operation, PNOTIFYICONDATAA data) {
    if ((data->uFlags & NIF_ICON) && !icon_alive(data->hIcon)) ++g_dead_pictures;
    if (operation == NIM_MODIFY && ++g_tray_calls % kTrayCallsPassed != 0) return TRUE;
    return Shell_NotifyIconA(operation, data);
}

HFONT e2e_create_font(const LOGFONTA* description) {
    HFONT font = CreateFontIndirectA(description);
    if (font) g_gdi.insert(font);
    return font;
}

HBRUSH e2e_create_brush(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) g_gdi.insert(brush);
    return brush;
}

HICON e2e_copy_icon(HICON icon) {
    HICON copy = CopyIcon(icon);
    if (copy) g_icons.insert(copy);
    return copy;
}

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
    // Memory is compared after cycle 1,000 and the last; shorter runs take half of theirs.
    const int warm = std::min(kWarmCycles, cycles / 2);
    if (cycles < 10) return 2;
    if (argc > 2) g_parts = std::atoi(argv[2]) & kAllParts;
    shell::g_instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    e2e::keep_tray_populated();
    e2e::make_world(e2e::boot_ini(2));
    for (const char* name : {"ScheduleStatus", "ScheduleDate", "ScheduleTime", "ScheduleMode"}) e2e::set_setting(name, "");
    shell::start_up(shell::g_app);  // reads everything afresh; the App stays where it is

    const Alive before = alive();
    print("before tray mode", before);
    shell::load_first_tray_picture();
    g_main = CreateDialogParamA(shell::g_instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, shell::main_window_proc, 0);
    shell::update_tray_icon(g_main, NIM_ADD, shell::kTrayTip);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, close_modal, nullptr, GetCurrentThreadId());

    Alive at_warm, at_end;
    const DWORD begin = GetTickCount();
    for (int i = 1; i <= cycles; ++i) {
        cycle(i);
        if (i == warm) print("after the warm-up", at_warm = alive());
        if (i % 1000 == 0) print(("after cycle " + std::to_string(i)).c_str(), alive());
    }
    at_end = alive();
    const DWORD spent = GetTickCount() - begin;
    print("after the last cycle", at_end);
    const double per_load = system_bytes_per_icon_load();
    std::printf("the system keeps %.0f bytes for each icon loaded from this file and destroyed\n", per_load);

    UnhookWindowsHookEx(hook);
    shell::update_tray_icon(g_main, NIM_DELETE, nullptr);
    KillTimer(g_main, shell::kTimerId);
    DestroyWindow(g_main);
    g_main = nullptr;
    shell::destroy_tray_picture();
    shell::link_release();
    const Alive after = alive();
    print("after tray mode", after);

    int failed = 0;
    const auto expect = [&](bool ok, const char* what) {
        if (!ok) std::printf("FAIL: %s\n", what);
        failed += ok ? 0 : 1;
    };
    expect(g_menus_closed == (g_parts & kMenu ? cycles : 0), "every cycle opened and closed the menu");
    expect(g_dialogs_cancelled == (g_parts & kScheduleDialog ? cycles : 0),
           "every cycle opened and cancelled the Schedule dialog");
    expect(g_dead_pictures == 0, "every picture handed to the tray was alive");
    expect(g_parts != kAllParts || (g_menus_closed > 0 && !g_gdi.empty() && !g_icons.empty()),
           "the product's objects were seen");
    expect(at_end.heap_bytes <= at_warm.heap_bytes, "our heap no larger after the last cycle than after the warm-up");
    expect(at_warm == at_end, "as many objects alive after the last cycle as after the warm-up");
    const double growth = static_cast<double>(at_end.private_bytes) - static_cast<double>(at_warm.private_bytes);
    const int loads = at_end.icon_loads - at_warm.icon_loads;
    const double system_share = per_load * loads, ours = growth - system_share;
    std::printf("private memory: %lu KiB after cycle %d, %lu KiB after cycle %d (%+.2f%%); %lu ms for %d cycles\n",
                static_cast<unsigned long>(at_warm.private_bytes / 1024), warm,
                static_cast<unsigned long>(at_end.private_bytes / 1024), cycles, 100.0 * growth / at_warm.private_bytes,
                static_cast<unsigned long>(spent), cycles);
    std::printf("of that, the system's copies for %d icon loads: %.0f KiB; the rest: %+.0f KiB (%+.2f%%)\n", loads,
                system_share / 1024, ours / 1024, 100.0 * ours / at_warm.private_bytes);
    // A short run is still warming up (heaps, caches of Wine): only the full soak judges memory.
    if (warm == kWarmCycles)
        expect(ours <= 0.01 * at_warm.private_bytes, "private memory within 1% between the two, the system's copies aside");
    expect(after.menus == 0 && after.icons == 0 && after.gdi == 0, "no menu, icon, font or brush left after tray mode");
    expect(after.windows == before.windows, "no window left after tray mode");
    std::printf("%d passed, %d failed\n", failed ? 0 : 1, failed ? 1 : 0);
    return failed ? 1 : 0;
}
