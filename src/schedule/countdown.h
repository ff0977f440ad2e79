// The counting part of the warning box, kept apart from the window so it can
// be checked without one: which number the box shows at each tick, and when
// it presses its button.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlane::schedule {

// The box's text buffer, terminator included.
constexpr std::size_t kCountdownTextBytes = 1024;

// `format` with its first "%d" replaced by `value` and each "%%" by "%"; any
// other "%" stays as it is. Cut to fit kCountdownTextBytes with the
// terminator, so no format and no number can overrun the box's buffer.
std::string countdown_text(const std::string& format, std::int64_t value);

// The numbers shown for a count T: T when the box opens, then one less at
// each tick down to 0; the tick after that (the counter below zero) presses
// the button. A count of 0 or less presses it at the first tick.
class Countdown {
public:
    Countdown(std::string format, std::int32_t count);

    // The text the box shows now.
    const std::string& text() const { return text_; }
    // One second has passed: true when the box must press its button now.
    // The text moves on either way.
    bool tick();

private:
    std::string format_;
    // Wide enough that counting on past the press can never overflow.
    std::int64_t counter_;
    std::string text_;
};

}  // namespace vorlane::schedule
