#include "settings/settings_store.h"

#include <cstdint>

#include "platform/platform.h"

namespace vorlane::settings {
namespace {

// Opens the key for the length of one operation.
class OpenedKey {
public:
    explicit OpenedKey(const std::string& subkey) : ok_(platform::reg_open(subkey, &key_)) {}
    ~OpenedKey() {
        if (ok_) platform::reg_close(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    explicit operator bool() const { return ok_; }
    platform::RegKey get() const { return key_; }

private:
    platform::RegKey key_ = nullptr;
    bool ok_;
};

}  // namespace

namespace {

bool query_text(const OpenedKey& key, const std::string& name, std::string* text) {
    std::string data;
    std::uint32_t type = 0;
    if (platform::reg_query(key.get(), name, kMaxValueBytes, &data, &type) != platform::RegQuery::ok)
        return false;
    std::size_t zero = data.find('\0');
    *text = zero == std::string::npos ? data : data.substr(0, zero);
    return true;
}

}  // namespace

bool read_string(const std::string& subkey, const std::string& name, std::string* text) {
    OpenedKey key(subkey);
    return key && query_text(key, name, text);
}

void read_strings(const std::string& subkey, const char* const* names, std::string* texts, std::size_t count) {
    OpenedKey key(subkey);
    if (!key) return;
    for (std::size_t i = 0; i < count; ++i) query_text(key, names[i], &texts[i]);
}

bool write_existing(const std::string& subkey, const std::string& name, const std::string& text) {
    OpenedKey key(subkey);
    if (!key) return false;
    std::string current;
    std::uint32_t type = 0;
    if (platform::reg_query(key.get(), name, kMaxValueBytes, &current, &type) != platform::RegQuery::ok)
        return false;
    return platform::reg_set(key.get(), name, type, text);
}

bool set_string(const std::string& subkey, const std::string& name, const std::string& text) {
    OpenedKey key(subkey);
    return key && platform::reg_set(key.get(), name, platform::kRegSz, text);
}

bool delete_value(const std::string& subkey, const std::string& name) {
    OpenedKey key(subkey);
    return key && platform::reg_delete(key.get(), name);
}

bool read_flag(const std::string& name) {
    std::string text;
    return read_setting(name, &text) && text == "True";
}

}  // namespace vorlane::settings
