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

bool replace_file_contents(const std::string& path, const std::string& bytes, std::uint32_t* error) {
    using namespace platform;
    // The temporary file stands beside the target, so the move stays on one volume.
    const std::string temp = path + ".new~";
    const std::uint32_t attributes = file_attributes(path);
    const bool exists = attributes != kInvalidAttributes;

    // Cleans up after a failed step, reporting that step's error code.
    auto give_up = [&](std::uint32_t code, bool temp_exists) {
        if (temp_exists) {
            file_set_attributes(temp, kAttrNormal);
            file_remove(temp);
        }
        if (error) *error = code;
        return false;
    };

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

    // The move carries the temporary file's attributes to the target, so the
    // target is never seen without them.
    if (exists && !file_set_attributes(temp, attributes)) return give_up(last_error(), true);
    // A read-only target refuses to be replaced.
    const bool unlocked = exists && (attributes & kAttrReadOnly);
    if (unlocked && !file_set_attributes(path, kAttrNormal)) return give_up(last_error(), true);
    if (!file_replace(temp, path)) {
        const std::uint32_t code = last_error();
        if (unlocked) file_set_attributes(path, attributes);
        return give_up(code, true);
    }
    return true;
}

}  // namespace vorlane::bootini
