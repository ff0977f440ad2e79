// The in-memory copy of BOOT.INI: its lines as read, the entries of its last
// [operating systems] section (ARC path and display name), and the display
// name of the current default. Everything else learns about boot entries here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::bootini {

// A larger file is not a BOOT.INI: it loads as an empty table and is never
// rewritten. The line limit also keeps every entry command (30000 + index)
// below the menu's own command identifiers.
constexpr std::size_t kMaxBootIniBytes = 64 * 1024;
constexpr std::size_t kMaxTableLines = 1024;

struct BootEntry {
    std::string arc_path;
    std::string name;
};

struct BootTable {
    std::string path;                // from the registry value Filename
    std::vector<std::string> lines;  // as read, each keeping its newline
    std::vector<BootEntry> entries;
    std::string current_default;
};

// The registry value Filename; empty when it is missing.
std::string boot_ini_path();

// Rebuilds the whole table from the file that Filename names. Never reports
// failure: a missing or unreadable file gives an empty table.
void load_boot_table(BootTable& table);

// Loads the table from bytes already read (the file's raw content).
void parse_boot_ini(BootTable& table, const std::string& bytes);

// nullptr when the index is not below the entry count.
const std::string* entry_name(const BootTable& table, std::size_t index);
const std::string* entry_arc_path(const BootTable& table, std::size_t index);

// Stable, byte-wise (unsigned), case-sensitive order of display names. Only
// the entries move; the lines and the file keep their order.
void sort_entries(BootTable& table);

// Compares at most n characters, folding only A-Z to a-z (no locale), as the
// C bounded comparison does: zero when equal.
int prefix_compare(std::string_view a, std::string_view b, std::size_t n);

// True when the line is a default line ("default" in any case, then anything).
bool is_default_line(const std::string& line);

// The display-name clean-up: a leading quote keeps the text up to the next
// quote; otherwise a trailing newline is dropped.
std::string clean_name(const std::string& text);

}  // namespace vorlane::bootini
