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
        testenv::put_file(testenv::path("VORLANE.INI"), "");
        testenv::put_text("INI", testenv::path("VORLANE.INI"));
        testenv::set_env("VORLANE_POWER_LOG", testenv::path("power.log"));
        App app;
        start_up(app);
        CHECK_MSG(app.shutdown_flags == r.flags, r.name);
        CHECK_MSG(app.new_shell == r.new_shell, r.name);
        run_command_line(app, "-f -s", false);
        std::string log;
        testenv::get_file(testenv::path("power.log"), &log);
        CHECK_MSG(log == "ExitWindowsEx flags=" + std::to_string(r.flags | 4) + "\r\n", r.name);
    }
}

TEST_CASE("start-up: a missing VORLANE.INI is reported once, whatever the preferences say") {
    testenv::reset();
    App app;
    start_up(app);
    CHECK_EQ(fake::boxes().size(), 1u);
    if (!fake::boxes().empty())
        CHECK_EQ(fake::boxes()[0].text.substr(0, 55), "The program wasn't able to open the configuration file\n");
    CHECK(app.table.entries.empty());
}
