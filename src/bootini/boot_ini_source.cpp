#include "bootini/boot_ini_source.h"

#include <cstdint>

#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "bootini/text_file.h"
#include "platform/platform.h"

namespace vorlane::bootini {
namespace {

using Before = BootIniSource::FileBytes;

Before read_before(const std::string& path) {
    Before before;
    before.existed = platform::file_read(path, kMaxKeptBytes, &before.bytes) == platform::FileRead::ok;
    return before;
}

// Puts back what the file held, when it holds something else now.
bool put_back(const std::string& path, const Before& before, ReadOnly read_only, std::string* failure) {
    const Before now = read_before(path);
    if (now.existed == before.existed && now.bytes == before.bytes) return true;
    std::uint32_t error = 0;
    if (before.existed ? replace_file_contents(path, before.bytes, read_only, &error)
                       : platform::file_remove(path))
        return true;
    *failure = "The program wasn't able to put back the file\n'" + path + "'.\n\n" +
               replace_error_text(path, before.existed ? error : platform::last_error());
    return false;
}

// BOOT.INI's default lines made to name entry `index`; the undo puts its bytes back.
void add_default_change(std::vector<bootmenu::Change>* changes, BootTable& table, std::size_t index, Before* before) {
    const std::string path = table.path;
    changes->push_back({"BOOT.INI's default",
                        [&table, index, path, before](std::string* why) {
                            *before = read_before(path);
                            std::uint32_t error = 0;
                            if (set_default_entry(table, index, &error)) return true;
                            *why = "The program wasn't able to write the boot configuration file\n'" + path +
                                   "'.\n\n" + default_error_text(table, error);
                            return false;
                        },
                        [path, before](std::string* why) { return put_back(path, *before, ReadOnly::rewrite, why); }});
}

}  // namespace

bootmenu::SourceMenu BootIniSource::menu() {
    bootmenu::SourceMenu menu;
    menu.source = this;
    menu.kind = bootmenu::MenuKind::boot_ini;
    menu.default_name = table_.current_default;
    for (std::size_t i = 0; i < table_.entries.size(); ++i) {
        const std::string& name = table_.entries[i].name;
        // One default item per menu: of several equal names the last one wins.
        if (!table_.current_default.empty() && name == table_.current_default) menu.default_index = i;
        menu.entries.push_back(bootmenu::SourceEntry{name, std::to_string(i), false});
    }
    if (usual_default(menu.default_index) < menu.entries.size()) menu.next_index = menu.default_index;
    return menu;
}

std::size_t BootIniSource::usual_default(std::size_t current) const {
    // The default is a one-time one when VORLANE.INI keeps another, which the next start writes back.
    const SavedDefault saved = saved_default(table_);
    const std::size_t count = table_.entries.size();
    return current < count && saved.index < count &&
                   table_.entries[saved.index].arc_path != table_.entries[current].arc_path
               ? saved.index
               : count;
}

void BootIniSource::plan_cancel(std::vector<bootmenu::Change>* changes) {
    const std::size_t usual = usual_default(menu().default_index);
    if (usual < table_.entries.size()) add_default_change(changes, table_, usual, &boot_ini_before_);
}

bool BootIniSource::plan(const std::string& key, const bootmenu::Choice& choice,
                         std::vector<bootmenu::Change>* changes, std::string* failure) {
    std::size_t index = 0;
    for (char c : key) index = index * 10 + static_cast<std::size_t>(c - '0');
    const std::string path = table_.path;
    if (aside_differs(path)) {
        *failure = "The program wasn't able to write the boot configuration file\n'" + path + "'.\n\n" +
                   replace_error_text(path, kErrorAsideKept);
        return false;
    }
    BootTable& table = table_;
    if (choice.maintain_default) {
        const std::string ini = vorlane_ini_path();
        Before* before = &vorlane_ini_before_;
        // A save that fails says so itself and does not stop the switch: the
        // default is then not maintained.
        changes->push_back({"VORLANE.INI's saved default",
                            [&table, ini, before](std::string*) {
                                *before = read_before(ini);
                                save_maintained_default(table, true);
                                return true;
                            },
                            [ini, before](std::string* why) { return put_back(ini, *before, ReadOnly::refuse, why); }});
    }
    add_default_change(changes, table, index, &boot_ini_before_);
    return true;
}

}  // namespace vorlane::bootini
