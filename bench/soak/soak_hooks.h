// Forced into the product's sources in the soak test: besides the menus and
// icons of e2e_hooks.h, every font, brush and copied icon they make is noted,
// so the test can tell which of them are still alive, and each picture handed
// to the tray is checked to be alive.
#pragma once
#include "../../tests/e2e/e2e_hooks.h"
#include <shellapi.h>

HFONT e2e_create_font(const LOGFONTA* description);
HBRUSH e2e_create_brush(COLORREF colour);
HICON e2e_copy_icon(HICON icon);
#define CreateFontIndirectA e2e_create_font
#define CreateSolidBrush e2e_create_brush
#define CopyIcon e2e_copy_icon
// Wine's tray takes a fifth of a second or more for each new picture, which
// would make the soak hours long: most modifications stop here.
BOOL e2e_notify_icon(DWORD operation, PNOTIFYICONDATAA data);
#define Shell_NotifyIconA e2e_notify_icon
