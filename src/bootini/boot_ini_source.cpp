#include "bootini/boot_ini_source.h"

#include <cstdint>

#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "platform/platform.h"

namespace vorlane::bootini {
bootmenu::SourceMenu BootIniSource::menu() {
    bootmenu::SourceMenu menu;
    menu.source = this;
    menu.kind = bootmenu::MenuKind::boot_ini;
    menu.default_name = table_.current_default;
    for (std::size_t i = 0; i < table_.entries.size(); ++i) {
        const std::string& name = table_.entries[i].name;
        // One default item per menu: of several equal names the last one wins.
        if (!table_.current_default.empty() && name == table_.current_default) menu.default_index = i;
        menu.entries.push_back(bootmenu::SourceEntry{name, std::to_string(i), false});
    }
    return menu;
}

bool BootIniSource::choose(const std::string& key, bootmenu::Lasting, std::string* failure) {
    std::size_t index = 0;
    for (char c : key) index = index * 10 + static_cast<std::size_t>(c - '0');
    save_maintained_default(table_, maintain_);
    std::uint32_t error = 0;
    if (set_default_entry(table_, index, &error)) return true;
    *failure = "The program wasn't able to write the boot configuration file\n'" + table_.path + "'.\n\n" +
               default_error_text(table_, error);
    return false;
}

}  // namespace vorlane::bootini
