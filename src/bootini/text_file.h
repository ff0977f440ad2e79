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

// How a replace treats a read-only file: BOOT.INI is rewritten whatever its
// attributes, while a VORLANE.INI that the user protected refuses.
enum class ReadOnly { rewrite, refuse };

// Our own files beside the target: the new content before it moves in, and
// (on the 9x platform) the old file while the new one takes its place.
constexpr const char* kTempSuffix = ".new~";
constexpr const char* kAsideSuffix = ".old~";

// The code given when the file read back differs from what was written
// (ERROR_WRITE_FAULT).
constexpr std::uint32_t kErrorWriteFault = 29;

// Writes `bytes` to a temporary file beside `path`, flushes it, gives it the
// attributes and security `path` has now, puts it in the place of `path`, and
// reads the result back. On the NT family the move replaces the old file in
// one step; on the 9x platform the old file steps aside first. On any failure
// before the move the old file keeps its content and attributes and no file of
// ours is left; `error` (when given) receives the system's error code. A read
// back that differs is a failure too, with the new file in place.
bool replace_file_contents(const std::string& path, const std::string& bytes, ReadOnly read_only,
                           std::uint32_t* error = nullptr);

// At start-up: puts back a file that a replace cut short left set aside, and
// removes a set-aside copy beside a whole file. Silent.
void recover_set_aside(const std::string& path);

}  // namespace vorlane::bootini
