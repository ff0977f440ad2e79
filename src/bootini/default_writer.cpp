#include "bootini/default_writer.h"

#include <string>
#include <vector>

#include "bootini/text_file.h"

namespace vorlane::bootini {

bool set_default_entry(BootTable& table, std::size_t index, std::uint32_t* error) {
    const std::string* entry_arc = entry_arc_path(table, index);
    // A line without a separator (a blank or comment line after the header)
    // keeps its newline in the ARC path; written as is, it would add a line.
    std::string arc = entry_arc ? *entry_arc : std::string();
    if (!arc.empty() && arc.back() == '\n') arc.pop_back();
    if (!entry_arc || arc.size() > kMaxDefaultArcPath) {
        if (error) *error = kErrorInvalidData;
        return false;
    }
    // The table's lines change only once the file has.
    const std::string default_line = "default=" + arc + "\n";
    std::string text;
    for (const std::string& line : table.lines) text += is_default_line(line) ? default_line : line;
    if (!replace_file_contents(table.path, newline_to_crlf(text), ReadOnly::rewrite, error)) return false;
    for (std::string& line : table.lines)
        if (is_default_line(line)) line = default_line;
    return true;
}

}  // namespace vorlane::bootini
