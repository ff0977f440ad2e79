// The program's process-wide state and the decisions of its shell: the
// start-up sequence, the command-line pass, the main window's command table,
// and what the tray icon and menu show. The Win32 side only turns messages
// into these calls and carries out the user-interface actions they return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bcd/bcd_source.h"
#include "bootini/boot_ini_source.h"
#include "bootini/boot_table.h"
#include "bootmenu/boot_menu.h"
#include "firmware/firmware_source.h"
#include "platform/platform.h"
#include "resource.h"
#include "settings/preferences.h"

namespace vorlane::shell {

constexpr unsigned kEntryCommandBase = ID_ENTRY_BASE;
constexpr std::size_t kSwitchArgumentChars = 255;
constexpr const char* kCaption = "Vorlane";
constexpr const char* kTrayTip = "Vorlane";
constexpr const char* kNoEntriesText = "No operating systems found";
constexpr const char* kPendingText = "Next start only: ";
constexpr const char* kCancelOneTimeText = "Cancel the one-time start";
constexpr const char* kShowEveryMenuText = "Show every boot menu";

struct App {
    bootini::BootTable table;
    settings::Preferences prefs;
    platform::OsVersion version;
    std::uint32_t shutdown_flags = 8;
    bool new_shell = false;

    // Every boot menu of the machine, chained; what the menu, the tooltip,
    // -r and the schedule see. Its steps point at the sources below, so an
    // App stays where it was made.
    bootmenu::BootMenu menu;
    firmware::FirmwareSource firmware;
    bcd::BcdSource bcd{table.path};
    bootini::BootIniSource boot_ini{table};

    App() = default;
    App(const App&) = delete;
    App& operator=(const App&) = delete;
};

// Reads every source again and chains their menus.
void rebuild_menu(App& app);

// Takes back every one-time start left pending; says why in a message box
// when it cannot. The menus are read again either way.
void cancel_one_time_start(App& app);

// Starts this program again with administrator rights (the consent prompt)
// and these arguments; false when the user declined or it could not start,
// which is said in a message box unless declined.
bool start_elevated(const std::string& arguments);

// ---- Start-up and command line ----

// Reads the Windows version, loads the table, restores a maintained default,
// loads the preferences and sorts when asked.
void start_up(App& app);

// replace_running_copy: tray mode, once a copy already running was closed
// (the elevated copy that "Show every boot menu" starts).
enum class Outcome { ended, boot_loader_setup, close_running_copy, replace_running_copy, tray_mode };

// The command-line pass over the text after the program's name. Carries out
// the switch actions itself and says what is left for the Win32 side.
Outcome run_command_line(App& app, const std::string& command_line, bool running_copy);

// ---- Main window ----

enum class UiAction {
    none, quit, show_about, hide_about, schedule_dialog, locate_boot_ini, locate_vorlane_ini, open_link,
};

// The main window's command table (the low word of WM_COMMAND's wParam).
UiAction dispatch_command(App& app, unsigned id);
UiAction double_click_action(App& app);
// After the user located BOOT.INI: the table is loaded again, without sorting.
void reload_after_locate(App& app);
// The file that a choice in the file browser stands for: a folder, or a path
// ending in a backslash, stands for `file_name` in it.
std::string located_file(const std::string& chosen, const std::string& file_name);

// ---- Tray icon and menu ----

// true on Windows Me (4.90) and on 5.x other than 5.0.
bool is_new_shell(const platform::OsVersion& version);

// The icon resource for the tray.
unsigned tray_picture(bool schedule_enabled, bool new_shell);

// 128 bytes from shell32 5.0 on, else 64; the tip keeps one byte less.
std::size_t tip_limit(std::uint32_t shell_version);
std::string cut_tip(const std::string& text, std::uint32_t shell_version);
std::string tooltip_text(const App& app);
// A display name as a menu item's text: each "&" doubled, so that it shows
// as itself instead of underlining the next letter.
std::string menu_text(const std::string& name);

struct MenuPlan {
    // Above the entries, in this order: greyed notices of menus that could not
    // be read, "Show every boot menu" (command ID_SHOW_EVERY_MENU) when a copy
    // with administrator rights would see more, and a pending one-time start
    // as a greyed line ("Next start only: ...") with "Cancel the one-time
    // start" (ID_CANCEL_ONE_TIME) below it.
    std::vector<std::string> notices;
    bool show_every_menu = false;
    std::string pending;  // the greyed line's text; empty: neither line
    std::vector<std::pair<std::string, unsigned>> entries;  // text, command
    bool no_entries = false;        // one greyed "No operating systems found" (command 30000)
    unsigned default_command = 0;   // 0: none is bold
    std::vector<std::pair<unsigned, bool>> checks;
    std::vector<unsigned> greyed;
    bool simplified = false;
};
// Re-reads the preferences and plans the pop-up menu.
MenuPlan plan_menu(App& app);

}  // namespace vorlane::shell
