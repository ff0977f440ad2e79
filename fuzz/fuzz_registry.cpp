// Registry values of every size and type under the settings key and the Run
// key, through every reader and the writers that follow them. Input: records
// separated by zero bytes, each a value index, a type, a repeat count, then
// the data (repeated, so values pass the 256-byte limit). A record with the
// index byte 0xFF removes the value.
#include "bootini/boot_table.h"
#include "bootini/maintained_default.h"
#include "fuzz/fuzz_support.h"
#include "power/power.h"
#include "schedule/schedule.h"
#include "settings/preferences.h"
#include "settings/settings_store.h"

using namespace vorlane;

namespace {

struct Name {
    const char* key;
    const char* name;
};
const Name kValues[] = {
    {testenv::kSettingsKey, "Filename"}, {testenv::kSettingsKey, "INI"},
    {testenv::kSettingsKey, "MaintainDefault"}, {testenv::kSettingsKey, "SortList"},
    {testenv::kSettingsKey, "UseSimplifiedMenu"}, {testenv::kSettingsKey, "DoubleClickMode"},
    {testenv::kSettingsKey, "ScheduleStatus"}, {testenv::kSettingsKey, "ScheduleDate"},
    {testenv::kSettingsKey, "ScheduleTime"}, {testenv::kSettingsKey, "ScheduleMode"},
    {testenv::kSettingsKey, "ScheduleModeRestartToName"}, {testenv::kSettingsKey, "ScheduleForceTerminate"},
    {testenv::kSettingsKey, "ScheduleShowWarning"}, {testenv::kSettingsKey, "ScheduleShowWarningTimeout"},
    {testenv::kRunKey, "Vorlane"},
};
constexpr std::size_t kCount = sizeof kValues / sizeof kValues[0];
constexpr std::size_t kRunIndex = kCount - 1;

struct Stored {
    bool present = false;
    std::uint32_t type = 0;
    std::string data;
};

Stored stored(std::size_t i) {
    Stored s;
    s.present = testenv::get_value(kValues[i].key, kValues[i].name, &s.type, &s.data);
    return s;
}

bool same(const settings::Preferences& a, const settings::Preferences& b) {
    return a.maintain_default == b.maintain_default && a.run_at_startup == b.run_at_startup &&
           a.sort_list == b.sort_list && a.simplified_menu == b.simplified_menu && a.double_click == b.double_click;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    testenv::reset();
    testenv::put_file(testenv::path("BOOT.INI"), "[operating systems]\r\nC:\\=\"98\"\r\n");
    testenv::put_file(testenv::path("VORLANE.INI"), "");
    testenv::put_text("Filename", testenv::path("BOOT.INI"));
    testenv::put_text("INI", testenv::path("VORLANE.INI"));
    while (!input.empty()) {
        const std::uint8_t index = input.byte();
        const std::uint32_t type = input.byte() % 12;
        const std::size_t repeat = 1 + input.byte() % 64;
        const std::string piece = input.field();
        if (index == 0xFF) {
            testenv::remove_value(kValues[type % kCount].key, kValues[type % kCount].name);
            continue;
        }
        std::string value;
        for (std::size_t r = 0; r < repeat && value.size() < 1024; ++r) value += piece;
        testenv::put_value(kValues[index % kCount].key, kValues[index % kCount].name, type, value);
    }
    Stored before[kCount];
    for (std::size_t i = 0; i < kCount; ++i) before[i] = stored(i);

    // Each read: the data up to its first zero byte, or nothing (and the
    // caller's default kept) when missing or over the limit.
    for (std::size_t i = 0; i < kCount; ++i) {
        std::string text = "\x01untouched";
        const bool ok = settings::read_string(kValues[i].key, kValues[i].name, &text);
        const bool fits = before[i].present && before[i].data.size() <= settings::kMaxValueBytes;
        REQUIRE(ok == fits);
        REQUIRE(text == (ok ? before[i].data.substr(0, before[i].data.find('\0')) : "\x01untouched"));
    }

    // Every reader of the program, then the writers that store what was read.
    settings::Preferences prefs;
    settings::load_preferences(prefs);
    schedule::Schedule record;
    schedule::load_schedule(record);
    bootini::BootTable table;
    bootini::load_boot_table(table);
    bootini::vorlane_ini_path();
    power::exit_windows(power::kEwxReboot, false);
    std::string force;
    const bool forced = settings::read_string(testenv::kSettingsKey, power::kForceValue, &force) && force == "True";
    REQUIRE(fake::power_calls().back() == (forced ? "ExitWindowsEx flags=6" : "ExitWindowsEx flags=2"));
    fuzz::require_all_closed();

    settings::save_preferences(prefs);
    schedule::save_schedule(record);
    fuzz::require_all_closed();
    for (std::size_t i = 0; i < kRunIndex; ++i) {
        const Stored after = stored(i);
        // Never created; a type kept; a value over the limit never overwritten.
        REQUIRE(after.present == before[i].present);
        REQUIRE(!after.present || after.type == before[i].type);
        REQUIRE(before[i].data.size() <= settings::kMaxValueBytes || after.data == before[i].data);
    }
    // Saved preferences load back the same.
    settings::Preferences again;
    settings::load_preferences(again);
    REQUIRE(same(prefs, again));
    return 0;
}
