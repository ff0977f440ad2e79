#include "bcd/bcd_store.h"

#include <algorithm>

#include "platform/platform.h"

namespace vorlane::bcd {
namespace {

// Object types: bits 28-31 the kind, 20-23 the image, 0-19 the application.
constexpr std::uint32_t kKindApplication = 1;
constexpr std::uint32_t kImageBootApp = 2;     // Windows loader, memory tester, resume
constexpr std::uint32_t kImageLegacy = 3;      // NTLDR
constexpr std::uint32_t kImageRealMode = 4;    // boot sectors of other systems
constexpr std::uint32_t kAppResume = 4;        // resume from hibernation: never in the menu

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_text(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

// A value of exactly this type that fits the limit, under HKEY_LOCAL_MACHINE.
bool value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit, std::string* data) {
    platform::RegKey handle = nullptr;
    if (!platform::machine_key_open(key, &handle)) return false;
    std::uint32_t found = 0;
    const bool ok = platform::reg_query(handle, name, limit, data, &found) == platform::RegQuery::ok && found == type;
    platform::reg_close(handle);
    return ok;
}

bool little_dword(const std::string& data, std::uint32_t* number) {
    if (data.size() != 4) return false;
    *number = 0;
    for (std::size_t i = 4; i-- > 0;) *number = *number << 8 | static_cast<unsigned char>(data[i]);
    return true;
}

bool dword(const StoreKeys& store, const std::string& key, const char* name, std::uint32_t* number) {
    std::string data;
    return store.value(key, name, platform::kRegDword, 4, &data) && little_dword(data, number);
}

std::string object_key(const std::string& object) { return "Objects\\" + object; }

// The element's data up to its first zero, for a string element.
bool text_element(const StoreKeys& store, const std::string& object, const char* element, std::size_t limit,
                  std::string* text) {
    if (!store.value(object_key(object) + "\\Elements\\" + element, "Element", platform::kRegSz, limit, text))
        return false;
    text->resize(std::min(text->size(), text->find('\0')));
    return true;
}

bool shown(std::uint32_t type) {
    const std::uint32_t image = type >> 20 & 0xF;
    return type >> 28 == kKindApplication &&
           ((image == kImageBootApp && (type & 0xFFFFF) != kAppResume) || image == kImageLegacy ||
            image == kImageRealMode);
}

bool is_string(std::uint32_t type) {
    return type == platform::kRegSz || type == platform::kRegExpandSz || type == platform::kRegMultiSz;
}

}  // namespace

bool RegistryStore::value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit,
                          std::string* data) const {
    return bcd::value(key_ + "\\" + key, name, type, limit, data);
}

bool FileStore::value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit,
                      std::string* data) const {
    const hive::Key* found = hive::find(hive_, key);
    const hive::Value* v = found ? hive::value(*found, name) : nullptr;
    if (!v || v->type != type) return false;
    std::string out = v->data;
    if (is_string(type)) {
        // The file holds UTF-16LE; the registry's ANSI calls convert it, and so does this.
        std::u16string units;
        for (std::size_t i = 0; i + 1 < v->data.size(); i += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(v->data[i]) |
                                           static_cast<unsigned char>(v->data[i + 1]) << 8);
        out = platform::ansi_from_utf16(units);
    }
    if (out.size() > limit) return false;
    *data = std::move(out);
    return true;
}

std::string guid(const std::string& text) {
    if (text.size() != kGuidChars || text.front() != '{' || text.back() != '}') return std::string();
    std::string out = text;
    for (std::size_t i = 1; i + 1 < out.size(); ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const char c = lower(out[i]);
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (dash ? c != '-' : !hex) return std::string();
        out[i] = c;
    }
    return out;
}

std::string find_store() {
    platform::RegKey root = nullptr;
    if (!platform::machine_key_open("", &root)) return std::string();
    std::string system, fallback, name;
    for (std::size_t i = 0; i < kMaxRootKeys && system.empty() && platform::reg_subkey(root, i, &name); ++i) {
        if (name.size() < 3 || !same_text(name.substr(0, 3), "BCD")) continue;
        std::uint32_t flag = 0;
        std::string data;
        if (value(name + "\\Description", "System", platform::kRegDword, 4, &data) && little_dword(data, &flag) &&
            flag == 1)
            system = name;
        else if (same_text(name, kSystemStore)) fallback = name;
    }
    platform::reg_close(root);
    return system.empty() ? fallback : system;
}

std::vector<std::string> read_guids(const StoreKeys& store, const std::string& object, const char* element) {
    std::vector<std::string> guids;
    const std::string key = object_key(object) + "\\Elements\\" + element;
    std::string data;
    const bool list = element[1] == '4';  // the format digit: 4 object list, 3 object
    if (!store.value(key, "Element", list ? platform::kRegMultiSz : platform::kRegSz, list ? kListBytes : kGuidChars + 2,
               &data))
        return guids;
    // Zero-separated; a single object ends at its zero.
    for (std::size_t at = 0; at < data.size();) {
        std::size_t end = data.find('\0', at);
        if (end == std::string::npos) end = data.size();
        if (end == at && !list) break;
        const std::string one = guid(data.substr(at, end - at));
        if (!one.empty()) guids.push_back(one);
        if (!list) break;
        at = end + 1;
    }
    return guids;
}

BootManager read_boot_manager(const StoreKeys& store) {
    BootManager manager;
    const std::vector<std::string> defaults = read_guids(store, kBootManager, kDefault);
    if (!defaults.empty()) manager.default_guid = defaults.front();
    manager.sequence = read_guids(store, kBootManager, kBootSequence);
    std::vector<std::string> seen;
    for (const std::string& id : read_guids(store, kBootManager, kDisplayOrder)) {
        if (manager.entries.size() >= kMaxEntries) break;
        // The boot manager never lists itself, whatever type it claims.
        if (id == kBootManager || std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        std::uint32_t type = 0;
        if (!dword(store, object_key(id) + "\\Description", "Type", &type) || !shown(type)) continue;
        StoreEntry entry{id, std::string(), id == kLegacyLoader || (type >> 20 & 0xF) == kImageLegacy};
        if (!text_element(store, id, kDescription, kDescriptionBytes, &entry.description) ||
            entry.description.empty())
            entry.description = id;
        manager.entries.push_back(entry);
    }
    return manager;
}

namespace {

const StoreEntry* entry_of(const BootManager& manager, const std::string& id) {
    for (const StoreEntry& entry : manager.entries)
        if (entry.guid == id) return &entry;
    return nullptr;
}

}  // namespace

std::string file_store_refusal(const BootManager& manager, const std::string& key, const std::string& chosen) {
    const std::string id = guid(key);
    const std::string next = manager.sequence.empty() ? manager.default_guid : manager.sequence.front();
    if (!id.empty() && id == next) return std::string();
    const StoreEntry* next_entry = entry_of(manager, next);
    const StoreEntry* target = entry_of(manager, id);
    const std::string next_name = next_entry ? next_entry->description : next;
    std::string text = next.empty() ? "The Windows Boot Manager has no default"
                                    : "The Windows Boot Manager starts \"" + next_name + "\" next";
    text += ", so a restart from here would not reach \"" + chosen + "\". ";
    // Only a Windows that loads the store may change it; the one started next is one when it is not NTLDR.
    const std::string from = next_entry && !next_entry->legacy ? "\"" + next_name + "\"" : "Windows Vista or later";
    if (target)
        text += "Make \"" + target->description + "\" its default from " + from + " (Vorlane with Shift does it), or ";
    return text + "choose at the boot menu.";
}

}  // namespace vorlane::bcd
