#include "shell/link_colour.h"

#include <vector>

#include "settings/leading_int.h"
#include "settings/settings_store.h"

namespace vorlane::shell {
namespace {

constexpr std::size_t kColourFields = 3;

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
        result |= (static_cast<std::uint32_t>(settings::leading_int(fields[i])) & 0xFFu) << (8 * i);
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
