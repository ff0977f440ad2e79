#include "bcd/bcd_source.h"

#include "hive/hive.h"
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

std::string store_file_path(const std::string& boot_ini) {
    const std::string path = boot_ini.empty() ? boot_ini : platform::full_path(boot_ini);
    std::string root;
    if (path.size() >= 2 && path[1] == ':') {
        root = path.substr(0, 2);
    } else if (path.rfind("\\\\", 0) == 0) {
        // \\server\share
        const std::size_t share = path.find('\\', 2);
        const std::size_t end = share == std::string::npos ? share : path.find('\\', share + 1);
        if (share != std::string::npos && share > 2 && end != share + 1) root = path.substr(0, end);
    }
    return root.empty() ? root : root + "\\Boot\\BCD";
}

void BcdSource::read_file(bootmenu::SourceMenu& menu) {
    const std::string path = store_file_path(boot_ini_);
    if (path.empty() || platform::file_attributes(path) == platform::kInvalidAttributes) return;
    std::string bytes;
    hive::Hive hive;
    if (platform::file_read(path, hive::kMaxFileBytes, &bytes) == platform::FileRead::ok &&
        hive::read(bytes, &hive) == hive::Refusal::none)
        manager_ = read_boot_manager(FileStore(hive));
    if (manager_.entries.empty()) {
        // The boot manager is there, and what it starts is unknown: choices behave as before it.
        menu.notice = kUnreadableNotice;
        manager_ = BootManager();
        return;
    }
    from_file_ = true;
}

bootmenu::SourceMenu BcdSource::menu() {
    bootmenu::SourceMenu menu;
    menu.source = this;
    menu.kind = bootmenu::MenuKind::boot_manager;
    menu.opens = bootmenu::MenuKind::boot_ini;
    store_.clear();
    from_file_ = false;
    manager_ = BootManager();
    if (!has_store()) {
        read_file(menu);
    } else {
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
        if (!store_.empty()) manager_ = read_boot_manager(RegistryStore(store_));
    }
    for (const StoreEntry& entry : manager_.entries) {
        if (entry.guid == manager_.default_guid) {
            menu.default_index = menu.entries.size();
            menu.default_name = entry.description;
        }
        menu.entries.push_back(bootmenu::SourceEntry{entry.description, entry.guid, entry.legacy});
    }
    return menu;
}

std::string BcdSource::refusal(const bootmenu::Entry& entry) const {
    if (!from_file_) return std::string();
    for (const bootmenu::Step& step : entry.steps)
        if (step.source == this) return file_store_refusal(manager_, step.key, entry.name);
    return std::string();
}

bool BcdSource::choose(const std::string& key, bootmenu::Lasting lasting, std::string* failure) {
    const std::string id = guid(key);
    if (from_file_) {
        // Nothing here may write the store; the restart reaches the entry only where the store already leads.
        std::string name = key;
        for (const StoreEntry& entry : manager_.entries)
            if (entry.guid == id) name = entry.description;
        *failure = file_store_refusal(manager_, key, name);
        return failure->empty();
    }
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
