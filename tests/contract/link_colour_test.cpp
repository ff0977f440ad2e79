// The About box link's colours, taken from the browser's settings.
#include "shell/link_colour.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::shell;

namespace {

// The browser's values live outside the settings key, which reset() does not
// clear: each case starts and ends without them.
struct BrowserValues {
    BrowserValues() {
        testenv::reset();
        clear();
    }
    ~BrowserValues() { clear(); }
    static void clear() {
        testenv::remove_value(kBrowserSettingsKey, kAnchorColour);
        testenv::remove_value(kBrowserSettingsKey, kAnchorColourVisited);
    }
    static void put(const char* name, const std::string& text) {
        testenv::put_value(kBrowserSettingsKey, name, platform::kRegSz, text);
    }
};

}  // namespace

TEST_CASE("link colour: browser texts and the colours they give") {
    struct Row {
        const char* text;
        std::uint32_t unvisited;  // what "Anchor Color" gives
    };
    const Row rows[] = {
        {"0,0,255", 0x00FF0000u},
        {"255,0,0", 0x000000FFu},
        {"128,0,128", 0x00800080u},
        {"1,2,3", 0x00030201u},
        {"256,0,0", 0x00000000u},   // low 8 bits only
        {"0,511,0", 0x0000FF00u},
        {" 12,+3,-1", 0x00FF030Cu},  // as atoi reads them; -1 keeps 0xFF
        {"1a,2x,3 ", 0x00030201u},   // digits up to the first other character
        {",,", 0x00000000u},         // empty fields are 0
        // Not three fields of at most three characters: the default.
        {"1000,0,0", kLinkBlue},
        {"0,0,0,0", kLinkBlue},
        {"0,0", kLinkBlue},
        {"0,0,0255", kLinkBlue},
        {"", kLinkBlue},
        {"blue", kLinkBlue},
    };
    for (const Row& row : rows) {
        BrowserValues world;
        BrowserValues::put(kAnchorColour, row.text);
        CHECK_MSG(link_text_colour(false) == row.unvisited, row.text);
        CHECK_MSG(link_text_colour(true) == kLinkPurple, row.text);  // the other value is missing
    }
}

TEST_CASE("link colour: visited and unvisited read their own values") {
    BrowserValues world;
    CHECK_EQ(link_text_colour(false), kLinkBlue);
    CHECK_EQ(link_text_colour(true), kLinkPurple);

    BrowserValues::put(kAnchorColourVisited, "0,128,0");
    CHECK_EQ(link_text_colour(false), kLinkBlue);
    CHECK_EQ(link_text_colour(true), 0x00008000u);

    // Read afresh each time: a change shows at the next paint.
    BrowserValues::put(kAnchorColourVisited, "9,9,9,9");
    CHECK_EQ(link_text_colour(true), kLinkPurple);

    // A value too large for the settings read is as good as missing.
    BrowserValues::put(kAnchorColour, std::string(300, '1'));
    CHECK_EQ(link_text_colour(false), kLinkBlue);
}
