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
    std::vector<std::string> lines = table.lines;
    std::string text;
    for (std::string& line : lines) {
        if (is_default_line(line)) line = "default=" + arc + "\n";
        text += line;
    }
    if (!replace_file_contents(table.path, newline_to_crlf(text), ReadOnly::rewrite, error)) return false;
    table.lines = std::move(lines);
    return true;
}

}  // namespace vorlane::bootini
