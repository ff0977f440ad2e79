// Registry semantics every caller relies on, on the fake and on the real registry.
#include "settings/settings_store.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
using testenv::kSettingsKey;

TEST_CASE("settings: read gives the text up to the first zero, keeps the buffer on failure") {
    testenv::reset();
    testenv::put_text("Plain", "True");
    testenv::put_text("Zero", std::string("ab\0cd", 5));
    testenv::put_text("Full", std::string(256, 'x'));
    testenv::put_text("TooLong", std::string(257, 'x'));
    struct Row { const char* name; bool ok; std::string text; } rows[] = {
        {"Plain", true, "True"},
        {"Zero", true, "ab"},
        {"Full", true, std::string(256, 'x')},
        {"TooLong", false, "kept"},
        {"Missing", false, "kept"},
    };
    for (const Row& r : rows) {
        std::string text = "kept";
        CHECK_MSG(settings::read_setting(r.name, &text) == r.ok, r.name);
        CHECK_MSG(text == r.text, r.name);
    }
    std::string text = "kept";
    CHECK(!settings::read_string("Software\\Ostrevan\\NoSuchKey", "Plain", &text));
    CHECK_EQ(text, "kept");
}

TEST_CASE("settings: update-existing write keeps the type, stores no terminator, creates nothing") {
    testenv::reset();
    testenv::put_value(kSettingsKey, "Text", platform::kRegSz, std::string("False\0", 6));
    testenv::put_value(kSettingsKey, "Number", platform::kRegDword, std::string("\1\0\0\0", 4));
    testenv::put_value(kSettingsKey, "Expand", platform::kRegExpandSz, "x");
    testenv::put_text("Huge", std::string(300, 'h'));

    CHECK(settings::write_setting("Text", "True"));
    CHECK(settings::write_setting("Number", "True"));
    CHECK(settings::write_setting("Expand", "%TEMP%"));
    CHECK(!settings::write_setting("Huge", "short"));
    CHECK(!settings::write_setting("Missing", "True"));

    std::uint32_t type = 0;
    std::string bytes;
    CHECK(testenv::get_value(kSettingsKey, "Text", &type, &bytes));
    CHECK_EQ(type, platform::kRegSz);
    CHECK_EQ(bytes, "True");  // four bytes, no terminating zero
    CHECK(testenv::get_value(kSettingsKey, "Number", &type, &bytes));
    CHECK_EQ(type, platform::kRegDword);
    CHECK_EQ(bytes, "True");
    CHECK(testenv::get_value(kSettingsKey, "Expand", &type, &bytes));
    CHECK_EQ(type, platform::kRegExpandSz);
    CHECK(testenv::get_value(kSettingsKey, "Huge", &type, &bytes));
    CHECK_EQ(bytes, std::string(300, 'h'));
    CHECK(!testenv::get_value(kSettingsKey, "Missing", &type, &bytes));

    std::string text;
    CHECK(settings::read_setting("Text", &text));
    CHECK_EQ(text, "True");
}

TEST_CASE("settings: delete and plain set on another key") {
    testenv::reset();
    CHECK(settings::set_string(testenv::kRunKey, "Vorlane", "C:\\vorlane.exe"));
    std::uint32_t type = 0;
    std::string bytes;
    CHECK(testenv::get_value(testenv::kRunKey, "Vorlane", &type, &bytes));
    CHECK_EQ(type, platform::kRegSz);
    CHECK_EQ(bytes, "C:\\vorlane.exe");
    CHECK(settings::delete_value(testenv::kRunKey, "Vorlane"));
    CHECK(!testenv::get_value(testenv::kRunKey, "Vorlane", &type, &bytes));
    CHECK(!settings::delete_value(testenv::kRunKey, "Vorlane"));
}

TEST_CASE("settings: flags are on only for exactly True") {
    testenv::reset();
    const char* off[] = {"true", "TRUE", "True ", "", "False", "Truex"};
    for (const char* text : off) {
        testenv::put_text("SortList", text);
        CHECK_MSG(!settings::read_flag("SortList"), text);
    }
    testenv::put_text("SortList", "True");
    CHECK(settings::read_flag("SortList"));
    testenv::remove_value(kSettingsKey, "SortList");
    CHECK(!settings::read_flag("SortList"));
}
