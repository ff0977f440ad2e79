#include "bootini/text_file.h"

#include "platform/platform.h"

namespace vorlane::bootini {

std::string crlf_to_newline(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

std::string newline_to_crlf(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

std::vector<std::string> split_lines(const std::string& text, std::size_t max_chars) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && end - start < max_chars) {
            if (text[end++] == '\n') break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;

// Removes one of our own files, which may carry the target's read-only attribute.
bool discard(const std::string& path) {
    using namespace platform;
    if (file_attributes(path) == kInvalidAttributes) return true;
    return file_set_attributes(path, kAttrNormal) && file_remove(path);
}

// The NT family: one move replaces the target. A read-only target refuses
// to be replaced, so it is unlocked for the move and locked again on failure.
bool move_over(const std::string& temp, const std::string& path, std::uint32_t attributes,
               std::uint32_t* code) {
    using namespace platform;
    const bool unlocked = attributes != kInvalidAttributes && (attributes & kAttrReadOnly);
    if (unlocked && !file_set_attributes(path, kAttrNormal)) return *code = last_error(), false;
    if (file_replace(temp, path)) return true;
    *code = last_error();
    if (unlocked) file_set_attributes(path, attributes);
    return false;
}

// The 9x platform cannot replace in one move. The old file steps aside under
// our name, the new one moves in, and the old one goes; a cut between the two
// moves leaves the set-aside copy for the next start to put back. A copy that
// cannot be removed at the end is removed by the next start.
bool move_aside_and_in(const std::string& temp, const std::string& path, bool exists, std::uint32_t* code) {
    using namespace platform;
    const std::string aside = path + kAsideSuffix;
    if (exists && !(discard(aside) && file_move(path, aside))) return *code = last_error(), false;
    if (!file_move(temp, path)) {
        *code = last_error();
        if (exists) file_move(aside, path);
        return false;
    }
    if (exists) discard(aside);
    return true;
}

}  // namespace

bool replace_file_contents(const std::string& path, const std::string& bytes, ReadOnly read_only,
                           std::uint32_t* error) {
    using namespace platform;
    // The temporary file stands beside the target, so the move stays on one volume.
    const std::string temp = path + kTempSuffix;
    const std::uint32_t attributes = file_attributes(path);
    const bool exists = attributes != kInvalidAttributes;

    // Cleans up after a failed step, reporting that step's error code.
    auto give_up = [&](std::uint32_t code, bool temp_exists) {
        if (temp_exists) discard(temp);
        if (error) *error = code;
        return false;
    };

    // Attributes that cannot be read are not those of a missing file: a move
    // would lose them.
    if (!exists && last_error() != kErrorFileNotFound) return give_up(last_error(), false);
    if (exists && (attributes & kAttrReadOnly) && read_only == ReadOnly::refuse)
        return give_up(kErrorAccessDenied, false);
    // A temporary file left read-only by an earlier crash would refuse the create.
    if (file_attributes(temp) != kInvalidAttributes) file_set_attributes(temp, kAttrNormal);

    File file = file_create(temp);
    if (!file) return give_up(last_error(), false);
    if (!file_write(file, bytes.data(), bytes.size()) || !file_flush(file)) {
        const std::uint32_t code = last_error();
        file_close(file);
        return give_up(code, true);
    }
    if (!file_close(file)) return give_up(last_error(), true);

    // The move carries the temporary file's attributes and security to the
    // target, so the target is never seen without them. Security that cannot
    // be copied (9x, FAT) never stops the switch: the new file then has its
    // folder's.
    if (exists && !file_set_attributes(temp, attributes)) return give_up(last_error(), true);
    if (exists) file_copy_security(path, temp);
    std::uint32_t code = 0;
    const bool moved = os_version().platform_id == kPlatformWin9x
                           ? move_aside_and_in(temp, path, exists, &code)
                           : move_over(temp, path, attributes, &code);
    if (!moved) return give_up(code, true);

    // Whatever sits between this program and the disk must give back what it was given.
    std::string back;
    if (!file_read_head(path, bytes.size() + 1, &back)) return give_up(last_error(), false);
    if (back != bytes) return give_up(kErrorWriteFault, false);
    return true;
}

void recover_set_aside(const std::string& path) {
    using namespace platform;
    const std::string aside = path + kAsideSuffix;
    if (path.empty() || file_attributes(aside) == kInvalidAttributes) return;
    if (file_attributes(path) == kInvalidAttributes)
        file_move(aside, path);
    else
        discard(aside);
}

}  // namespace vorlane::bootini
