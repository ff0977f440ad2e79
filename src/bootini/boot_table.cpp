#include "bootini/boot_table.h"

#include <algorithm>
#include <utility>

#include "bootini/text_file.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace vorlane::bootini {
namespace {

constexpr const char* kDefaultKey = "default";
constexpr std::size_t kDefaultKeyChars = 7;
constexpr const char* kSectionHeader = "[operating systems]";
constexpr std::size_t kSectionHeaderChars = 19;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Skips the run of blanks and equals signs that separates a key from its value.
std::size_t skip_separators(const std::string& s, std::size_t from) {
    while (from < s.size() && (is_blank(s[from]) || s[from] == '=')) ++from;
    return from;
}

std::string without_newline(const std::string& s) {
    return !s.empty() && s.back() == '\n' ? s.substr(0, s.size() - 1) : s;
}

// Finds the last default line, normalises it in memory to the key followed
// by its value, and derives the current default name.
void find_current_default(BootTable& table) {
    std::size_t found = table.lines.size();
    for (std::size_t i = 0; i < table.lines.size(); ++i)
        if (is_default_line(table.lines[i])) found = i;
    if (found == table.lines.size()) return;  // no default line: the name stays empty

    std::string& line = table.lines[found];
    const std::string value = line.substr(skip_separators(line, kDefaultKeyChars));
    line = line.substr(0, kDefaultKeyChars) + value;

    const std::size_t n = without_newline(value).size();
    if (n == 0) return;  // an empty value names no entry: the name stays empty
    for (const std::string& candidate : table.lines) {
        if (prefix_compare(candidate, value, n) != 0) continue;
        const std::size_t rest = n + 1 <= candidate.size() ? n + 1 : candidate.size();
        table.current_default = clean_name(candidate.substr(skip_separators(candidate, rest)));
        return;
    }
    table.current_default = clean_name(value);
}

void build_entries(BootTable& table) {
    std::size_t header = table.lines.size();
    for (std::size_t i = 0; i < table.lines.size(); ++i)
        if (prefix_compare(table.lines[i], kSectionHeader, kSectionHeaderChars) == 0) header = i;
    if (header == table.lines.size()) return;

    for (std::size_t i = header + 1; i < table.lines.size(); ++i) {
        const std::string& line = table.lines[i];
        std::size_t split = 0;
        while (split < line.size() && line[split] != '=' && !is_blank(line[split])) ++split;
        if (split == line.size()) {
            table.entries.push_back(BootEntry{line, std::string()});
        } else {
            table.entries.push_back(
                BootEntry{line.substr(0, split), clean_name(line.substr(skip_separators(line, split)))});
        }
    }
}

}  // namespace

int prefix_compare(std::string_view a, std::string_view b, std::size_t n) {
    auto lower = [](unsigned char c) -> int { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    for (std::size_t k = 0; k < n; ++k) {
        const int ca = k < a.size() ? lower(static_cast<unsigned char>(a[k])) : 0;
        const int cb = k < b.size() ? lower(static_cast<unsigned char>(b[k])) : 0;
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;  // both texts end here, as C strings would
    }
    return 0;
}

bool is_default_line(const std::string& line) {
    return prefix_compare(line, kDefaultKey, kDefaultKeyChars) == 0;
}

std::string clean_name(const std::string& text) {
    if (!text.empty() && text[0] == '"') {
        const std::size_t close = text.find('"', 1);
        return close == std::string::npos ? text.substr(1) : text.substr(1, close - 1);
    }
    return without_newline(text);
}

void parse_boot_ini(BootTable& table, const std::string& bytes) {
    std::string path = std::move(table.path);
    table = BootTable();
    table.path = std::move(path);
    if (bytes.size() > kMaxBootIniBytes) return;
    std::vector<std::string> lines = split_lines(crlf_to_newline(bytes));
    if (lines.size() > kMaxTableLines) return;
    table.lines = std::move(lines);
    if (table.lines.empty()) return;
    // The default line is normalised before the entries are read from the lines.
    find_current_default(table);
    build_entries(table);
}

std::string boot_ini_path() {
    std::string path;
    settings::read_setting(settings::kBootIniPathValue, &path);
    return path;
}

void load_boot_table(BootTable& table) {
    table = BootTable();
    table.path = boot_ini_path();
    std::string bytes;
    if (table.path.empty() ||
        platform::file_read(table.path, kMaxBootIniBytes, &bytes) != platform::FileRead::ok)
        return;
    parse_boot_ini(table, bytes);
}

const std::string* entry_name(const BootTable& table, std::size_t index) {
    return index < table.entries.size() ? &table.entries[index].name : nullptr;
}

const std::string* entry_arc_path(const BootTable& table, std::size_t index) {
    return index < table.entries.size() ? &table.entries[index].arc_path : nullptr;
}

void sort_entries(BootTable& table) {
    // Stable, so entries of the same name keep their file order; n log n, so
    // the largest BOOT.INI sorts in well under a millisecond.
    std::stable_sort(table.entries.begin(), table.entries.end(),
                     [](const BootEntry& a, const BootEntry& b) { return a.name.compare(b.name) < 0; });
}

}  // namespace vorlane::bootini
