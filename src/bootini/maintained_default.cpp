#include "bootini/maintained_default.h"

#include <vector>

#include "bootini/default_writer.h"
#include "bootini/text_file.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace vorlane::bootini {
namespace {

// "Default=" or whatever stands in its place: the reader skips it unread.
constexpr std::size_t kSavedKeyChars = 8;
constexpr std::size_t kLinesRead = 2;
// The restore reads two lines of at most kLineChars characters, each at most
// one byte longer on disk (its newline is CR LF), and one byte more tells a
// CR LF at the edge from a lone CR. The rest of a file of any size is never read.
constexpr std::size_t kHeadBytes = kLinesRead * (kLineChars + 1) + 1;

void show_error(const std::string& text) {
    platform::message_box(text, kVorlaneCaption, platform::kMbOk | platform::kMbIconError);
}

}  // namespace

std::string vorlane_ini_path() {
    std::string path = kDefaultVorlaneIni;
    settings::read_setting(settings::kVorlaneIniPathValue, &path);
    return path;
}

bool names_boot_ini(const std::string& path) { return same_file(path, boot_ini_path()); }

void save_maintained_default(const BootTable& table, bool maintain) {
    const std::string path = vorlane_ini_path();
    if (!maintain) return;
    const bool boot_ini = names_boot_ini(path) || same_file(path, table.path);
    // An empty name would match every entry at the next start: nothing is saved,
    // and no older name stays to be restored either.
    if (!boot_ini && table.current_default.empty()) {
        clear_maintained_default();
        return;
    }
    const std::string text = "[Config]\nDefault=" + table.current_default + "\n";
    if (boot_ini || !replace_file_contents(path, newline_to_crlf(text), ReadOnly::refuse)) {
        show_error("The program wasn't able to save the default operating system to the\n"
                   "configuration file '" + path + "'" + (boot_ini ? ":\nit is the boot configuration file itself" : "") +
                   ".\n\nThe default operating system will not me maintained after the reboot.");
    }
}

SavedDefault saved_default(const BootTable& table) {
    SavedDefault found;
    found.index = table.entries.size();
    std::string bytes;
    found.opened = platform::file_read_head(vorlane_ini_path(), kHeadBytes, &bytes);
    std::vector<std::string> lines = split_lines(crlf_to_newline(bytes));
    if (lines.empty()) return found;
    std::string last = lines[lines.size() < kLinesRead ? lines.size() - 1 : kLinesRead - 1];
    if (last.back() == '\n') last.pop_back();
    if (last.size() < kSavedKeyChars) return found;
    found.name = last.substr(kSavedKeyChars);
    // An empty name is contained in every name: it names nothing.
    if (found.name.empty()) return found;
    // The last entry that matches is the default that remains.
    for (std::size_t i = 0; i < table.entries.size(); ++i)
        if (table.entries[i].name.find(found.name) != std::string::npos) found.index = i;
    return found;
}

void restore_maintained_default(BootTable& table) {
    const SavedDefault saved = saved_default(table);
    if (!saved.opened) {
        show_error("The program wasn't able to open the configuration file\n'" + vorlane_ini_path() +
                   "'.\n\nThe default operating system will not be restored.");
        return;
    }
    if (saved.index == table.entries.size()) return;
    // Written once, and only when the file does not name it already.
    table.current_default = saved.name;
    set_default_entry(table, saved.index);
}

void clear_maintained_default() {
    const std::string path = vorlane_ini_path();
    if (!names_boot_ini(path)) replace_file_contents(path, std::string(), ReadOnly::refuse);
}

}  // namespace vorlane::bootini
