// The warning box: the system's own message box, counting down from outside
// through a thread CBT hook and a one-second timer on the box.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vorlane::schedule {

// Shows a message box whose text is `format` (one "%d") with the seconds
// left, and which presses `button` itself once the count has run out.
// Returns the button that closed the box; IDCANCEL when the quit message
// ended it (the program is closing: that is no OK); 0 when the box could not
// be shown. One countdown box at a time.
int countdown_box(HWND owner, const std::string& format, const char* caption, UINT style,
                  std::int32_t count, int button);

}  // namespace vorlane::schedule
