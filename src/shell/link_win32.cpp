// The About box link: the help program's hand cursor, an underlined font, the
// browser's link colours and opening the address with the shell.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "shell/link_colour.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {
namespace {

// The hand the Windows help program shows over its links.
constexpr WORD kHelpHandCursor = 106;
constexpr int kLinkTextChars = MAX_PATH;

// At most one of each alive; released at exit by link_release().
HFONT g_link_font = nullptr;
HBRUSH g_face_brush = nullptr;
COLORREF g_face_colour = 0;
HCURSOR g_hand_cursor = nullptr;

// The control's text; empty when it has none or cannot be asked.
std::string link_text(HWND link) {
    char text[kLinkTextChars + 1] = {};
    LRESULT n = SendMessageA(link, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    if (n <= 0) return std::string();
    return std::string(text, n < kLinkTextChars ? static_cast<std::size_t>(n) : kLinkTextChars);
}

// Cuts the control to its text, so that the cursor and the clicks apply to the text alone.
void fit_to_text(HWND link) {
    RECT frame;
    HWND parent = GetParent(link);
    if (!parent || !GetWindowRect(link, &frame)) return;
    POINT corner = {frame.left, frame.top};
    if (!ScreenToClient(parent, &corner)) return;

    const std::string text = link_text(link);
    HDC dc = GetDC(link);
    if (!dc) return;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SIZE size = {0, 0};
    const BOOL measured = GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(link, dc);
    if (measured) MoveWindow(link, corner.x, corner.y, size.cx, size.cy, TRUE);
}

}  // namespace

void link_setup(HWND link) {
    if (!link || g_hand_cursor) return;
    char windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const std::string help = std::string(windows) + "\\winhlp32.exe";
    if (help.size() >= MAX_PATH) return;

    // As a data file: only its resources are wanted, none of its code may run here.
    HMODULE library = LoadLibraryExA(help.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) return;
    HCURSOR hand = LoadCursorA(library, MAKEINTRESOURCEA(kHelpHandCursor));
    // The copy outlives the library.
    if (hand) g_hand_cursor = CopyIcon(hand);
    // The class is the static-control class: every static text of the program gets the hand.
    if (g_hand_cursor) SetClassLongPtrA(link, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(g_hand_cursor));
    FreeLibrary(library);
}

void link_paint(HWND link) {
    if (!link) return;
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0));
    // Already ours, so already underlined: making it again would only churn fonts.
    if (current && current != g_link_font) {
        LOGFONTA description;
        if (GetObjectA(current, sizeof description, &description) == sizeof description) {
            description.lfUnderline = TRUE;
            if (HFONT underlined = CreateFontIndirectA(&description)) {
                SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(underlined), TRUE);
                // Only now is the old one out of the control's hands.
                if (g_link_font) DeleteObject(g_link_font);
                g_link_font = underlined;
            }
        }
    }
    fit_to_text(link);
}

HBRUSH link_colour(HWND, HDC dc, bool visited) {
    SetTextColor(dc, static_cast<COLORREF>(link_text_colour(visited)));
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // Made again only when the user changed the system colours.
    if (!g_face_brush || face != g_face_colour) {
        if (HBRUSH brush = CreateSolidBrush(face)) {
            if (g_face_brush) DeleteObject(g_face_brush);
            g_face_brush = brush;
            g_face_colour = face;
        }
    }
    if (!g_face_brush) return nullptr;
    SetBkColor(dc, face);
    UnrealizeObject(g_face_brush);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    return g_face_brush;
}

void link_open(HWND link) {
    const std::string address = link_text(link);
    if (address.empty()) return;
    ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void link_release() {
    if (g_link_font) DeleteObject(g_link_font);
    if (g_face_brush) DeleteObject(g_face_brush);
    if (g_hand_cursor) DestroyIcon(g_hand_cursor);  // a CopyIcon result
    g_link_font = nullptr;
    g_face_brush = nullptr;
    g_hand_cursor = nullptr;
}

}  // namespace vorlane::shell
