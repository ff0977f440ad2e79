// Libraries of Windows that the program loads while it runs, rather than
// importing them, for the Win32 side of the shell and of the platform seam.
#pragma once

#include <windows.h>

namespace vorlane::platform {

// Loads a library of Windows by its full path in the system folder, and its
// own imports from beside it. By bare name Windows looks in the program's
// folder first (on NT 4.0, which has no powrprof.dll, on through the current
// folder and PATH), so a DLL of that name beside vorlane.exe, say in the
// Downloads folder where a zip was unpacked, would run inside the program.
// Null when the library is not there; the caller frees it with FreeLibrary.
HMODULE load_system_library(const char* name);

}  // namespace vorlane::platform
