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
// the old file kept aside until the new one has been read back.
constexpr const char* kTempSuffix = ".new~";
constexpr const char* kAsideSuffix = ".old~";

// The largest old file that a replace keeps a copy of on the NT family;
// a larger one is refused (ERROR_FILE_TOO_LARGE).
constexpr std::size_t kMaxKeptBytes = 1024 * 1024;
constexpr std::uint32_t kErrorFileTooLarge = 223;

// Codes of our own for what a replace found after the move (bit 29 marks an
// application's code, so none is ever a system one).
constexpr std::uint32_t kErrorReadBackDiffers = 0x20000001;  // the old file is in place
constexpr std::uint32_t kErrorReadBackFailed = 0x20000002;   // the old file is in place
constexpr std::uint32_t kErrorNotPutBack = 0x20000003;       // the old file is in the aside copy
constexpr std::uint32_t kErrorAsideKept = 0x20000004;        // an aside copy that differs is in the way

// Writes `bytes` to a temporary file beside `path`, flushes it and gives it the
// attributes and security `path` has now; keeps the old file aside (a copy on
// the NT family, where one move then replaces the old file; a rename on the 9x
// platform, which cannot replace in one step); moves the new file in and reads
// it back. Only once the read back agrees does the old file go. On any failure
// the old file is in place again with its content, attributes and security and
// no file of ours is left (but for kErrorNotPutBack); `error` (when given)
// receives the system's error code or one of ours above.
bool replace_file_contents(const std::string& path, const std::string& bytes, ReadOnly read_only,
                           std::uint32_t* error = nullptr);

// Why a replace failed, in a sentence or two for a message: the system's text,
// or ours for our codes.
std::string replace_error_text(const std::string& path, std::uint32_t code);

// True when both paths name the same file however spelt: their full forms
// (relative parts resolved) compared without regard to case. Empty names none.
bool same_file(const std::string& a, const std::string& b);

// Whether a set-aside copy stands beside `path` that holds what the file
// does not (it is not the file's content, nor the start of it, the copy cut
// short), or the file cannot be read: after a read back that failed and a
// put-back that failed too, or a cut after the move, it may be the only good
// copy. While it is there, a replace refuses (kErrorAsideKept): it would
// overwrite that copy.
bool aside_differs(const std::string& path);

enum class Recovery { nothing, put_back, kept };
// At start-up, after a run that a crash cut short: removes a temporary file
// of ours, puts back an old file that was set aside when the file itself is
// missing or unreadable, gives back the read-only attribute that a replace
// took off for its move, and removes a set-aside copy that holds what the
// file holds. A copy that differs stays (kept), for the user to look at.
Recovery recover_set_aside(const std::string& path);

}  // namespace vorlane::bootini
