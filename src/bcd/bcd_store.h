// Reading the Windows Boot Manager's store: through the registry, where
// Vista and later mount it under HKEY_LOCAL_MACHINE, or from its file read as
// a hive (before Vista, which does not load it). Either way objects are
// Objects\{guid} with their type in Description\Type, and each element is
// Elements\<type as 8 hex digits> with its data in the value Element; the
// rules below run over both.
// Everything read is checked: a value of the wrong type or size, a GUID that
// names no object, an object the boot manager does not list, all count as
// missing, so any store gives a menu, possibly an empty one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bootmenu/boot_menu.h"
#include "hive/hive.h"

namespace vorlane::bcd {

constexpr const char* kBootManager = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
// "Earlier Version of Windows": NTLDR, which shows BOOT.INI's menu.
constexpr const char* kLegacyLoader = "{466f5a88-0af2-4f76-9038-095b170dc21c}";
constexpr const char* kSystemStore = "BCD00000000";

// Element types (bits 24-27: the format, which fixes the registry type).
constexpr const char* kDisplayOrder = "24000001";  // object list
constexpr const char* kBootSequence = "24000002";  // object list, used once
constexpr const char* kDefault = "23000003";       // object
constexpr const char* kDescription = "12000004";   // string

constexpr std::size_t kGuidChars = 38;  // {8-4-4-4-12}
// The store's entries listed at most; a GUID list is read when it holds at
// most four times as many (repeats and objects not shown are skipped), else
// it counts as missing.
constexpr std::size_t kMaxEntries = bootmenu::kMaxEntries;
constexpr std::size_t kListBytes = 4 * kMaxEntries * (kGuidChars + 1) + 1;
// A description longer than a menu line is not one the boot manager shows whole either.
constexpr std::size_t kDescriptionBytes = 512;
// Keys directly under HKEY_LOCAL_MACHINE looked at for the store.
constexpr std::size_t kMaxRootKeys = 64;

// `text` as a GUID in braces in lower case; empty when it is not one.
std::string guid(const std::string& text);

// The key under HKEY_LOCAL_MACHINE that holds the system store: the BCD* key
// whose Description says System = 1, else BCD00000000; empty when neither exists.
std::string find_store();

// Where the store's keys are read; paths are relative to the store's own key.
class StoreKeys {
public:
    // A value of exactly this type whose data fits the limit; strings in the
    // ANSI code page, as the registry's ANSI calls give them.
    virtual bool value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit,
                       std::string* data) const = 0;

protected:
    ~StoreKeys() = default;
};

// The store mounted in the registry, under HKEY_LOCAL_MACHINE\<key>.
class RegistryStore final : public StoreKeys {
public:
    explicit RegistryStore(std::string key) : key_(std::move(key)) {}
    bool value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit,
               std::string* data) const override;

private:
    std::string key_;
};

// The store read from its file; the hive lives as long as this.
class FileStore final : public StoreKeys {
public:
    explicit FileStore(const hive::Hive& hive) : hive_(hive) {}
    bool value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit,
               std::string* data) const override;

private:
    const hive::Hive& hive_;
};

// The GUIDs of an object element (object or object list); empty when the
// element is missing or is not of that kind.
std::vector<std::string> read_guids(const StoreKeys& store, const std::string& object, const char* element);
inline std::vector<std::string> read_guids(const std::string& store, const std::string& object, const char* element) {
    return read_guids(RegistryStore(store), object, element);
}

struct StoreEntry {
    std::string guid;
    std::string description;
    bool legacy = false;  // the legacy loader, which leads on to BOOT.INI
};

struct BootManager {
    std::vector<StoreEntry> entries;  // the display order, as the boot manager shows it
    std::string default_guid;         // empty when missing
    std::vector<std::string> sequence;  // the pending one-time sequence, used at the next start; empty when none
};

// The boot manager's menu: each object of its display order once, in order,
// that is a boot application it shows (not itself, not a resume object, no
// firmware application), by its description (its GUID when it has none).
BootManager read_boot_manager(const StoreKeys& store);

// A choice from a system that must not write the store (one read from its
// file): empty when the boot manager's next start (its one-time sequence if
// one is pending, else its default) already is the store entry `key`, else
// the message that refuses it, naming `chosen` (what the user chose).
std::string file_store_refusal(const BootManager& manager, const std::string& key, const std::string& chosen);

}  // namespace vorlane::bcd
