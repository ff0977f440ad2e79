// The About box link's text colours: the ones the user's web browser gives
// its links, read from the browser's own settings each time they are needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlane::shell {

constexpr const char* kBrowserSettingsKey = "Software\\Microsoft\\Internet Explorer\\Settings";
constexpr const char* kAnchorColour = "Anchor Color";
constexpr const char* kAnchorColourVisited = "Anchor Color Visited";

// COLORREF layout: 0x00BBGGRR.
constexpr std::uint32_t kLinkBlue = 0x00FF0000u;
constexpr std::uint32_t kLinkPurple = 0x00800080u;

// Each of the three "r,g,b" fields holds at most this many characters.
constexpr std::size_t kColourFieldChars = 3;

// Reads "r,g,b": each field converted as atoi does, keeping its low 8 bits.
// Any other shape (a longer field, more or fewer than three fields) is
// refused and leaves `colour` alone.
bool parse_colour(const std::string& text, std::uint32_t* colour);

// The browser's value `name`, or `fallback` when it is missing or malformed.
std::uint32_t browser_colour(const std::string& name, std::uint32_t fallback);

// The colour the link is drawn in, before and after its first click.
std::uint32_t link_text_colour(bool visited);

}  // namespace vorlane::shell
