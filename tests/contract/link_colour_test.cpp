// The About box link's colours, taken from the browser's settings.
#include "shell/link_colour.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::shell;

TEST_CASE("link colour: browser texts and the colours they give") {
    struct Row { const char* unvisited; const char* visited; std::uint32_t colour, visited_colour; } rows[] = {
        {"0,0,255", "0,128,0", 0x00FF0000u, 0x00008000u},
        {"255,0,0", "1,2,3", 0x000000FFu, 0x00030201u},
        {"256,0,0", nullptr, 0x00000000u, kLinkPurple},  // low 8 bits only; the other value missing
        {"0,0", "0,0,0255", kLinkBlue, kLinkPurple}, {"blue", "0,0,0,0", kLinkBlue, kLinkPurple},  // malformed
        {nullptr, nullptr, kLinkBlue, kLinkPurple},  // last: leaves no values behind
    };
    for (const auto& r : rows) {
        for (const char* name : {kAnchorColour, kAnchorColourVisited}) testenv::remove_value(kBrowserSettingsKey, name);
        if (r.unvisited) testenv::put_value(kBrowserSettingsKey, kAnchorColour, platform::kRegSz, r.unvisited);
        if (r.visited) testenv::put_value(kBrowserSettingsKey, kAnchorColourVisited, platform::kRegSz, r.visited);
        CHECK_MSG(link_text_colour(false) == r.colour && link_text_colour(true) == r.visited_colour,
                  "row " + std::to_string(&r - rows));
    }
}
