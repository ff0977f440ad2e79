// The command line end to end: vorlane.exe run with each switch in a world of
// its own, judged by the dry-run log and the files it leaves behind.
#include "e2e/e2e_support.h"

namespace {

using e2e::boot_ini;

TEST_CASE("cli: each switch acts, with its force rules, and ends with code 0") {
    const char* const kForce = "ScheduleForceTerminate";
    struct Row {
        const char* args;
        const char* true_setting;  // set to "True" for this row
        const char* windows;       // the version Wine reports, "" for its own
        int new_default;           // 0: BOOT.INI stays as it was, with default 3
        const char* log;
        bool tray = false;
    } rows[] = {
        {"/s", nullptr, "", 0, "ExitWindowsEx flags=8"},
        {"-f /s", nullptr, "", 0, "ExitWindowsEx flags=12"},
        {"-f -s", nullptr, "win98", 0, "ExitWindowsEx flags=13"},
        {"-b", nullptr, "", 0, "SetSystemPowerState suspend=1 force=0"},
        {"-b", kForce, "", 0, "SetSystemPowerState suspend=1 force=1"},
        {"-f -h", nullptr, "", 0, "SetSystemPowerState suspend=0 force=0"},
        {"-f -r \"Windows 2000\"", nullptr, "", 2, "ExitWindowsEx flags=6"},  // quoted, as shortcuts write it
        {"-r Microsoft Windows", nullptr, "", 1, "ExitWindowsEx flags=2"},  // the words joined again
        {"-r 2000", "MaintainDefault", "", 2, "ExitWindowsEx flags=2"},
        {"-r xp", nullptr, "", 0, "", true},
        {"-x", nullptr, "", 0, ""},
    };
    for (const Row& row : rows) {
        const std::string name = row.args + std::string(" ") + (row.true_setting ? row.true_setting : "") + row.windows;
        e2e::World world = e2e::make_world(boot_ini(3), e2e::kLocked);
        if (row.true_setting) e2e::set_setting(row.true_setting, "True");
        e2e::set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", *row.windows ? row.windows : nullptr);
        const e2e::Ended e = e2e::run(row.args);
        e2e::set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", nullptr);
        CHECK_MSG(e.ended && e.code == 0 && e.tray == row.tray && e.boxes.empty(), name + check::show(e.boxes));
        CHECK_MSG(e2e::read(world.power_log) == (*row.log ? row.log + std::string("\r\n") : ""), name);
        CHECK_MSG(e2e::read(world.boot_ini) == boot_ini(row.new_default ? row.new_default : 3), name);
        CHECK_MSG((GetFileAttributesA(world.boot_ini.c_str()) & e2e::kLocked) == e2e::kLocked, name);
        const bool saved = row.true_setting && std::string(row.true_setting) == "MaintainDefault";
        CHECK_MSG(e2e::read(world.vorlane_ini) ==
                      (saved ? "[Config]\r\nDefault=Microsoft Windows Server 2003, Standard\r\n" : ""), name);
    }
}

TEST_CASE("cli: -r says so when BOOT.INI cannot be written, and does not restart") {
    e2e::World world = e2e::make_world(boot_ini(3), e2e::kLocked);
    CHECK(CreateDirectoryA((world.boot_ini + ".new~").c_str(), nullptr));  // where the new file must go
    const e2e::Ended e = e2e::run("-r 2000");
    const std::string head = "The program wasn't able to write the boot configuration file\n'" + world.boot_ini;
    const std::string tail = "\nThe computer will not be restarted.";
    CHECK(e.ended && e.code == 0 && !e.tray);
    CHECK_MSG(e.boxes.size() == 1 && e.boxes[0].rfind(head, 0) == 0 && e.boxes[0].size() > tail.size() &&
                  e.boxes[0].substr(e.boxes[0].size() - tail.size()) == tail, check::show(e.boxes));
    CHECK_EQ(e2e::read(world.power_log) + e2e::read(world.boot_ini), boot_ini(3));
}

}  // namespace

int main(int argc, char** argv) { return e2e::run_cases(argc, argv); }
