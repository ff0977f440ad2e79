#include "bcd/bcd_source.h"

#include "bcd/bcd_store.h"
#include "platform/platform.h"

namespace vorlane::bcd {
namespace {

constexpr std::uint32_t kErrorCancelled = 1223;  // the consent prompt was declined
constexpr std::uint32_t kFirstVersionWithStore = 6;  // Vista

// A 32-bit process on 64-bit Windows sees another System32, without bcdedit.
std::string bcdedit_path() {
    std::string folder = platform::system_folder();
    if (folder.empty()) return folder;
    if (platform::wow64()) folder = folder.substr(0, folder.find_last_of('\\') + 1) + "Sysnative";
    return folder + "\\bcdedit.exe";
}

bool has_store() {
    const platform::OsVersion v = platform::os_version();
    return v.platform_id != platform::kPlatformWin9x && v.major >= kFirstVersionWithStore;
}

}  // namespace

bootmenu::SourceMenu BcdSource::menu() {
    bootmenu::SourceMenu menu;
    menu.source = this;
    menu.kind = bootmenu::MenuKind::boot_manager;
    menu.opens = bootmenu::MenuKind::boot_ini;
    store_.clear();
    if (!has_store()) return menu;
    store_ = find_store();
    if (store_.empty() && !asked_to_load_) {
        // Some systems load the store only once something opened it; bcdedit
        // is Windows' own way to. Its output and outcome do not matter here.
        asked_to_load_ = true;
        std::uint32_t ignored = 0;
        const std::string program = bcdedit_path();
        if (!program.empty()) platform::run_program(program, "/enum {bootmgr}", false, &ignored);
        store_ = find_store();
    }
    if (store_.empty()) return menu;
    const BootManager manager = read_boot_manager(store_);
    for (const StoreEntry& entry : manager.entries) {
        if (entry.guid == manager.default_guid) {
            menu.default_index = menu.entries.size();
            menu.default_name = entry.description;
        }
        menu.entries.push_back(bootmenu::SourceEntry{entry.description, entry.guid, entry.legacy});
    }
    return menu;
}

bool BcdSource::choose(const std::string& key, bootmenu::Lasting lasting, std::string* failure) {
    const std::string id = guid(key);
    if (id.empty() || store_.empty()) {
        *failure = "The Windows Boot Manager's menu could not be read.";
        return false;
    }
    if (lasting == bootmenu::Lasting::through) {
        const std::vector<std::string> current = read_guids(store_, kBootManager, kDefault);
        if (!current.empty() && current.front() == id) return true;
    }
    const bool once = lasting != bootmenu::Lasting::always;
    const std::string arguments = (once ? "/bootsequence " : "/default ") + id;
    const std::string program = bcdedit_path();
    const std::string what = once ? "one-time boot sequence" : "default";
    std::uint32_t code = 0;
    // Only an administrator may change the boot manager; others are asked, for this run only.
    if (program.empty() || !platform::run_program(program, arguments, !platform::process_elevated(), &code)) {
        const std::uint32_t error = platform::last_error();
        *failure = error == kErrorCancelled
                       ? "The Windows Boot Manager's " + what +
                             " was not changed: changing it needs administrator rights, and they were not given."
                       : "The program wasn't able to run\n'" + program + "'.\n\n" + platform::error_reason(error);
        return false;
    }
    if (code != 0) {
        *failure = "The Windows Boot Manager's " + what + " was not changed:\n'" + program + " " + arguments +
                   "' ended with exit code " + std::to_string(code) + ".";
        return false;
    }
    // Only what the store now holds counts.
    const std::vector<std::string> now = read_guids(store_, kBootManager, once ? kBootSequence : kDefault);
    if (now.size() == 1 && now.front() == id) return true;
    *failure = "The Windows Boot Manager's " + what + " does not name the chosen entry after\n'" + program + " " +
               arguments + "'.";
    return false;
}

}  // namespace vorlane::bcd
