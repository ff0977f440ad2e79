// The -i set-up's profile reading and its time-out change over arbitrary
// BOOT.INI files. Input: a flags byte (bit 0 protects the file, bit 1 answers
// the question with Yes), a value text, a zero byte, BOOT.INI.
#include "bootini/boot_loader_setup.h"
#include "fuzz/fuzz_support.h"
#include "settings/leading_int.h"

using namespace vorlane;

namespace {

// Line by line (split at LF only, as the profile reader does), all lines equal
// but one, and that one equal up to its '='.
bool only_value_changed(const std::string& before, const std::string& after) {
    std::size_t b = 0, a = 0, differing = 0;
    while (b <= before.size() && a <= after.size()) {
        const std::size_t b_end = std::min(before.find('\n', b), before.size());
        const std::size_t a_end = std::min(after.find('\n', a), after.size());
        const std::string old_line = before.substr(b, b_end - b), new_line = after.substr(a, a_end - a);
        if (old_line != new_line) {
            const std::size_t equals = old_line.find('=');
            if (++differing > 1 || equals == std::string::npos || new_line.compare(0, equals + 1, old_line, 0, equals + 1))
                return false;
        }
        b = b_end + 1, a = a_end + 1;
    }
    return differing == 1 && b > before.size() && a > after.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t flags = input.byte();
    std::string value = input.field();
    const std::string bytes = input.rest();

    // In memory, with any value that fits on one line without blanks around it.
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    const std::size_t bad = value.find_first_of("\r\n");
    if (bad != std::string::npos) value.resize(bad);
    if (value.empty() || value[0] == ' ' || value[0] == '\t') value = "3";
    std::string changed = bytes;
    if (bootini::replace_profile_value(changed, "Boot Loader", "TimeOut", value)) {
        REQUIRE(changed == bytes || only_value_changed(bytes, changed));
        REQUIRE(bootini::profile_int(changed, "boot loader", "timeout", -1) == settings::leading_int(value));
    } else {
        REQUIRE(changed == bytes && bootini::profile_int(bytes, "boot loader", "timeout", -7) == -7);
    }

    // Through the file: the 30-second menu is cut to 3 when the user agrees.
    const std::uint32_t attributes = flags & 1 ? platform::kAttrReadOnly | platform::kAttrSystem : platform::kAttrNormal;
    const fuzz::Paths paths = fuzz::make_world(bytes, "", attributes);
    testenv::answer_boxes_with(flags & 2 ? platform::kIdYes : 7);
    bootini::BootTable table;
    bootini::load_boot_table(table);
    const int timeout = bootini::boot_timeout(paths.boot_ini);
    REQUIRE(timeout == (bytes.size() > bootini::kMaxBootIniBytes ? 0 : bootini::profile_int(bytes, "boot loader", "timeout", 0)));
    bootini::boot_loader_setup(table, [](const std::string&, std::string&) {});
    const std::string after = fuzz::file(paths.boot_ini);
    REQUIRE(testenv::boxes().size() == (timeout == bootini::kLongTimeout ? 1u : 0u));
    if (timeout == bootini::kLongTimeout && (flags & 2))
        REQUIRE(only_value_changed(bytes, after) && bootini::boot_timeout(paths.boot_ini) == 3);
    else
        REQUIRE(after == bytes);
    REQUIRE(platform::file_attributes(paths.boot_ini) == attributes);
    REQUIRE(testenv::sandbox_files().size() == 2);
    fuzz::require_all_closed();
    return 0;
}
