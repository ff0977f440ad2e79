// BOOT.INI as one of the boot menus: its entries in table order, and a choice
// written by the default writer after the maintained default is saved,
// whatever the lasting (a one-time change is Maintain default's business).
#pragma once

#include <string>

#include "bootini/boot_table.h"
#include "bootmenu/boot_menu.h"

namespace vorlane::bootini {

class BootIniSource final : public bootmenu::Source {
public:
    // Both live as long as the source; `maintain` is read at each choice.
    BootIniSource(BootTable& table, const bool& maintain) : table_(table), maintain_(maintain) {}

    // The table's entries, keyed by index; the current default bold.
    bootmenu::SourceMenu menu();

    // Saves the maintained default, then makes entry `key` the default.
    bool choose(const std::string& key, bootmenu::Lasting lasting, std::string* failure) override;

private:
    BootTable& table_;
    const bool& maintain_;
};

}  // namespace vorlane::bootini
