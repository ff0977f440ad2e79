#include "schedule/countdown.h"

#include <utility>

namespace vorlane::schedule {

std::string countdown_text(const std::string& format, std::int64_t value) {
    std::string text;
    bool number_done = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                text += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 'd' && !number_done) {
                text += std::to_string(static_cast<long long>(value));
                number_done = true;
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    if (text.size() > kCountdownTextBytes - 1) text.resize(kCountdownTextBytes - 1);
    return text;
}

Countdown::Countdown(std::string format, std::int32_t count)
    : format_(std::move(format)), counter_(static_cast<std::int64_t>(count) - 1),
      text_(countdown_text(format_, count)) {}

bool Countdown::tick() {
    const bool press = counter_ < 0;
    text_ = countdown_text(format_, counter_);
    --counter_;
    return press;
}

}  // namespace vorlane::schedule
