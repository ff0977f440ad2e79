// Forced into the product's sources in shell_gui_test, so the test sees every menu and icon they load.
#pragma once
#include <windows.h>

HMENU e2e_load_menu(HINSTANCE instance, LPCSTR name);
HANDLE e2e_load_image(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
#define LoadMenuA e2e_load_menu
#define LoadImageA e2e_load_image

// And the test's answers where Wine cannot show the case: Shift's key state (Wine never sets
// VK_SHIFT's "pressed since" bit), the lead bytes of code page 932 whatever this machine's, and
// ChangeWindowMessageFilter, which Wine only stubs (noted instead of called).
SHORT e2e_get_async_key_state(int key);
BOOL e2e_is_dbcs_lead_byte(BYTE byte);
FARPROC e2e_get_proc_address(HMODULE module, LPCSTR name);
#define GetAsyncKeyState e2e_get_async_key_state
#define IsDBCSLeadByte e2e_is_dbcs_lead_byte
#define GetProcAddress e2e_get_proc_address
