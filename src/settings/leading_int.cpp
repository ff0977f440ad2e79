#include "settings/leading_int.h"

#include <limits>

namespace vorlane::settings {

std::int32_t leading_int(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        number = number * 10 + (text[at++] - '0');
        if (number > limit) number = limit;
    }
    return static_cast<std::int32_t>(negative ? -number : number);
}

}  // namespace vorlane::settings
