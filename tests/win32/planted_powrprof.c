/* A powrprof.dll planted beside a program, as in a Downloads folder next to an
   unpacked zip: it only notes in its process's environment that it was loaded. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance, (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableA("VORLANE_PLANTED", "loaded");
    return TRUE;
}
