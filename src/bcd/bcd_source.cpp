#include "bcd/bcd_source.h"

#include "hive/hive.h"
#include "platform/platform.h"

namespace vorlane::bcd {
namespace {

constexpr std::uint32_t kErrorCancelled = 1223;  // the consent prompt was declined
constexpr std::uint32_t kFirstVersionWithStore = 6;  // Vista

// A 32-bit process on 64-bit Windows sees another System32, without bcdedit;
// Sysnative reaches the real one, but only from that process: an elevated
// run is started by a 64-bit service, for which the platform names System32
// with the redirection turned off around the call.
std::string bcdedit_path(bool as_administrator) {
    std::string folder = platform::system_folder();
    if (folder.empty()) return folder;
    if (platform::wow64() && !as_administrator)
        folder = folder.substr(0, folder.find_last_of('\\') + 1) + "Sysnative";
    return folder + "\\bcdedit.exe";
}

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr const char* kRefusedNotice = "Windows Boot Manager: needs administrator rights";

// Whether this process may read the store's key; Windows lets only an
// elevated administrator (error 5 for others).
bool store_open(const std::string& store) {
    platform::RegKey key = nullptr;
    if (store.empty() || !platform::machine_key_open(store, &key)) return false;
    platform::reg_close(key);
    return true;
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
            const std::string program = bcdedit_path(false);
            if (!program.empty()) platform::run_program(program, "/enum {bootmgr}", false, &ignored);
            store_ = find_store();
        }
        // Every Vista and later has a store; Windows shows it to an elevated
        // administrator only.
        const bool readable = store_open(store_);
        const bool denied = !store_.empty() && !readable && platform::last_error() == kErrorAccessDenied;
        if (!readable && (denied || !platform::process_elevated())) {
            menu.notice = kRefusedNotice;
            menu.refused = true;
        }
        if (readable) manager_ = read_boot_manager(RegistryStore(store_));
    }
    for (const StoreEntry& entry : manager_.entries) {
        if (entry.guid == manager_.default_guid) {
            menu.default_index = menu.entries.size();
            menu.default_name = entry.description;
        }
        // A one-time sequence that starts something else than the default.
        if (!manager_.sequence.empty() && entry.guid == manager_.sequence.front() && entry.guid != manager_.default_guid)
            menu.next_index = menu.entries.size();
        menu.entries.push_back(bootmenu::SourceEntry{entry.description, entry.guid, entry.legacy});
    }
    return menu;
}

namespace {

// The boot manager's setting that a write changes, as bcdedit names it.
struct Setting {
    const char* element;  // kDefault or kBootSequence
    const char* name;     // "default", "bootsequence"
    const char* what;     // for messages
};
constexpr Setting kDefaultSetting{kDefault, "default", "the Windows Boot Manager's default"};
constexpr Setting kSequenceSetting{kBootSequence, "bootsequence", "the Windows Boot Manager's one-time boot sequence"};

std::string joined(const std::vector<std::string>& ids) {
    std::string out;
    for (const std::string& id : ids) out += (out.empty() ? "" : " ") + id;
    return out;
}

// Runs bcdedit to make the setting hold `ids` (none: removes it), then reads
// the store back: only what it holds counts.
// `ran`: bcdedit ended with exit code 0, so the store may hold anything now.
bool set_and_check(const std::string& store, const Setting& setting, const std::vector<std::string>& ids,
                   std::string* failure, bool* ran) {
    *ran = false;
    const std::string arguments = ids.empty() ? std::string("/deletevalue ") + kBootManager + " " + setting.name
                                              : std::string("/") + setting.name + " " + joined(ids);
    // Only an administrator may change the boot manager; others are asked, for this run only.
    const bool ask = !platform::process_elevated();
    const std::string program = bcdedit_path(ask);
    std::uint32_t code = 0;
    if (program.empty() || !platform::run_program(program, arguments, ask, &code)) {
        const std::uint32_t error = platform::last_error();
        *failure = error == kErrorCancelled
                       ? "The program wasn't able to change " + std::string(setting.what) +
                             ": that needs administrator rights, and they were not given."
                       : "The program wasn't able to run\n'" + program + "'.\n\n" + platform::error_reason(error);
        return false;
    }
    if (code != 0) {
        *failure = "The program wasn't able to change " + std::string(setting.what) + ":\n'" + program + " " +
                   arguments + "' ended with exit code " + std::to_string(code) + ".";
        return false;
    }
    *ran = true;
    if (read_guids(store, kBootManager, setting.element) == ids) return true;
    *failure = "The program wasn't able to change " + std::string(setting.what) + ": it does not hold what\n'" +
               program + " " + arguments + "' was to write.";
    return false;
}

void add_change(std::vector<bootmenu::Change>* changes, const std::string& store, const Setting& setting,
                const std::vector<std::string>& now, const std::vector<std::string>& wanted) {
    changes->push_back({setting.what,
                        [store, &setting, now, wanted](std::string* why) {
                            bool ran = false;
                            if (set_and_check(store, setting, wanted, why, &ran)) return true;
                            // What bcdedit wrote cannot be seen to be the choice: put back what was
                            // there, as far as bcdedit lets it be.
                            std::string ignored;
                            if (ran) set_and_check(store, setting, now, &ignored, &ran);
                            return false;
                        },
                        [store, &setting, now](std::string* why) {
                            bool ran = false;
                            return set_and_check(store, setting, now, why, &ran);
                        }});
}

}  // namespace

bool BcdSource::plan(const std::string& key, const bootmenu::Choice& choice, std::vector<bootmenu::Change>* changes,
                     std::string* failure) {
    const std::string id = guid(key);
    if (from_file_) {
        // Nothing here may write the store; the restart reaches the entry only where the store already leads.
        std::string name = key;
        for (const StoreEntry& entry : manager_.entries)
            if (entry.guid == id) name = entry.description;
        *failure = file_store_refusal(manager_, key, choice.name.empty() ? name : choice.name);
        return failure->empty();
    }
    if (id.empty() || store_.empty()) {
        *failure = "The Windows Boot Manager's menu could not be read.";
        return false;
    }
    // What a write replaces must be known, to be put back.
    if (!store_open(store_)) {
        *failure = "The Windows Boot Manager's settings could not be read.\n\n" +
                   platform::error_reason(platform::last_error());
        return false;
    }
    const std::vector<std::string> mine{id};
    const std::vector<std::string> sequence = read_guids(store_, kBootManager, kBootSequence);
    const std::vector<std::string> defaults = read_guids(store_, kBootManager, kDefault);
    switch (choice.lasting) {
        case bootmenu::Lasting::once:
            if (sequence != mine) add_change(changes, store_, kSequenceSetting, sequence, mine);
            break;
        case bootmenu::Lasting::through:
            if (sequence != mine && !(sequence.empty() && defaults == mine))
                add_change(changes, store_, kSequenceSetting, sequence, mine);
            break;
        case bootmenu::Lasting::always:
        default:
            if (defaults != mine) add_change(changes, store_, kDefaultSetting, defaults, mine);
            // A one-time sequence left pending (a restart that did not happen)
            // would come first and start another system.
            if (!sequence.empty() && sequence != mine) add_change(changes, store_, kSequenceSetting, sequence, {});
            break;
    }
    return true;
}

void BcdSource::plan_cancel(std::vector<bootmenu::Change>* changes) {
    if (store_.empty()) return;
    const std::vector<std::string> sequence = read_guids(store_, kBootManager, kBootSequence);
    if (!sequence.empty()) add_change(changes, store_, kSequenceSetting, sequence, {});
}

}  // namespace vorlane::bcd
