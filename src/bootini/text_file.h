// Text files the way the program keeps them: CRLF on disk, one newline in
// memory, read in lines of bounded length, and written so that a failure at
// any step leaves the old file whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::bootini {

// The longest line one read takes; a longer physical line fills several lines.
constexpr std::size_t kLineChars = 254;

// Each CR LF pair becomes one newline; a lone CR stays.
std::string crlf_to_newline(const std::string& bytes);
// Each newline becomes CR LF.
std::string newline_to_crlf(const std::string& text);

// Splits text into lines of at most `max_chars` characters, each ending after
// its newline; a final line without a newline stays without one. No line is
// empty.
std::vector<std::string> split_lines(const std::string& text, std::size_t max_chars = kLineChars);

// Writes `bytes` to a temporary file beside `path`, flushes it, gives it the
// attributes `path` has now, and moves it over `path` in one step. On any
// failure the old file keeps its content and attributes, no temporary file is
// left, and `error` (when given) receives the system's error code.
bool replace_file_contents(const std::string& path, const std::string& bytes,
                           std::uint32_t* error = nullptr);

}  // namespace vorlane::bootini
