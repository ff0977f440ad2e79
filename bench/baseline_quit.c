/* Does nothing, but loads every DLL vorlane.exe imports: the floor for
   "vorlane.exe -q". */
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

static void* volatile imports[] = {
    (void*)RegCloseKey, (void*)InitCommonControlsEx, (void*)GetStockObject, (void*)CoInitialize,
    (void*)Shell_NotifyIconA, (void*)MessageBoxA, (void*)GetModuleHandleA,
};

int main(void) { return imports[0] ? 0 : 1; }
