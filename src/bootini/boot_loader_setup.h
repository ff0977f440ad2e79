// The one-time set-up of the -i switch: asks where BOOT.INI is when no boot
// entries were found, and offers to shorten a 30-second boot menu. Also the
// "read a file's registry value, let the user browse, store the choice" step
// that the Locate commands share with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "bootini/boot_table.h"

namespace vorlane::bootini {

constexpr const char* kSetupCaption = "System startup";
constexpr const char* kBootLoaderSection = "boot loader";
constexpr const char* kTimeoutKey = "timeout";
constexpr int kLongTimeout = 30;
constexpr const char* kShortTimeout = "3";
constexpr const char* kBootIniName = "BOOT.INI";

// Shows the shell's file browser with `prompt`, opened on `path`; replaces
// `path` only when the user confirms an item with a file-system path.
using BrowseForFile = std::function<void(const std::string& prompt, std::string& path)>;

// The text the set-up asks for BOOT.INI with, naming the path it tried.
std::string missing_boot_ini_prompt(const std::string& path);

// Reads the registry value `name`, browses from it and writes the result back
// (also unchanged after a cancel). A missing value is never created. A choice
// that would make Filename and INI name one file is refused with a message.
void locate_setting(const std::string& name, const std::string& prompt, const BrowseForFile& browse);

// The -i set-up over a table already loaded; browses only when it is empty.
// A time-out that cannot be rewritten is reported with the system's reason.
void boot_loader_setup(const BootTable& table, const BrowseForFile& browse);

// Profile-file access on raw file bytes. Section and key names match without
// regard to ASCII case; only the first section of that name counts.
// The value's leading decimal integer, or `fallback` without the key.
int profile_int(const std::string& bytes, const std::string& section, const std::string& key, int fallback);
// Replaces the value of an existing key and nothing else; false without the key.
bool replace_profile_value(std::string& bytes, const std::string& section, const std::string& key,
                           const std::string& value);

// The boot menu's time-out in the file at `path`; 0 when it cannot be read.
int boot_timeout(const std::string& path);
// Our code (bit 29: an application's) for a time-out key gone since it was read.
constexpr std::uint32_t kErrorNoTimeout = 0x20000021;
// Rewrites the time-out in place, keeping the file's attributes; on failure
// `error` receives the system's code, or one of ours.
bool set_boot_timeout(const std::string& path, const std::string& value, std::uint32_t* error);

}  // namespace vorlane::bootini
