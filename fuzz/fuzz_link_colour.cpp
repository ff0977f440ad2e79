// The browser's link colour texts, parsed alone and read from the registry.
// Input: a type byte, then the value's bytes.
#include <cstdio>

#include "fuzz/fuzz_support.h"
#include "settings/leading_int.h"
#include "shell/link_colour.h"

using namespace vorlane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint32_t type = input.byte() % 12;
    const std::string text = input.rest();

    constexpr std::uint32_t kUntouched = 0xDEADBEEFu;
    std::uint32_t colour = kUntouched;
    const bool parsed = shell::parse_colour(text, &colour);
    if (!parsed) {
        REQUIRE(colour == kUntouched);
    } else {
        // Three fields of at most three characters, each kept to its low byte.
        const std::size_t first = text.find(','), second = text.find(',', first + 1);
        REQUIRE(first != std::string::npos && second != std::string::npos && text.find(',', second + 1) == std::string::npos);
        REQUIRE(first <= shell::kColourFieldChars && second - first - 1 <= shell::kColourFieldChars &&
                text.size() - second - 1 <= shell::kColourFieldChars);
        REQUIRE(colour <= 0xFFFFFFu);
        REQUIRE((colour & 0xFF) == (static_cast<std::uint32_t>(settings::leading_int(text.substr(0, first))) & 0xFF));
        // Written back as the browser writes it, it reads the same.
        char again[16];
        std::snprintf(again, sizeof again, "%u,%u,%u", colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16);
        std::uint32_t reread = kUntouched;
        REQUIRE(shell::parse_colour(again, &reread) && reread == colour);
    }

    // From the registry: the parsed colour, or the fallback for anything else.
    testenv::reset();
    fake::add_key(shell::kBrowserSettingsKey);
    testenv::put_value(shell::kBrowserSettingsKey, shell::kAnchorColour, type, text);
    const std::uint32_t shown = shell::link_text_colour(false);
    // The registry hands over the text up to its first zero byte.
    std::uint32_t expected = shell::kLinkBlue;
    if (text.size() <= 256) shell::parse_colour(text.substr(0, text.find('\0')), &expected);
    REQUIRE(shown == expected);
    REQUIRE(shell::link_text_colour(true) == shell::kLinkPurple);
    fuzz::require_all_closed();
    return 0;
}
