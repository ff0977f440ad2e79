// The common controls on every comctl32.dll the program meets.
#include <windows.h>
#include <commctrl.h>

#include "shell/shell_win32.h"

namespace vorlane::shell {

bool init_common_controls(HMODULE library) {
    // InitCommonControlsEx came with comctl32 4.70 (Internet Explorer 3); the
    // 4.00 of Windows 95 and NT 4.0 lacks it, and a static import would keep
    // the program from loading there at all.
    using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    FARPROC found = library ? GetProcAddress(library, "InitCommonControlsEx") : nullptr;
    if (!found) {
        // The old controls only: the program runs, without the date picker
        // that the Schedule dialog needs.
        InitCommonControls();
        return false;
    }
    // The up-down class too: the Schedule dialog's spin control is not
    // registered by every comctl32 on its own.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    reinterpret_cast<InitEx>(reinterpret_cast<void*>(found))(&controls);
    return true;
}

}  // namespace vorlane::shell
