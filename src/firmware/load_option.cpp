#include "firmware/load_option.h"

#include <algorithm>

namespace vorlane::firmware {
namespace {

constexpr std::size_t kHeaderBytes = 6;  // UINT32 attributes, UINT16 path list length
constexpr std::size_t kNodeHeaderBytes = 4;
constexpr std::uint8_t kMediaPath = 0x04;
constexpr std::uint8_t kFilePathNode = 0x04;
constexpr std::uint8_t kEndPath = 0x7F;
constexpr std::uint8_t kEndEntirePath = 0xFF;
constexpr const char* kBootManagerFile = "\\efi\\microsoft\\boot\\bootmgfw.efi";

std::uint32_t le(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

void put_le(std::string& out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// A file path's text folded for comparison; anything beyond ASCII stays apart.
std::string folded(const std::u16string& path) {
    std::string out;
    for (char16_t c : path) {
        if (c == u'/') c = u'\\';
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        out += c < 0x80 ? static_cast<char>(c) : '\x7F';
    }
    // Some tools write the path without its leading backslash.
    if (out.empty() || out[0] != '\\') out.insert(out.begin(), '\\');
    return out;
}

}  // namespace

bool parse_load_option(const std::string& bytes, LoadOption* option) {
    if (bytes.size() < kHeaderBytes) return false;
    const std::size_t path_bytes = le(bytes, 4, 2);
    std::u16string description;
    std::size_t at = kHeaderBytes;
    for (;; at += 2) {
        if (bytes.size() - at < 2) return false;  // no zero before the end
        const char16_t c = static_cast<char16_t>(le(bytes, at, 2));
        if (c == 0) break;
        description += c;
    }
    at += 2;
    if (bytes.size() - at < path_bytes) return false;
    option->attributes = le(bytes, 0, 4);
    option->description = std::move(description);
    option->file_paths = bytes.substr(at, path_bytes);
    option->optional_data = bytes.substr(at + path_bytes);
    return true;
}

std::string serialise_load_option(const LoadOption& option) {
    std::string out;
    put_le(out, option.attributes, 4);
    put_le(out, static_cast<std::uint32_t>(option.file_paths.size()), 2);
    for (char16_t c : option.description) put_le(out, c, 2);
    put_le(out, 0, 2);
    return out + option.file_paths + option.optional_data;
}

bool starts_windows_boot_manager(const std::string& file_paths) {
    // Nodes of type, subtype and a length that counts the 4-byte header; the
    // file path of one instance may be split over several file path nodes.
    std::u16string path;
    for (std::size_t at = 0; file_paths.size() - at >= kNodeHeaderBytes;) {
        const auto type = static_cast<std::uint8_t>(file_paths[at]);
        const auto subtype = static_cast<std::uint8_t>(file_paths[at + 1]);
        const std::size_t length = le(file_paths, at + 2, 2);
        if (length < kNodeHeaderBytes || length > file_paths.size() - at) return false;
        if (type == kMediaPath && subtype == kFilePathNode) {
            for (std::size_t i = at + kNodeHeaderBytes; i + 1 < at + length; i += 2) {
                const char16_t c = static_cast<char16_t>(le(file_paths, i, 2));
                if (c == 0) break;
                path += c;
            }
        } else if (type == kEndPath) {
            if (!path.empty() && folded(path) == kBootManagerFile) return true;
            path.clear();
            if (subtype == kEndEntirePath) return false;
        }
        at += length;
    }
    return false;
}

bool parse_boot_order(const std::string& bytes, std::vector<std::uint16_t>* order) {
    if (bytes.empty() || bytes.size() % 2 != 0 || bytes.size() / 2 > kMaxBootOrder) return false;
    std::vector<std::uint16_t> numbers;
    for (std::size_t at = 0; at < bytes.size(); at += 2) numbers.push_back(static_cast<std::uint16_t>(le(bytes, at, 2)));
    std::vector<std::uint16_t> sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false;
    *order = std::move(numbers);
    return true;
}

std::string serialise_boot_order(const std::vector<std::uint16_t>& order) {
    std::string out;
    for (std::uint16_t number : order) put_le(out, number, 2);
    return out;
}

std::vector<std::uint16_t> moved_to_front(const std::vector<std::uint16_t>& order, std::uint16_t number) {
    std::vector<std::uint16_t> out{number};
    for (std::uint16_t n : order)
        if (n != number) out.push_back(n);
    return out;
}

std::string hex4(std::uint16_t number) {
    // By hand: the C runtime's printf family pulls in code that the oldest systems cannot run.
    const char* digits = "0123456789ABCDEF";
    std::string text;
    for (int shift = 12; shift >= 0; shift -= 4) text += digits[number >> shift & 0xF];
    return text;
}

bool parse_hex4(const std::string& text, std::uint16_t* number) {
    if (text.size() != 4) return false;
    unsigned value = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    *number = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace vorlane::firmware
