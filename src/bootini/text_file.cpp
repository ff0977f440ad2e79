#include "bootini/text_file.h"

#include "bootini/boot_table.h"
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

bool on_9x() { return platform::os_version().platform_id == platform::kPlatformWin9x; }

// The attributes without read-only, which alone stops a move over the file or
// its removal; hidden and system stay, so a crash never loses them.
std::uint32_t unlocked(std::uint32_t attributes) {
    const std::uint32_t rest = attributes & ~platform::kAttrReadOnly;
    return rest == 0 ? platform::kAttrNormal : rest;
}

// Removes one of our own files, which may carry the target's attributes.
bool discard(const std::string& path) {
    using namespace platform;
    if (file_attributes(path) == kInvalidAttributes) return true;
    return file_set_attributes(path, kAttrNormal) && file_remove(path);
}

// Writes a file of ours with `bytes`, flushed to the disk, then gives it
// `attributes` and the security of `like` (when `attributes` is valid).
// Security that cannot be copied (9x, FAT) never stops the switch: the file
// then has its folder's.
bool write_ours(const std::string& path, const std::string& bytes, std::uint32_t attributes, const std::string& like,
                std::uint32_t* code) {
    using namespace platform;
    // A file of ours that a crash left, maybe read-only, would refuse the create.
    if (!discard(path)) return *code = last_error(), false;
    File file = file_create(path);
    if (!file) return *code = last_error(), false;
    if (!file_write(file, bytes.data(), bytes.size()) || !file_flush(file)) {
        *code = last_error();
        file_close(file);
        return false;
    }
    if (!file_close(file)) return *code = last_error(), false;
    if (attributes == kInvalidAttributes) return true;
    if (!file_set_attributes(path, attributes)) return *code = last_error(), false;
    file_copy_security(like, path);
    return true;
}

// Puts `source` (a file of ours carrying the target's attributes) in the
// place of the existing `path`. The NT family replaces in one move, which a
// read-only target refuses: only that attribute comes off for the move, and
// goes back on failure. The 9x platform cannot replace in one move: the file
// at `path` is removed first (the caller keeps a copy aside), and a cut there
// leaves the copy for the next start to put back.
bool move_over(const std::string& source, const std::string& path, std::uint32_t attributes, std::uint32_t* code) {
    using namespace platform;
    const bool locked = attributes & kAttrReadOnly;
    if (locked && !file_set_attributes(path, unlocked(attributes))) return *code = last_error(), false;
    if (on_9x() ? file_remove(path) && file_move(source, path) : file_replace(source, path)) return true;
    *code = last_error();
    if (locked && file_attributes(path) != kInvalidAttributes) file_set_attributes(path, attributes);
    return false;
}

// Makes the file at `path` the old one again after a read back that failed.
bool put_back(const std::string& path, const std::string& aside, bool existed, std::uint32_t attributes) {
    using namespace platform;
    std::uint32_t code = 0;
    if (!existed) return discard(path);
    if (file_attributes(path) == kInvalidAttributes) return file_move(aside, path);
    return move_over(aside, path, attributes, &code);
}

}  // namespace

bool replace_file_contents(const std::string& path, const std::string& bytes, ReadOnly read_only,
                           std::uint32_t* error) {
    using namespace platform;
    // Both files of ours stand beside the target, so every move stays on one volume.
    const std::string temp = path + kTempSuffix, aside = path + kAsideSuffix;
    // A copy that differs may be the only good one: it is never written over.
    if (aside_differs(path)) {
        if (error) *error = kErrorAsideKept;
        return false;
    }
    const std::uint32_t attributes = file_attributes(path);
    const bool exists = attributes != kInvalidAttributes;

    bool made_aside = false;
    // Cleans up after a failed step, reporting that step's error code.
    auto give_up = [&](std::uint32_t code) {
        discard(temp);
        // Without the file the copy aside is the old file: the next start puts it back.
        if (made_aside && file_attributes(path) != kInvalidAttributes) discard(aside);
        if (error) *error = code;
        return false;
    };

    // Attributes that cannot be read are not those of a missing file: a move
    // would lose them.
    if (!exists && last_error() != kErrorFileNotFound) return give_up(last_error());
    if (exists && (attributes & kAttrReadOnly) && read_only == ReadOnly::refuse) return give_up(kErrorAccessDenied);

    std::uint32_t code = 0;
    if (!write_ours(temp, bytes, attributes, path, &code)) return give_up(code);
    // The old file is kept aside until the new one has been read back: on the
    // NT family as a copy, so the one move still replaces it; on the 9x
    // platform under our name, before the new one moves in.
    if (exists && !on_9x()) {
        std::string old;
        const FileRead read = file_read(path, kMaxKeptBytes, &old);
        if (read != FileRead::ok) return give_up(read == FileRead::too_large ? kErrorFileTooLarge : last_error());
        made_aside = true;
        if (!write_ours(aside, old, attributes, path, &code)) return give_up(code);
        // A copy that a faulty disk cut short must not be the one put back.
        std::string copy;
        if (!file_read_head(aside, old.size() + 1, &copy)) return give_up(kErrorReadBackFailed);
        if (copy != old) return give_up(kErrorReadBackDiffers);
    } else if (exists) {
        if (!discard(aside) || !file_move(path, aside)) return give_up(last_error());
        made_aside = true;
    }
    const bool moved = exists && !on_9x() ? move_over(temp, path, attributes, &code) : file_move(temp, path);
    if (!moved && !(exists && !on_9x())) {
        code = last_error();
        if (exists) file_move(aside, path);  // the 9x platform: the old file comes back from aside
    }
    if (!moved) return give_up(code);
    // The new content was flushed before the move; the rename itself waits for
    // the file system's next commit unless the volume is flushed. Only the NT
    // family can, and only for an administrator, who alone may rewrite
    // BOOT.INI there; elsewhere the orderly restart that follows flushes it.
    if (!on_9x()) volume_flush(path);

    // Whatever sits between this program and the disk must give back what it was given.
    std::string back;
    const bool read = file_read_head(path, bytes.size() + 1, &back);
    if (read && back == bytes) {
        discard(aside);  // a copy that stays is removed by the next start
        return true;
    }
    code = read ? kErrorReadBackDiffers : kErrorReadBackFailed;
    if (!put_back(path, aside, exists, attributes)) {
        if (error) *error = kErrorNotPutBack;
        return false;
    }
    return give_up(code);
}

std::string replace_error_text(const std::string& path, std::uint32_t code) {
    switch (code) {
        case kErrorReadBackDiffers:
            return "What was read back differed from what was written; the old file is in place.";
        case kErrorReadBackFailed:
            return "The file could not be read back to check it; the old file is in place.";
        case kErrorNotPutBack:
            return "The new file did not read back as it was written, and the old file could not be put "
                   "back. Its content is in '" + path + kAsideSuffix + "', which Vorlane keeps; nothing more "
                   "is changed in the file while that copy is there.";
        case kErrorAsideKept:
            return "'" + path + kAsideSuffix + "' holds an earlier copy of the file that differs from it, left "
                   "by a change that did not finish. Vorlane changes nothing while it is there: compare the "
                   "two, keep the right one as '" + path + "', and remove the copy.";
        default:
            return platform::error_reason(code);
    }
}

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const std::string full_a = platform::full_path(a), full_b = platform::full_path(b);
    return full_a.size() == full_b.size() && prefix_compare(full_a, full_b, full_a.size()) == 0;
}

bool aside_differs(const std::string& path) {
    using namespace platform;
    const std::string aside = path + kAsideSuffix;
    if (path.empty() || file_attributes(aside) == kInvalidAttributes) return false;
    std::string kept, now;
    // A copy cut short while it was made holds the start of the file: nothing the file lacks.
    return file_read(aside, kMaxKeptBytes, &kept) != FileRead::ok ||
           file_read(path, kMaxKeptBytes, &now) != FileRead::ok || now.compare(0, kept.size(), kept) != 0;
}

Recovery recover_set_aside(const std::string& path) {
    using namespace platform;
    if (path.empty()) return Recovery::nothing;
    const std::string aside = path + kAsideSuffix;
    discard(path + kTempSuffix);
    const std::uint32_t kept = file_attributes(aside);
    if (kept == kInvalidAttributes) return Recovery::nothing;
    const std::uint32_t now = file_attributes(path);
    std::string bytes;
    if (now == kInvalidAttributes) return file_move(aside, path) ? Recovery::put_back : Recovery::kept;
    if (file_read(path, kMaxKeptBytes, &bytes) != FileRead::ok) {
        std::uint32_t code = 0;
        return move_over(aside, path, now, &code) ? Recovery::put_back : Recovery::kept;
    }
    if (aside_differs(path)) return Recovery::kept;
    // The copy was complete with the old attributes before read-only came off
    // the file for its move: a cut in between left the file without it.
    if ((kept & kAttrReadOnly) && !(now & kAttrReadOnly)) file_set_attributes(path, now | kAttrReadOnly);
    discard(aside);
    return Recovery::nothing;
}

}  // namespace vorlane::bootini
