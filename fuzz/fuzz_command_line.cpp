// The whole command-line pass (start-up included) over arbitrary command
// lines and BOOT.INI files, with the power calls recorded by the fake.
// Input: a flags byte, the command line (or the -r name), a zero byte, BOOT.INI.
// Flag bits: 0-2 pick a raw command line or one of the -r forms; 3 Windows 9x;
// 4 sort list; 5 maintain default; 6 ScheduleForceTerminate "True"; 7 a running copy.
#include "bootini/boot_table.h"
#include "fuzz/fuzz_support.h"
#include "shell/app.h"

using namespace vorlane;

namespace {

const char* const kRestartForms[] = {"-r ", "/r ", "-f -r ", "/f /r ", "-f /r ", "/f -r ", "  -r "};

std::size_t first_containing(const bootini::BootTable& table, const std::string& name) {
    for (std::size_t i = 0; i < table.entries.size(); ++i)
        if (table.entries[i].name.find(name) != std::string::npos) return i;
    return table.entries.size();
}

bool rewritten_for(const std::vector<std::string>& lines, const std::string& arc_path) {
    std::string arc = arc_path;
    if (!arc.empty() && arc.back() == '\n') arc.pop_back();
    for (const std::string& line : lines)
        if (bootini::is_default_line(line) && line != "default=" + arc + "\n") return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t flags = input.byte();
    const unsigned form = flags & 7;
    std::string argument = input.field();
    const fuzz::Paths paths = fuzz::make_world(input.rest(), "");
    fake::set_version(flags & 8 ? 1 : 2, flags & 8 ? 4 : 5, flags & 8 ? 10 : 1);
    testenv::put_text("SortList", flags & 16 ? "True" : "False");
    testenv::put_text("MaintainDefault", flags & 32 ? "True" : "False");
    testenv::put_text("ScheduleForceTerminate", flags & 64 ? "True" : "False");

    shell::App app;
    shell::start_up(app);
    const bootini::BootTable loaded = app.table;
    const std::string boot_before = fuzz::file(paths.boot_ini);
    // The name reaches the switch whole only below the argument limit.
    if (form != 0 && argument.size() > shell::kSwitchArgumentChars - 6) argument.resize(shell::kSwitchArgumentChars - 6);
    const std::string command_line = form == 0 ? argument : kRestartForms[form - 1] + argument;
    const shell::Outcome outcome = shell::run_command_line(app, command_line, flags & 128);
    fuzz::require_all_closed();

    // At most one power action, and then the pass has ended.
    std::vector<std::string> actions;
    for (const std::string& call : fake::power_calls())
        if (call != "privilege") actions.push_back(call);
    REQUIRE(actions.size() <= 1);
    REQUIRE(actions.empty() || outcome == shell::Outcome::ended);

    // BOOT.INI keeps its lines; only default lines may change, all alike.
    const std::vector<std::string> after = fuzz::lines_of(paths.boot_ini);
    const bool changed = fuzz::file(paths.boot_ini) != boot_before;
    REQUIRE(!changed || after.size() == loaded.lines.size());
    for (std::size_t k = 0; changed && k < after.size(); ++k)
        REQUIRE(after[k] == loaded.lines[k] || bootini::is_default_line(after[k]));
    // A saved default is the one BOOT.INI had before the switch; an empty one is never saved.
    if (flags & 32 && changed)
        REQUIRE(fuzz::file(paths.vorlane_ini) ==
                (loaded.current_default.empty()
                     ? std::string()
                     : bootini::newline_to_crlf("[Config]\nDefault=" + loaded.current_default + "\n")));
    if (form == 0) return 0;
    // An empty name, or one of blanks only, names nothing.
    if (argument.find_first_not_of(" \t") == std::string::npos) {
        REQUIRE(actions.empty() && !changed);
        return 0;
    }

    // -r: the first entry, in the order the menu shows, whose name holds the text.
    const std::string reboot = "ExitWindowsEx flags=" + std::to_string((form >= 3 && form <= 6) || (flags & 64) ? 6 : 2);
    const std::size_t literal = first_containing(loaded, argument);
    if (literal < loaded.entries.size()) {
        REQUIRE(outcome == shell::Outcome::ended);
        // Written and restarted, or refused with a message and no restart.
        if (actions.empty())
            REQUIRE(!changed && testenv::boxes().size() == 1);
        else
            REQUIRE(actions[0] == reboot && (!changed || rewritten_for(after, loaded.entries[literal].arc_path)));
        return 0;
    }
    // A name in double quotes may be looked up without them.
    const bool quoted = argument.size() >= 2 && argument.front() == '"' && argument.back() == '"';
    const std::size_t unquoted =
        quoted ? first_containing(loaded, argument.substr(1, argument.size() - 2)) : loaded.entries.size();
    if (unquoted < loaded.entries.size() && !actions.empty()) {
        REQUIRE(actions[0] == reboot && (!changed || rewritten_for(after, loaded.entries[unquoted].arc_path)));
        return 0;
    }
    // Nothing found: no restart, BOOT.INI untouched.
    REQUIRE(actions.empty() && !changed);
    return 0;
}
