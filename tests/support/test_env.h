// What the contract tests need to arrange and observe, implemented twice:
// fake_env.cpp on the in-memory fake platform, win32_env.cpp on the real
// registry and file system (under Wine). The same test sources run on both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vorlane::testenv {

constexpr const char* kSettingsKey = "Software\\Ostrevan\\Vorlane";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A clean world: the settings key exists and is empty, the Run key exists
// without a "Vorlane" value, a fresh empty sandbox folder, no
// VORLANE_POWER_LOG, no recorded message boxes, Shift not held.
void reset();

// A full path inside the sandbox folder.
std::string path(const std::string& name);
// The names of the files in the sandbox folder, sorted.
std::vector<std::string> sandbox_files();

void put_file(const std::string& path, const std::string& bytes,
              std::uint32_t attributes = platform::kAttrNormal);
bool get_file(const std::string& path, std::string* bytes);

void put_value(const std::string& subkey, const std::string& name, std::uint32_t type,
               const std::string& bytes);
inline void put_text(const std::string& name, const std::string& text) {
    put_value(kSettingsKey, name, platform::kRegSz, text);
}
// Reads a value of any size; false when missing.
bool get_value(const std::string& subkey, const std::string& name, std::uint32_t* type,
               std::string* bytes);
void remove_value(const std::string& subkey, const std::string& name);

void set_env(const std::string& name, const std::string& value);

// Message boxes the core showed since reset(), recorded and never shown (ui_env.cpp,
// for both worlds); they are answered with `answer`. Shift is set, never read.
struct Box {
    std::string text;
    std::string caption;
    std::uint32_t style;
};
const std::vector<Box>& boxes();
void answer_boxes_with(int answer);

void set_shift(bool held);
void reset_ui();  // part of reset()

}  // namespace vorlane::testenv
