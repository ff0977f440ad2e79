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

// A value of exactly this type that fits the limit.
bool value(const std::string& key, const char* name, std::uint32_t type, std::size_t limit, std::string* data) {
    platform::RegKey handle = nullptr;
    if (!platform::machine_key_open(key, &handle)) return false;
    std::uint32_t found = 0;
    const bool ok = platform::reg_query(handle, name, limit, data, &found) == platform::RegQuery::ok && found == type;
    platform::reg_close(handle);
    return ok;
}

bool dword(const std::string& key, const char* name, std::uint32_t* number) {
    std::string data;
    if (!value(key, name, platform::kRegDword, 4, &data) || data.size() != 4) return false;
    *number = 0;
    for (std::size_t i = 4; i-- > 0;) *number = *number << 8 | static_cast<unsigned char>(data[i]);
    return true;
}

std::string object_key(const std::string& store, const std::string& object) {
    return store + "\\Objects\\" + object;
}

// The element's data up to its first zero, for a string element.
bool text_element(const std::string& store, const std::string& object, const char* element, std::size_t limit,
                  std::string* text) {
    if (!value(object_key(store, object) + "\\Elements\\" + element, "Element", platform::kRegSz, limit, text))
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

}  // namespace

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
        if (dword(name + "\\Description", "System", &flag) && flag == 1) system = name;
        else if (same_text(name, kSystemStore)) fallback = name;
    }
    platform::reg_close(root);
    return system.empty() ? fallback : system;
}

std::vector<std::string> read_guids(const std::string& store, const std::string& object, const char* element) {
    std::vector<std::string> guids;
    const std::string key = object_key(store, object) + "\\Elements\\" + element;
    std::string data;
    const bool list = element[1] == '4';  // the format digit: 4 object list, 3 object
    if (!value(key, "Element", list ? platform::kRegMultiSz : platform::kRegSz, list ? kListBytes : kGuidChars + 2,
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

BootManager read_boot_manager(const std::string& store) {
    BootManager manager;
    const std::vector<std::string> defaults = read_guids(store, kBootManager, kDefault);
    if (!defaults.empty()) manager.default_guid = defaults.front();
    std::vector<std::string> seen;
    for (const std::string& id : read_guids(store, kBootManager, kDisplayOrder)) {
        if (manager.entries.size() >= kMaxEntries) break;
        // The boot manager never lists itself, whatever type it claims.
        if (id == kBootManager || std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        std::uint32_t type = 0;
        if (!dword(object_key(store, id) + "\\Description", "Type", &type) || !shown(type)) continue;
        StoreEntry entry{id, std::string(), id == kLegacyLoader || (type >> 20 & 0xF) == kImageLegacy};
        if (!text_element(store, id, kDescription, kDescriptionBytes, &entry.description) ||
            entry.description.empty())
            entry.description = id;
        manager.entries.push_back(entry);
    }
    return manager;
}

}  // namespace vorlane::bcd
