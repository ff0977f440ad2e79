// Start-up decisions that depend on the Windows version the fake pretends to be.
#include "platform/fake/fake_platform.h"
#include "shell/app.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::shell;

TEST_CASE("start-up: shutdown flags and the new-shell flag by Windows version") {
    struct Row { std::uint32_t platform, major, minor; std::uint32_t flags; bool new_shell; const char* name; } rows[] = {
        {1, 4, 10, 9, false, "98"}, {1, 4, 90, 9, true, "Me"}, {2, 4, 0, 8, false, "NT4"},
        {2, 5, 0, 8, false, "2000"}, {2, 5, 1, 8, true, "XP"}, {2, 5, 2, 8, true, "2003"},
        {2, 6, 1, 8, false, "7"},
    };
    for (const auto& r : rows) {
        testenv::reset();
        fake::set_version(r.platform, r.major, r.minor);
        App app;
        start_up(app);
        run_command_line(app, "-s", false);
        const std::vector<std::string> calls{"privilege", "ExitWindowsEx flags=" + std::to_string(r.flags)};
        CHECK_MSG(app.new_shell == r.new_shell && fake::power_calls() == calls, r.name);
        // Start-up restores a maintained default, so a missing VORLANE.INI is reported.
        CHECK_MSG(fake::boxes().size() == 1 && fake::boxes()[0].text.find("open the configuration file") != std::string::npos, r.name);
    }
}
