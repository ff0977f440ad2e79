#include "bootini/default_writer.h"

#include <string>
#include <vector>

#include "bootini/text_file.h"
#include "platform/platform.h"

namespace vorlane::bootini {
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::size_t kDefaultKeyChars = 7;  // "default"

// An entry's ARC path as a default line names it: a line without a separator
// (a blank or comment line after the header) keeps its newline in the ARC path.
std::string arc_of(const BootEntry& entry) {
    std::string arc = entry.arc_path;
    if (!arc.empty() && arc.back() == '\n') arc.pop_back();
    return arc;
}

// The boot loader matches ARC paths without regard to case.
bool same_arc(const std::string& a, const std::string& b) {
    return a.size() == b.size() && prefix_compare(a, b, a.size()) == 0;
}

bool lists_arc(const BootTable& table, const std::string& arc) {
    for (const BootEntry& entry : table.entries)
        if (same_arc(arc_of(entry), arc)) return true;
    return false;
}

// Whether a default line already names `arc`, however it is spelt.
bool names_arc(const std::string& line, const std::string& arc) {
    std::size_t value = kDefaultKeyChars;
    while (value < line.size() && (line[value] == ' ' || line[value] == '\t' || line[value] == '=')) ++value;
    std::string named = line.substr(value);
    if (!named.empty() && named.back() == '\n') named.pop_back();
    return same_arc(named, arc);
}

}  // namespace

bool set_default_entry(BootTable& table, std::size_t index, std::uint32_t* error) {
    auto fail = [error](std::uint32_t code) {
        if (error) *error = code;
        return false;
    };
    if (index >= table.entries.size()) return fail(kErrorInvalidData);
    const std::string arc = arc_of(table.entries[index]);
    if (arc.size() > kMaxDefaultArcPath) return fail(kErrorInvalidData);
    if (table.path.empty()) return fail(kErrorFileNotFound);

    // The table may be days old: the file as it is now is what gets rewritten.
    BootTable now;
    now.path = table.path;
    std::string bytes;
    const platform::FileRead read = platform::file_read(table.path, kMaxBootIniBytes, &bytes);
    if (read != platform::FileRead::ok)
        return fail(read == platform::FileRead::too_large ? kErrorFileTooLarge : platform::last_error());
    parse_boot_ini(now, bytes);
    if (now.lines.empty() && !bytes.empty()) return fail(kErrorInvalidData);  // too many lines to be a BOOT.INI
    if (!lists_arc(now, arc)) return fail(kErrorEntryGone);

    const std::string default_line = "default=" + arc + "\n";
    bool has_default = false, changes = false;
    std::vector<std::string> written = now.lines;
    std::string text;
    for (std::string& line : written) {
        if (is_default_line(line)) {
            has_default = true;
            changes = changes || !names_arc(line, arc);
            line = default_line;
        }
        text += line;
    }
    // Without a default line the boot loader would start its first entry, whatever was chosen.
    if (!has_default) return fail(kErrorNoDefaultLine);
    // A file that names the entry already is left as it is, however it spells that.
    if (changes && !replace_file_contents(table.path, newline_to_crlf(text), ReadOnly::rewrite, error)) return false;
    table.lines = changes ? std::move(written) : std::move(now.lines);
    return true;
}

std::string default_error_text(const BootTable& table, std::uint32_t code) {
    switch (code) {
        case kErrorNoDefaultLine:
            return "The file has no default= line to change.";
        case kErrorEntryGone:
            return "The system chosen is no longer listed under [operating systems]; the menu now shows the "
                   "file as it is.";
        default:
            return replace_error_text(table.path, code);
    }
}

}  // namespace vorlane::bootini
