// Forced into the product's sources in shell_gui_test, so the test sees every menu and icon they load.
#pragma once
#include <windows.h>

HMENU e2e_load_menu(HINSTANCE instance, LPCSTR name);
HANDLE e2e_load_image(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
#define LoadMenuA e2e_load_menu
#define LoadImageA e2e_load_image
