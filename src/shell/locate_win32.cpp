// The shell's folder browser, set up to show files as well, and the two
// Locate commands built on it.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "bootini/boot_loader_setup.h"
#include "settings/settings_store.h"
#include "shell/shell_win32.h"

// Older headers lack the flags of shell32 5.0 and later.
#ifndef BIF_EDITBOX
#define BIF_EDITBOX 0x0010
#endif
#ifndef BIF_NEWDIALOGSTYLE
#define BIF_NEWDIALOGSTYLE 0x0040
#endif
#ifndef BIF_NONEWFOLDERBUTTON
#define BIF_NONEWFOLDERBUTTON 0x0200
#endif
#ifndef BIF_BROWSEINCLUDEFILES
#define BIF_BROWSEINCLUDEFILES 0x4000
#endif

namespace vorlane::shell {
namespace {

constexpr int kWhichBootIni = 1;
constexpr const char* kVorlaneIniName = "VORLANE.INI";
constexpr UINT kBrowseFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON | BIF_BROWSEINCLUDEFILES;

const char* value_for(int which_file) { return which_file == kWhichBootIni ? settings::kBootIniPathValue : settings::kVorlaneIniPathValue; }

int CALLBACK browse_callback(HWND dialog, UINT message, LPARAM, LPARAM which_file) {
    if (message == BFFM_INITIALIZED) {
        // The owner may be another program's window, which would keep the focus.
        SetForegroundWindow(dialog);
        // Read here rather than taken from the caller, so the tree shows what the registry holds.
        std::string current;
        settings::read_setting(value_for(static_cast<int>(which_file)), &current);
        if (!current.empty() && current.size() < MAX_PATH)
            SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(current.c_str()));
    }
    return 0;
}

}  // namespace

void browse_for_file(const char* prompt, std::string& path, int which_file) {
    HWND owner = GetForegroundWindow();
    // The new dialog style needs COM on this thread; balanced below whenever it succeeded.
    const HRESULT com = CoInitialize(nullptr);

    char display_name[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = display_name;
    info.lpszTitle = prompt;
    info.ulFlags = kBrowseFlags;
    info.lpfn = browse_callback;
    info.lParam = static_cast<LPARAM>(which_file);
    info.iImage = 0;

    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        // One spare byte keeps the text terminated whatever the shell writes.
        char chosen[MAX_PATH + 1] = {};
        // A virtual folder has no file-system path: the caller's path stays.
        if (SHGetPathFromIDListA(item, chosen) && chosen[0])
            path = located_file(chosen, which_file == kWhichBootIni ? bootini::kBootIniName : kVorlaneIniName);
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

void locate_file(int which_file) {
    const char* prompt =
        which_file == kWhichBootIni ? "Select the BOOT.INI file:" : "Select the VORLANE.INI file:";
    bootini::locate_setting(value_for(which_file), prompt,
                            [which_file](const std::string& text, std::string& path) {
                                browse_for_file(text.c_str(), path, which_file);
                            });
}

}  // namespace vorlane::shell
