// Loading and saving the five menu preferences.
#include "settings/preferences.h"
#include "settings/startup_task.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using namespace vorlane::settings;

TEST_CASE("preferences: the double-click mode is decided by its first letters") {
    struct Row { const char* text; int previous; int mode; } rows[] = {
        {"", 2, kDoubleClickDisabled}, {"Disabled", 2, kDoubleClickDisabled}, {"Dxyz", 1, kDoubleClickDisabled},
        {"Restart", 0, kDoubleClickRestart}, {"Rubbish", 0, kDoubleClickRestart},
        {"Sh", 0, kDoubleClickShutdown}, {"Shutdown", 0, kDoubleClickShutdown},
        {"S", 0, kDoubleClickSchedule}, {"Schedule", 0, kDoubleClickSchedule}, {"SH", 0, kDoubleClickSchedule},
        {"restart", 2, 2}, {"shutdown", 1, 1}, {"Xyz", 3, 3},
    };
    for (const auto& r : rows) CHECK_MSG(decode_double_click(r.text, r.previous) == r.mode, r.text);
}

TEST_CASE("preferences: load reads exact texts and the Run value's presence") {
    testenv::reset();
    const char* texts[][2] = {{"MaintainDefault", "True"}, {"SortList", "true"}, {"UseSimplifiedMenu", "True"},
                              {"DoubleClickMode", "Shutdown"}};
    for (const auto& t : texts) testenv::put_text(t[0], t[1]);
    testenv::put_value(testenv::kRunKey, "Vorlane", platform::kRegSz, "anything");
    Preferences p;
    load_preferences(p);
    CHECK(p.maintain_default && !p.sort_list && p.simplified_menu && p.run_at_startup &&
          p.double_click == kDoubleClickShutdown);

    testenv::put_text("DoubleClickMode", "lower case");
    testenv::put_value(testenv::kRunKey, "Vorlane", platform::kRegSz, std::string(257, 'p'));
    load_preferences(p);
    CHECK(p.double_click == kDoubleClickShutdown && !p.run_at_startup);  // kept; too long to read: off
}

TEST_CASE("preferences: save writes every existing value and clears VORLANE.INI when not maintained") {
    testenv::reset();
    for (const char* n : {"MaintainDefault", "SortList", "UseSimplifiedMenu", "DoubleClickMode"}) testenv::put_text(n, "");
    const std::string ini = testenv::path("VORLANE.INI"), saved = "[Config]\r\nDefault=Old\r\n";
    testenv::put_text("INI", ini);
    testenv::put_file(ini, saved);
    Preferences p;
    p.sort_list = p.run_at_startup = true;
    p.double_click = kDoubleClickSchedule;
    save_preferences(p);
    std::uint32_t type = 0;
    std::string v;
    const char* texts[][2] = {{"MaintainDefault", "False"}, {"SortList", "True"}, {"UseSimplifiedMenu", "False"},
                              {"DoubleClickMode", "Schedule"}};
    for (const auto& t : texts) CHECK_MSG(testenv::get_value(testenv::kSettingsKey, t[0], &type, &v) && v == t[1], t[0]);
    CHECK(testenv::get_file(ini, &v) && v.empty());
    // Vista and later (Wine's usual version) leave it to the task.
    const bool by_task = settings::startup_by_task();
    CHECK(testenv::get_value(testenv::kRunKey, "Vorlane", &type, &v) != by_task &&
          (by_task || (type == platform::kRegSz && v == platform::module_path())));

    testenv::put_file(ini, saved);
    testenv::remove_value(testenv::kSettingsKey, "SortList");
    p.maintain_default = true;
    p.run_at_startup = false;
    p.double_click = kDoubleClickDisabled;
    save_preferences(p);
    CHECK(testenv::get_value(testenv::kSettingsKey, "DoubleClickMode", &type, &v) && v == "Disabled");
    CHECK(testenv::get_file(ini, &v) && v == saved && !testenv::get_value(testenv::kRunKey, "Vorlane", &type, &v));
    CHECK(!testenv::get_value(testenv::kSettingsKey, "SortList", &type, &v));  // a missing value is never created
}
