// Feeds arbitrary bytes as BOOT.INI and VORLANE.INI through load, restore,
// sort and set default. The first byte chooses where the input splits
// between the two files and whether the BOOT.INI is protected.
#include "bootini/boot_table.h"
#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "fuzz/fuzz_support.h"

using namespace vorlane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t split = 1 + (size - 1) * data[0] / 256;
    const std::string boot(reinterpret_cast<const char*>(data) + 1, split - 1);
    const std::string ini(reinterpret_cast<const char*>(data) + split, size - split);
    const std::uint32_t attributes = (data[0] & 1) ? platform::kAttrReadOnly | platform::kAttrHidden
                                                   : platform::kAttrNormal;
    const fuzz::Paths paths = fuzz::make_world(boot, ini, attributes);

    bootini::BootTable table;
    bootini::load_boot_table(table);
    REQUIRE(table.lines.size() <= bootini::kMaxTableLines);
    for (const std::string& line : table.lines) REQUIRE(!line.empty() && line.size() <= bootini::kLineChars);
    bootini::restore_maintained_default(table);
    bootini::sort_entries(table);
    for (std::size_t i = 1; i < table.entries.size(); ++i)
        REQUIRE(table.entries[i - 1].name.compare(table.entries[i].name) <= 0);
    bootini::save_maintained_default(table, true);
    // An empty name is never saved: it would name every entry.
    REQUIRE(fuzz::file(paths.vorlane_ini) ==
            (table.current_default.empty()
                 ? std::string()
                 : bootini::newline_to_crlf("[Config]\nDefault=" + table.current_default + "\n")));

    for (std::size_t i = 0; i < table.entries.size() && i < 3; ++i) {
        const std::string before = fuzz::file(paths.boot_ini);
        const bool written = bootini::set_default_entry(table, i);
        // Either the rewrite happened or the file is untouched; never a half.
        REQUIRE(written || fuzz::file(paths.boot_ini) == before);
        REQUIRE(platform::file_attributes(paths.boot_ini) == attributes);
        if (!written) continue;
        // Every default line, and only those, now names the entry; a file that
        // named it already is untouched.
        const std::vector<std::string> after = fuzz::lines_of(paths.boot_ini);
        const bool untouched = fuzz::file(paths.boot_ini) == before;
        REQUIRE(after.size() == table.lines.size());
        std::string arc = table.entries[i].arc_path;
        if (!arc.empty() && arc.back() == '\n') arc.pop_back();
        for (std::size_t k = 0; k < after.size(); ++k)
            REQUIRE(bootini::is_default_line(after[k])
                        ? untouched || after[k] == "default=" + arc + "\n"
                        : after[k] == table.lines[k]);
    }
    REQUIRE(testenv::sandbox_files().size() == 2);  // no temporary file left
    fuzz::require_all_closed();
    return 0;
}
