#include "bootini/boot_loader_setup.h"

#include <cstddef>

#include "bootini/maintained_default.h"
#include "bootini/text_file.h"
#include "platform/platform.h"
#include "settings/leading_int.h"
#include "settings/settings_store.h"

namespace vorlane::bootini {
namespace {

constexpr const char* kShortenQuestion =
    "Your system is currently configured to display the list of operating systems for 30 seconds. "
    "It is recommended that you set this timeout to a lower value.\n\n"
    "Would you like to change it to 3 seconds?";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool same_name(const std::string& bytes, std::size_t begin, std::size_t end, const std::string& name) {
    return end - begin == name.size() &&
           prefix_compare(std::string_view(bytes).substr(begin, end - begin), name, name.size()) == 0;
}

// [begin, end) of the key's value within the file, blanks around it excluded.
struct ValueSpan {
    bool found = false;
    std::size_t begin = 0;
    std::size_t end = 0;
};

ValueSpan find_value(const std::string& bytes, const std::string& section, const std::string& key) {
    bool in_section = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t next = bytes.find('\n', start);
        if (next == std::string::npos) next = bytes.size();
        std::size_t end = next;
        if (end > start && bytes[end - 1] == '\r') --end;
        std::size_t first = start;
        while (first < end && is_blank(bytes[first])) ++first;

        const std::size_t close = first < end && bytes[first] == '[' ? bytes.rfind(']', end - 1) : std::string::npos;
        if (close != std::string::npos && close > first) {
            // Only the first section of that name is searched, as the profile functions do.
            if (in_section) return {};
            std::size_t name_begin = first + 1, name_end = close;
            while (name_begin < name_end && is_blank(bytes[name_begin])) ++name_begin;
            while (name_end > name_begin && is_blank(bytes[name_end - 1])) --name_end;
            in_section = same_name(bytes, name_begin, name_end, section);
        } else if (in_section) {
            std::size_t equals = bytes.find('=', first);
            if (equals != std::string::npos && equals < end) {
                std::size_t key_end = equals;
                while (key_end > first && is_blank(bytes[key_end - 1])) --key_end;
                if (same_name(bytes, first, key_end, key)) {
                    ValueSpan span{true, equals + 1, end};
                    while (span.begin < span.end && is_blank(bytes[span.begin])) ++span.begin;
                    while (span.end > span.begin && is_blank(bytes[span.end - 1])) --span.end;
                    return span;
                }
            }
        }
        start = next + 1;
    }
    return {};
}

void show_error(const std::string& text, const char* caption) {
    platform::message_box(text, caption, platform::kMbOk | platform::kMbIconError);
}

// BOOT.INI and VORLANE.INI must stay two files: the program empties and
// rewrites VORLANE.INI. True (after saying so) when `chosen`, the new path of
// the setting `name`, names the file that the other one names.
bool names_the_other_file(const std::string& name, const std::string& chosen) {
    const bool vorlane_ini = name == settings::kVorlaneIniPathValue;
    if (name != settings::kBootIniPathValue && !vorlane_ini) return false;
    if (!same_file(chosen, vorlane_ini ? boot_ini_path() : vorlane_ini_path())) return false;
    show_error("'" + chosen + "' is " + (vorlane_ini ? "the boot configuration file" : "the program's VORLANE.INI") +
                   ".\n\nBOOT.INI and VORLANE.INI must be two files: the program empties and rewrites VORLANE.INI.",
               kVorlaneCaption);
    return true;
}

}  // namespace

std::string missing_boot_ini_prompt(const std::string& path) {
    return path +
           " couldn't be found. Please select the BOOT.INI file to use, or the hard disk drive where this "
           "file is located:";
}

void locate_setting(const std::string& name, const std::string& prompt, const BrowseForFile& browse) {
    std::string path;
    settings::read_setting(name, &path);
    std::string chosen = path;
    browse(prompt, chosen);
    // A longer value could never be read back nor replaced by a later locate.
    if (chosen.size() <= settings::kMaxValueBytes && !names_the_other_file(name, chosen)) path = chosen;
    settings::write_setting(name, path);
}

void boot_loader_setup(const BootTable& table, const BrowseForFile& browse) {
    std::string path;
    settings::read_setting(settings::kBootIniPathValue, &path);
    if (table.entries.empty()) {
        std::string chosen = path;
        browse(missing_boot_ini_prompt(path), chosen);
        // A drive's root stands for the BOOT.INI in it.
        if (!chosen.empty() && chosen.back() == '\\') chosen += kBootIniName;
        // A longer value could never be read back nor replaced later: keep the old one.
        if (chosen.size() <= settings::kMaxValueBytes && !names_the_other_file(settings::kBootIniPathValue, chosen))
            path = chosen;
        // Nothing to store when neither the registry nor the user named a file.
        if (!path.empty()) settings::write_setting(settings::kBootIniPathValue, path);
    }
    if (boot_timeout(path) != kLongTimeout) return;
    if (platform::message_box(kShortenQuestion, kSetupCaption, platform::kMbIconQuestion | platform::kMbYesNo) !=
        platform::kIdYes)
        return;
    std::uint32_t error = 0;
    // The user must not believe the menu now waits 3 seconds.
    if (!set_boot_timeout(path, kShortTimeout, &error))
        show_error("The program wasn't able to change the time-out in the boot configuration file\n'" + path +
                       "'.\n\n" + (error == kErrorNoTimeout ? "The file no longer has a time-out to change."
                                                               : replace_error_text(path, error)),
                   kSetupCaption);
}

int profile_int(const std::string& bytes, const std::string& section, const std::string& key, int fallback) {
    const ValueSpan span = find_value(bytes, section, key);
    if (!span.found) return fallback;
    return settings::leading_int(bytes.substr(span.begin, span.end - span.begin));
}

bool replace_profile_value(std::string& bytes, const std::string& section, const std::string& key,
                           const std::string& value) {
    const ValueSpan span = find_value(bytes, section, key);
    if (!span.found) return false;
    bytes.replace(span.begin, span.end - span.begin, value);
    return true;
}

int boot_timeout(const std::string& path) {
    std::string bytes;
    if (path.empty() || platform::file_read(path, kMaxBootIniBytes, &bytes) != platform::FileRead::ok) return 0;
    return profile_int(bytes, kBootLoaderSection, kTimeoutKey, 0);
}

bool set_boot_timeout(const std::string& path, const std::string& value, std::uint32_t* error) {
    std::string bytes;
    const platform::FileRead read = platform::file_read(path, kMaxBootIniBytes, &bytes);
    if (read != platform::FileRead::ok) {
        *error = read == platform::FileRead::too_large ? kErrorFileTooLarge : platform::last_error();
        return false;
    }
    if (!replace_profile_value(bytes, kBootLoaderSection, kTimeoutKey, value)) {
        *error = kErrorNoTimeout;
        return false;
    }
    return replace_file_contents(path, bytes, ReadOnly::rewrite, error);
}

}  // namespace vorlane::bootini
