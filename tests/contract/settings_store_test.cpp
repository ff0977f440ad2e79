// Registry semantics every caller relies on, on the fake and on the real registry, and the
// About box link's colours read through them from the browser's settings.
#include "settings/settings_store.h"
#include "shell/link_colour.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::shell;  // the link colours
using testenv::kSettingsKey;

TEST_CASE("settings: read gives the text up to the first zero, keeps the buffer on failure") {
    testenv::reset();
    struct Row { const char* name; std::string stored; bool ok; std::string text; } rows[] = {
        {"Plain", "True", true, "True"},
        {"Zero", std::string("ab\0cd", 5), true, "ab"},
        {"Full", std::string(256, 'x'), true, std::string(256, 'x')},
        {"TooLong", std::string(257, 'x'), false, "kept"},
        {"Missing", "", false, "kept"},
    };
    for (const Row& r : rows) {
        if (!r.stored.empty()) testenv::put_text(r.name, r.stored);
        std::string text = "kept";
        CHECK_MSG(settings::read_setting(r.name, &text) == r.ok && text == r.text, r.name);
    }
    std::string text = "kept";
    CHECK(!settings::read_string("Software\\Ostrevan\\NoSuchKey", "Plain", &text) && text == "kept");
}

TEST_CASE("settings: only existing values of at most 256 bytes are written, keeping their type") {
    testenv::reset();
    struct Row { const char* name; std::uint32_t type; std::string before; bool ok; } rows[] = {
        {"Text", platform::kRegSz, std::string("False\0", 6), true},
        {"Number", platform::kRegDword, std::string("\1\0\0\0", 4), true},
        {"Full", platform::kRegSz, std::string(256, 'f'), true},
        {"Huge", platform::kRegSz, std::string(257, 'h'), false},
    };
    for (const Row& r : rows) {
        testenv::put_value(kSettingsKey, r.name, r.type, r.before);
        CHECK_MSG(settings::write_setting(r.name, "True") == r.ok, r.name);
        std::uint32_t type = 0;
        std::string bytes;  // no terminating zero stored
        CHECK_MSG(testenv::get_value(kSettingsKey, r.name, &type, &bytes) && type == r.type &&
                      bytes == (r.ok ? "True" : r.before), r.name);
    }
    CHECK(!settings::write_setting("Missing", "True") && !testenv::get_value(kSettingsKey, "Missing", nullptr, nullptr) &&
          !settings::write_existing("Software\\Ostrevan\\NoSuchKey", "Missing", "True"));
}

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
    std::uint32_t c = 0;  // the parse's own answer, which the colours above never read
    CHECK(!parse_colour("0,0", &c) && !parse_colour("0,0,0255", &c) && !parse_colour("0,0,0,0", &c) && c == 0 &&
          parse_colour("1,2,3", &c) && c == 0x030201u);
}
