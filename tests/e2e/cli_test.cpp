// The command line end to end: vorlane.exe started with each switch in a
// world of its own, then judged by the dry-run power log, BOOT.INI and
// VORLANE.INI it leaves behind.
//
//   cli_test.exe <path of vorlane.exe> [case filter]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/check.h"

namespace {

using e2e::Ended;
using e2e::World;
using Lines = std::vector<std::string>;

constexpr DWORD kLocked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

const std::string kArc1 = "multi(0)disk(0)rdisk(0)partition(1)\\WINNT";
const std::string kArc2 = "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS";
const std::string kArc3 = "multi(0)disk(0)rdisk(0)partition(3)\\WINDOWS";

// Table order XP, 2000, Server; sorted by name it is 2000, Server, XP, so a
// name all three share picks a different first entry in each order.
std::string unsorted_boot_ini(const std::string& default_arc) {
    return "[boot loader]\r\n"
           "timeout=30\r\n"
           "default=" + default_arc + "\r\n"
           "[operating systems]\r\n"
           "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
           "multi(0)disk(0)rdisk(0)partition(2)\\WINNT=\"Microsoft Windows 2000 Professional\" /fastdetect\r\n"
           "multi(0)disk(0)rdisk(0)partition(3)\\WINDOWS=\"Microsoft Windows Server 2003, Standard\" /fastdetect\r\n";
}
const std::string kUnsortedArc1 = "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";
const std::string kUnsortedArc2 = "multi(0)disk(0)rdisk(0)partition(2)\\WINNT";

std::string file_bytes(const std::string& path) {
    std::string bytes;
    if (!e2e::read_file(path, &bytes)) return "(missing)";
    return bytes;
}

std::string describe_boxes(const Ended& e) {
    std::string text;
    for (const e2e::Box& box : e.boxes) text += " box: " + box.text;
    return text;
}

// What every start that carries out a switch must show: it ended by itself
// with code 0, without a message box and without entering tray mode.
void check_switch_ended(const Ended& e, const std::string& row) {
    CHECK_MSG(e.ended, row);
    CHECK_MSG(e.exit_code == 0, row);
    CHECK_MSG(e.boxes.empty(), row + describe_boxes(e));
    CHECK_MSG(!e.main_window_seen, row);
}

// Makes the next started programs report this Windows version; empty resets.
void pretend_windows(const char* version) {
    if (version && *version)
        e2e::set_string(HKEY_CURRENT_USER, "Software\\Wine", "Version", version);
    else
        e2e::delete_value(HKEY_CURRENT_USER, "Software\\Wine", "Version");
}

TEST_CASE("power switches: shut down, stand by and hibernate with their force rules") {
    struct Row {
        const char* args;
        const char* force_setting;  // ScheduleForceTerminate
        const char* windows;        // Wine's pretended version, "" for the prefix's own (NT)
        const char* logged;
    };
    const Row rows[] = {
        {"-s", "False", "", "ExitWindowsEx flags=8"},
        {"-f -s", "False", "", "ExitWindowsEx flags=12"},
        {"/s", "False", "", "ExitWindowsEx flags=8"},
        {"-f /s", "False", "", "ExitWindowsEx flags=12"},
        {"/f /s", "False", "", "ExitWindowsEx flags=12"},
        {"-s", "True", "", "ExitWindowsEx flags=12"},
        {"-b", "False", "", "SetSystemPowerState suspend=1 force=0"},
        {"/b", "False", "", "SetSystemPowerState suspend=1 force=0"},
        // -f does not reach a suspension: only the registry forces it.
        {"-f -b", "False", "", "SetSystemPowerState suspend=1 force=0"},
        {"-b", "True", "", "SetSystemPowerState suspend=1 force=1"},
        {"-h", "False", "", "SetSystemPowerState suspend=0 force=0"},
        {"-f -h", "True", "", "SetSystemPowerState suspend=0 force=1"},
        // Windows 9x and Me need EWX_SHUTDOWN besides EWX_POWEROFF.
        {"-s", "False", "win98", "ExitWindowsEx flags=9"},
        {"-f -s", "False", "win98", "ExitWindowsEx flags=13"},
        {"-s", "False", "winme", "ExitWindowsEx flags=9"},
        {"-f -s", "False", "winme", "ExitWindowsEx flags=13"},
        {"-s", "False", "winxp", "ExitWindowsEx flags=8"},
        {"-f -s", "False", "winxp", "ExitWindowsEx flags=12"},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(row.args) + " (ScheduleForceTerminate " + row.force_setting +
                                 (*row.windows ? std::string(", ") + row.windows : std::string()) + ")";
        const std::string boot_ini = e2e::sample_boot_ini(kArc2);
        World world = e2e::make_world(boot_ini);
        e2e::set_setting("ScheduleForceTerminate", row.force_setting);
        pretend_windows(row.windows);
        const Ended e = e2e::run(row.args);
        pretend_windows("");
        check_switch_ended(e, name);
        CHECK_MSG(e2e::log_lines(world.power_log) == Lines{row.logged},
                  name + ": " + check::show(e2e::log_lines(world.power_log)));
        CHECK_MSG(file_bytes(world.boot_ini) == boot_ini, name);
        CHECK_MSG(file_bytes(world.vorlane_ini).empty(), name);
    }
}

TEST_CASE("-r restarts into the first entry whose name contains the text") {
    struct Row {
        const char* args;
        bool unsorted_layout;  // else the sample's layout
        const char* sort_list;
        const char* force_setting;
        const std::string* new_default;  // nullptr: no match, so tray mode and nothing written
        const char* logged;              // nullptr: no line
    };
    const Row rows[] = {
        {"-r Server", false, "False", "False", &kArc3, "ExitWindowsEx flags=2"},
        {"/r Server", false, "False", "False", &kArc3, "ExitWindowsEx flags=2"},
        {"-f -r Server", false, "False", "False", &kArc3, "ExitWindowsEx flags=6"},
        {"-f /r Server", false, "False", "False", &kArc3, "ExitWindowsEx flags=6"},
        {"-r Server", false, "False", "True", &kArc3, "ExitWindowsEx flags=6"},
        {"-r 2000 Pro", false, "False", "False", &kArc1, "ExitWindowsEx flags=2"},
        // Every name contains the empty name.
        {"-r ", false, "False", "False", &kArc1, "ExitWindowsEx flags=2"},
        // The third character is dropped whatever it is: "erver" is left.
        {"-rServer", false, "False", "False", &kArc3, "ExitWindowsEx flags=2"},
        {"-r Microsoft Windows", true, "False", "False", &kUnsortedArc1, "ExitWindowsEx flags=2"},
        {"-r Microsoft Windows", true, "True", "False", &kUnsortedArc2, "ExitWindowsEx flags=2"},
        // Case-sensitive, and names are kept without their quotation marks.
        {"-r server", false, "False", "False", nullptr, nullptr},
        {"-r MICROSOFT", false, "False", "False", nullptr, nullptr},
        {"-r \"Microsoft Windows XP Professional\"", false, "False", "False", nullptr, nullptr},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(row.args) + (row.unsorted_layout ? " (unsorted file" : " (sample") +
                                 ", SortList " + row.sort_list + ", ScheduleForceTerminate " +
                                 row.force_setting + ")";
        auto layout = row.unsorted_layout ? unsorted_boot_ini : e2e::sample_boot_ini;
        const std::string before = layout(row.unsorted_layout ? kArc3 : kArc2);
        World world = e2e::make_world(before, kLocked);
        CHECK_MSG((GetFileAttributesA(world.boot_ini.c_str()) & kLocked) == kLocked, name + ": set-up");
        e2e::set_setting("SortList", row.sort_list);
        e2e::set_setting("ScheduleForceTerminate", row.force_setting);

        const Ended e = e2e::run(row.args);
        CHECK_MSG(e.ended, name);
        CHECK_MSG(e.exit_code == 0, name);
        CHECK_MSG(e.boxes.empty(), name + describe_boxes(e));
        // No match leaves the pass to tray mode, which the runner then closes.
        CHECK_MSG(e.main_window_seen == (row.new_default == nullptr), name);
        const std::string after = row.new_default ? layout(*row.new_default) : before;
        CHECK_MSG(file_bytes(world.boot_ini) == after, name + ": " + check::show(file_bytes(world.boot_ini)));
        CHECK_MSG((GetFileAttributesA(world.boot_ini.c_str()) & kLocked) == kLocked, name + ": attributes");
        CHECK_MSG(GetFileAttributesA((world.boot_ini + ".new~").c_str()) == INVALID_FILE_ATTRIBUTES, name);
        const Lines expected_log = row.logged ? Lines{row.logged} : Lines{};
        CHECK_MSG(e2e::log_lines(world.power_log) == expected_log,
                  name + ": " + check::show(e2e::log_lines(world.power_log)));
        CHECK_MSG(file_bytes(world.vorlane_ini).empty(), name);
    }
}

TEST_CASE("unrecognised switches and switches without their text act on nothing") {
    struct Row {
        const char* args;
        bool tray;  // else either outcome will do, as long as nothing is acted on
    };
    const Row rows[] = {
        {"/i", true},  // only the dash form starts the set-up
        {"-z", true},
        {"-r", false},
        {"-f", false},
        {"-f -r", false},
    };
    for (const Row& row : rows) {
        const std::string boot_ini = e2e::sample_boot_ini(kArc2);
        World world = e2e::make_world(boot_ini, kLocked);
        const Ended e = e2e::run(row.args);
        CHECK_MSG(e.ended && e.exit_code == 0, row.args);
        CHECK_MSG(e.boxes.empty(), row.args + describe_boxes(e));
        if (row.tray) CHECK_MSG(e.main_window_seen, row.args);
        CHECK_MSG(e2e::log_lines(world.power_log).empty(), row.args);
        CHECK_MSG(file_bytes(world.boot_ini) == boot_ini, row.args);
    }
}

TEST_CASE("-r with Maintain default saves the previous default to VORLANE.INI first") {
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2));
    e2e::set_setting("MaintainDefault", "True");
    const Ended e = e2e::run("-r Server");
    check_switch_ended(e, "-r Server");
    CHECK_EQ(file_bytes(world.vorlane_ini), std::string("[Config]\r\nDefault=Microsoft Windows XP Professional\r\n"));
    CHECK_EQ(file_bytes(world.boot_ini), e2e::sample_boot_ini(kArc3));
    CHECK_EQ(e2e::log_lines(world.power_log), (Lines{"ExitWindowsEx flags=2"}));
}

TEST_CASE("-q restores the maintained default and ends without a window") {
    World world = e2e::make_world(e2e::sample_boot_ini(kArc2), kLocked);
    const std::string saved = "[Config]\r\nDefault=Microsoft Windows 2000 Professional\r\n";
    e2e::write_file(world.vorlane_ini, saved);
    const Ended e = e2e::run("-q");
    check_switch_ended(e, "-q");
    CHECK_EQ(file_bytes(world.boot_ini), e2e::sample_boot_ini(kArc1));
    CHECK_EQ(GetFileAttributesA(world.boot_ini.c_str()) & kLocked, kLocked);
    CHECK_EQ(file_bytes(world.vorlane_ini), saved);
    CHECK(e2e::log_lines(world.power_log).empty());
}

TEST_CASE("-x with no copy running just ends") {
    const std::string boot_ini = e2e::sample_boot_ini(kArc2);
    World world = e2e::make_world(boot_ini);
    const Ended e = e2e::run("-x");
    check_switch_ended(e, "-x");
    CHECK_EQ(file_bytes(world.boot_ini), boot_ini);
    CHECK(e2e::log_lines(world.power_log).empty());
}

TEST_CASE("-r tells when BOOT.INI cannot be written and does not restart") {
    const std::string boot_ini = e2e::sample_boot_ini(kArc2);
    World world = e2e::make_world(boot_ini, kLocked);
    // A folder where the temporary file has to go.
    CHECK(CreateDirectoryA((world.boot_ini + ".new~").c_str(), nullptr));
    const Ended e = e2e::run("-r Server");
    CHECK(e.ended);
    CHECK_EQ(e.exit_code, 0ul);
    CHECK(!e.main_window_seen);
    CHECK_EQ(e.boxes.size(), 1u);
    if (!e.boxes.empty()) {
        const std::string& text = e.boxes[0].text;
        const std::string head = "The program wasn't able to write the boot configuration file\n'" + world.boot_ini + "'.";
        const std::string tail = "\nThe computer will not be restarted.";
        CHECK_MSG(text.compare(0, head.size(), head) == 0, check::show(text));
        CHECK_MSG(text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0,
                  check::show(text));
    }
    CHECK(e2e::log_lines(world.power_log).empty());
    CHECK_EQ(file_bytes(world.boot_ini), boot_ini);
    CHECK_EQ(GetFileAttributesA(world.boot_ini.c_str()) & kLocked, kLocked);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: cli_test <vorlane.exe> [case filter]\n");
        return 2;
    }
    e2e::g_vorlane = e2e::windows_path(argv[1]);
    // The starts that match no entry end up in tray mode and leave it again.
    e2e::keep_tray_populated();
    return check::run_all(argc - 1, argv + 1);
}
