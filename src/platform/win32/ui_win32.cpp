// The two user-facing calls of the platform seam, apart from system_win32.cpp
// so that the contract tests can link recording versions in their place.
#include <windows.h>

#include "platform/platform.h"

namespace vorlane::platform {

int message_box(const std::string& text, const std::string& caption, std::uint32_t style) {
    // No owner window: the tray program may have no visible window to own it.
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

bool shift_held() {
    // Asked at the moment of the click, not from the message queue's key state,
    // which would lag behind for a menu opened from the tray. Only the high bit
    // means down: the low one says "pressed since the last asking", which any
    // capital letter typed in another program sets.
    constexpr SHORT kKeyDown = static_cast<SHORT>(0x8000);
    return (GetAsyncKeyState(VK_SHIFT) & kKeyDown) != 0;
}

}  // namespace vorlane::platform
