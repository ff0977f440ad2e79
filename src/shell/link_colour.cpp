#include "shell/link_colour.h"

#include <vector>

#include "settings/settings_store.h"

namespace vorlane::shell {
namespace {

constexpr std::size_t kColourFields = 3;

// atoi on a field of at most three characters: no overflow is possible.
int field_value(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    int value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

}  // namespace

bool parse_colour(const std::string& text, std::uint32_t* colour) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') {
            if (fields.size() == kColourFields) return false;
            fields.emplace_back();
        } else if (fields.back().size() == kColourFieldChars) {
            return false;
        } else {
            fields.back() += c;
        }
    }
    if (fields.size() != kColourFields) return false;
    std::uint32_t result = 0;
    for (std::size_t i = 0; i < kColourFields; ++i)
        result |= (static_cast<std::uint32_t>(field_value(fields[i])) & 0xFFu) << (8 * i);
    *colour = result;
    return true;
}

std::uint32_t browser_colour(const std::string& name, std::uint32_t fallback) {
    std::string text;
    std::uint32_t colour = fallback;
    if (settings::read_string(kBrowserSettingsKey, name, &text)) parse_colour(text, &colour);
    return colour;
}

std::uint32_t link_text_colour(bool visited) {
    return visited ? browser_colour(kAnchorColourVisited, kLinkPurple) : browser_colour(kAnchorColour, kLinkBlue);
}

}  // namespace vorlane::shell
