#include "firmware/firmware_source.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "firmware/load_option.h"
#include "platform/platform.h"

namespace vorlane::firmware {
namespace {

constexpr const char* kBootOrder = "BootOrder";
constexpr const char* kBootNext = "BootNext";
// BootNext holds two bytes; more are read so that a malformed one is seen and replaced.
constexpr std::size_t kBootNextLimit = 16;
constexpr std::uint32_t kFirstVersionWithUefi = 6;
constexpr std::uint32_t kErrorPrivilegeNotHeld = 1314;  // Vista SP1 is the first Windows started by UEFI

std::uint32_t get(const std::string& name, std::size_t limit, std::string* data) {
    return platform::firmware_get(name, platform::kEfiGlobalGuid, limit, data);
}

bool refused(const std::string& what, const std::string& name, const std::string& reason, std::string* failure) {
    *failure = "The program wasn't able to " + what + " the firmware's boot setting\n'" + name + "'.\n\n" + reason;
    return false;
}

bool refused(const std::string& what, const std::string& name, std::uint32_t error, std::string* failure) {
    return refused(what, name, platform::error_reason(error), failure);
}

// The variable's bytes now; `missing` when it has none.
std::uint32_t current(const std::string& name, std::size_t limit, std::string* data, bool* missing) {
    const std::uint32_t error = get(name, limit, data);
    *missing = error == platform::kErrorVariableMissing;
    if (*missing) data->clear();
    return *missing ? 0 : error;
}

// Writes `data` (empty: deletes) and reads it back; on a different read-back
// puts `before` back, as far as the firmware lets it.
bool write(const std::string& name, const std::string& data, const std::string& before, std::size_t limit,
           std::string* failure) {
    if (const std::uint32_t error = platform::firmware_set(name, platform::kEfiGlobalGuid, data))
        return refused("write", name, error, failure);
    std::string kept;
    bool missing = false;
    if (const std::uint32_t error = current(name, limit, &kept, &missing))
        return refused("read back", name, error, failure);
    if (kept == data) return true;
    platform::firmware_set(name, platform::kEfiGlobalGuid, before);
    return refused("write", name, "The firmware kept another value than the one written.", failure);
}

bool read_order(std::vector<std::uint16_t>* order, std::string* bytes, std::string* failure) {
    if (const std::uint32_t error = get(kBootOrder, 2 * kMaxBootOrder, bytes))
        return refused("read", kBootOrder, error, failure);
    if (!parse_boot_order(*bytes, order))
        return refused("read", kBootOrder, "It is not a list of boot entries.", failure);
    return true;
}

std::string boot_next_bytes(std::uint16_t number) { return serialise_boot_order({number}); }

}  // namespace

bootmenu::SourceMenu FirmwareSource::menu() {
    bootmenu::SourceMenu menu;
    menu.source = this;
    menu.kind = bootmenu::MenuKind::firmware;
    menu.opens = bootmenu::MenuKind::boot_manager;
    menu.pass_through = true;
    shown_.clear();
    const platform::OsVersion version = platform::os_version();
    if (version.platform_id == platform::kPlatformWin9x || version.major < kFirstVersionWithUefi) return menu;
    platform::enable_firmware_privilege();
    // Windows 8's GetFirmwareType is not there before it; a legacy BIOS answers
    // any variable call with ERROR_INVALID_FUNCTION, UEFI with another error.
    std::string bytes;
    const std::uint32_t probe = get("", kProbeBytes, &bytes);
    if (probe == platform::kErrorInvalidFunction) return menu;
    // UEFI, but only an elevated administrator's token holds the privilege.
    if (probe == kErrorPrivilegeNotHeld) {
        menu.notice = "UEFI firmware: needs administrator rights";
        menu.refused = true;
        return menu;
    }
    std::vector<std::uint16_t> order;
    if (get(kBootOrder, 2 * kMaxBootOrder, &bytes) != 0 || !parse_boot_order(bytes, &order)) return menu;
    std::string next;
    bool no_next = true;
    current(kBootNext, kBootNextLimit, &next, &no_next);

    bool default_found = false, leads_on_found = false;
    for (std::uint16_t number : order) {
        LoadOption option;
        if (get("Boot" + hex4(number), kMaxLoadOptionBytes, &bytes) != 0 || !parse_load_option(bytes, &option))
            continue;
        if (!(option.attributes & kLoadOptionActive)) continue;  // the firmware passes it by
        const bool is_default = !default_found;
        default_found = true;
        if ((option.attributes & kLoadOptionHidden) || (option.attributes & kLoadOptionCategory) != kCategoryBoot)
            continue;
        bootmenu::SourceEntry entry;
        entry.name = platform::ansi_from_utf16(option.description);
        if (entry.name.empty()) entry.name = "Boot" + hex4(number);
        entry.key = hex4(number);
        shown_.push_back(Shown{entry.key, option.description, option.file_paths});
        entry.leads_on = !leads_on_found && starts_windows_boot_manager(option.file_paths);
        leads_on_found = leads_on_found || entry.leads_on;
        if (is_default) {
            menu.default_index = menu.entries.size();
            menu.default_name = entry.name;
        }
        // A one-time boot that starts something else than the first entry.
        if (!no_next && next == boot_next_bytes(number) && !is_default) menu.next_index = menu.entries.size();
        menu.entries.push_back(std::move(entry));
    }
    return menu;
}

namespace {

// A write of one variable from `before` to `after` (empty: deleted), each way read back.
void add_change(std::vector<bootmenu::Change>* changes, const std::string& what, const std::string& name,
                std::size_t limit, const std::string& before, const std::string& after) {
    changes->push_back({what, [=](std::string* why) { return write(name, after, before, limit, why); },
                        [=](std::string* why) { return write(name, before, after, limit, why); }});
}

}  // namespace

bool FirmwareSource::plan(const std::string& key, const bootmenu::Choice& choice,
                          std::vector<bootmenu::Change>* changes, std::string* failure) {
    std::uint16_t number = 0;
    const auto shown = std::find_if(shown_.begin(), shown_.end(), [&key](const Shown& s) { return s.key == key; });
    if (!parse_hex4(key, &number) || shown == shown_.end())
        return refused("find", "Boot" + key, "No such entry.", failure);
    platform::enable_firmware_privilege();
    std::vector<std::uint16_t> order;
    std::string order_bytes;
    // Read again: the menu may be older than the firmware's last change.
    if (!read_order(&order, &order_bytes, failure)) return false;
    if (std::find(order.begin(), order.end(), number) == order.end())
        return refused("find", "Boot" + key, "The entry is no longer in the firmware's boot order.", failure);
    std::string bytes;
    LoadOption option;
    if (get("Boot" + key, kMaxLoadOptionBytes, &bytes) != 0 || !parse_load_option(bytes, &option) ||
        option.description != shown->description || option.file_paths != shown->file_paths)
        return refused("find", "Boot" + key,
                       "The firmware's entry is no longer \"" + choice.name +
                           "\" as the menu showed it; the menu now shows the entries as they are.",
                       failure);

    std::string next;
    bool no_next = false;
    if (const std::uint32_t error = current(kBootNext, kBootNextLimit, &next, &no_next))
        return refused("read", kBootNext, error, failure);
    const std::string mine = boot_next_bytes(number);
    const char* const next_what = "the firmware's next boot (BootNext)";
    switch (choice.lasting) {
        case bootmenu::Lasting::once:
            if (next != mine) add_change(changes, next_what, kBootNext, kBootNextLimit, next, mine);
            break;
        case bootmenu::Lasting::through:
            if (next != mine && !(no_next && order.front() == number))
                add_change(changes, next_what, kBootNext, kBootNextLimit, next, mine);
            break;
        case bootmenu::Lasting::always:
        default: {
            const std::string new_order = serialise_boot_order(moved_to_front(order, number));
            if (new_order != order_bytes)
                add_change(changes, "the firmware's boot order (BootOrder)", kBootOrder, 2 * kMaxBootOrder,
                           order_bytes, new_order);
            // A one-time boot left pending (a restart that did not happen)
            // would come first and start another system.
            if (!no_next && next != mine) add_change(changes, next_what, kBootNext, kBootNextLimit, next, "");
            break;
        }
    }
    return true;
}

void FirmwareSource::plan_cancel(std::vector<bootmenu::Change>* changes) {
    std::string next;
    bool no_next = true;
    if (shown_.empty() || current(kBootNext, kBootNextLimit, &next, &no_next) != 0 || no_next) return;
    add_change(changes, "the firmware's next boot (BootNext)", kBootNext, kBootNextLimit, next, "");
}

}  // namespace vorlane::firmware
