#include "bootini/maintained_default.h"
#include "bootini/text_file.h"
#include "power/power.h"
#include "shell/app.h"
#include "shell/entry_command.h"

namespace vorlane::shell {
namespace {

bool begins(const std::string& text, char second) {
    return text.size() >= 2 && text[0] == '-' && text[1] == second;
}

void slash_to_dash(std::string& text) {
    if (!text.empty() && text[0] == '/') text[0] = '-';
}

// The first entry whose display name contains `name`; the entry count when none does.
std::size_t entry_containing(const App& app, const std::string& name) {
    std::size_t i = 0;
    while (i < app.menu.entries.size() && app.menu.entries[i].name.find(name) == std::string::npos) ++i;
    return i;
}

// Restarts into the first entry whose display name contains `name`; false
// when none does. Shortcuts and scripts quote a name with blanks, and display
// names carry no quotes, so a quoted name that finds nothing as it stands is
// looked for without its one pair of quotes. An empty name (bare, quoted or
// of blanks only) names nothing: a script's empty variable must not restart
// into whichever entry comes first.
//
// Where Windows hides a menu from this copy (not elevated), a name behind it,
// or one found nowhere (it may be in the hidden menu), is asked for once
// with the consent prompt: the same command runs again elevated.
bool restart_into(App& app, const std::string& name, bool force, const std::string& command) {
    if (name.find_first_not_of(" \t") == std::string::npos) return false;
    std::size_t i = entry_containing(app, name);
    if (i == app.menu.entries.size() && name.size() > 2 && name.front() == '"' && name.back() == '"')
        i = entry_containing(app, name.substr(1, name.size() - 2));
    const bool found = i < app.menu.entries.size();
    if ((found ? app.menu.entries[i].elevate : app.menu.refused) && !platform::process_elevated()) {
        start_elevated(command);
        return true;
    }
    if (!found) return false;
    if (switch_default(app, i)) power::exit_windows(power::kEwxReboot, force);
    return true;
}

// A switch cut short can have left only the set-aside copy, or a copy that
// differs from the file, which may be the only good one: it is kept and the
// user told, once for this start.
void recover(const std::string& path) {
    if (bootini::recover_set_aside(path) != bootini::Recovery::kept) return;
    platform::message_box("The file '" + path + "' differs from the copy '" + path + bootini::kAsideSuffix +
                              "' that a change which did not finish kept aside. Vorlane keeps both and changes "
                              "nothing in the file while the copy is there: compare the two, keep the right one as '" +
                              path + "', and remove the copy.",
                          kCaption, platform::kMbOk | platform::kMbIconError);
}

}  // namespace

bool is_new_shell(const platform::OsVersion& v) {
    return (v.major == 4 && v.minor == 90) || (v.major == 5 && v.minor != 0);
}

void start_up(App& app) {
    recover(bootini::boot_ini_path());
    recover(bootini::vorlane_ini_path());
    app.version = platform::os_version();
    app.shutdown_flags = app.version.platform_id == platform::kPlatformWin9x
                             ? power::kEwxShutdown | power::kEwxPowerOff
                             : power::kEwxPowerOff;
    app.new_shell = is_new_shell(app.version);
    bootini::load_boot_table(app.table);
    bootini::restore_maintained_default(app.table);
    settings::load_preferences(app.prefs);
    if (app.prefs.sort_list) bootini::sort_entries(app.table);
    rebuild_menu(app);
}

Outcome run_command_line(App& app, const std::string& command_line, bool running_copy) {
    std::size_t skip = 0;
    while (skip < command_line.size() && static_cast<unsigned char>(command_line[skip]) <= 32) ++skip;
    std::string text = command_line.substr(skip);
    const std::string command = text;

    if (begins(text, 'i')) return Outcome::boot_loader_setup;
    slash_to_dash(text);
    bool force = false;
    if (begins(text, 'f')) {
        force = true;
        // The third character, normally the blank after the switch, is dropped.
        text = text.size() > 3 ? text.substr(3, kSwitchArgumentChars) : std::string();
    }
    slash_to_dash(text);
    // "-r" alone names nothing and reads nothing past the text.
    if (begins(text, 'r') && text.size() >= 3 &&
        restart_into(app, text.substr(3, kSwitchArgumentChars), force, command))
        return Outcome::ended;
    if (begins(text, 'c')) {
        cancel_one_time_start(app);
        return Outcome::ended;
    }
    // The elevated copy that "Show every boot menu" starts takes the tray over.
    if (begins(text, 'e')) return Outcome::replace_running_copy;
    if (begins(text, 's')) {
        power::exit_windows(app.shutdown_flags, force);
        return Outcome::ended;
    }
    if (begins(text, 'q')) return Outcome::ended;
    if (begins(text, 'b') || begins(text, 'h')) {
        power::suspend(text[1] == 'h');
        return Outcome::ended;
    }
    if (running_copy) return Outcome::close_running_copy;
    if (begins(text, 'x')) return Outcome::ended;
    return Outcome::tray_mode;
}

}  // namespace vorlane::shell
