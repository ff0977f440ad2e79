// Feeds arbitrary bytes as BOOT.INI and VORLANE.INI through load, restore,
// sort and set default. The first byte chooses where the input splits
// between the two files and whether the BOOT.INI is protected.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bootini/boot_table.h"
#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "platform/fake/fake_platform.h"
#include "support/test_env.h"

using namespace vorlane;

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t split = 1 + (size - 1) * data[0] / 256;
    const std::string boot(reinterpret_cast<const char*>(data) + 1, split - 1);
    const std::string ini(reinterpret_cast<const char*>(data) + split, size - split);
    const std::uint32_t attributes = (data[0] & 1) ? platform::kAttrReadOnly | platform::kAttrHidden
                                                   : platform::kAttrNormal;

    testenv::reset();
    const std::string boot_path = testenv::path("BOOT.INI"), ini_path = testenv::path("VORLANE.INI");
    testenv::put_file(boot_path, boot, attributes);
    testenv::put_file(ini_path, ini);
    testenv::put_text("Filename", boot_path);
    testenv::put_text("INI", ini_path);

    bootini::BootTable table;
    bootini::load_boot_table(table);
    require(table.lines.size() <= bootini::kMaxTableLines);
    for (const std::string& line : table.lines) require(!line.empty() && line.size() <= bootini::kLineChars);
    bootini::restore_maintained_default(table);
    bootini::sort_entries(table);
    bootini::save_maintained_default(table, true);

    for (std::size_t i = 0; i < table.entries.size() && i < 3; ++i) {
        std::string before;
        testenv::get_file(boot_path, &before);
        const bool written = bootini::set_default_entry(table, i);
        std::string after;
        testenv::get_file(boot_path, &after);
        // Either the rewrite happened or the file is untouched; never a half.
        require(written || after == before);
        require(platform::file_attributes(boot_path) == attributes);
        bootini::BootTable again;
        bootini::load_boot_table(again);
        if (written) require(again.lines.size() == table.lines.size() || boot.size() > bootini::kMaxBootIniBytes / 2);
    }
    require(testenv::sandbox_files().size() == 2);  // no temporary file left
    return 0;
}
