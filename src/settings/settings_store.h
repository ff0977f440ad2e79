// Registry access for the program's settings: text values under one key of
// HKEY_CURRENT_USER. Every operation opens its key with full access, closes it
// before returning, reports success as true, and never shows a message.
#pragma once

#include <cstddef>
#include <string>

namespace vorlane::settings {

constexpr const char* kSettingsKey = "Software\\Ostrevan\\Vorlane";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Vorlane";

// The values that name the two files.
constexpr const char* kBootIniPathValue = "Filename";
constexpr const char* kVorlaneIniPathValue = "INI";

// The most data a value may hold to be read or overwritten.
constexpr std::size_t kMaxValueBytes = 256;

// On success `text` holds the data up to its first zero byte. On failure (no
// key, no value, more than kMaxValueBytes of data) `text` keeps what it held,
// so callers pre-load their default.
bool read_string(const std::string& subkey, const std::string& name, std::string* text);
inline bool read_setting(const std::string& name, std::string* text) {
    return read_string(kSettingsKey, name, text);
}

// Reads `count` values under one opening of the key, each as read_string
// would. The schedule is loaded every second, and eight openings a tick were
// most of an idle tray's work.
void read_strings(const std::string& subkey, const char* const* names, std::string* texts, std::size_t count);

// Overwrites a value that exists and holds at most kMaxValueBytes, keeping its
// registry type; stores the text without a terminating zero. A missing value
// is never created.
bool write_existing(const std::string& subkey, const std::string& name, const std::string& text);
inline bool write_setting(const std::string& name, const std::string& text) {
    return write_existing(kSettingsKey, name, text);
}

// Creates or overwrites a REG_SZ value (the run-at-startup value only).
bool set_string(const std::string& subkey, const std::string& name, const std::string& text);

bool delete_value(const std::string& subkey, const std::string& name);

// On exactly when the value reads as "True".
bool read_flag(const std::string& name);

}  // namespace vorlane::settings
