// BOOT.INI as one of the boot menus: its entries in table order. A choice
// keeps the current default in VORLANE.INI first when the choice asks for
// the maintained default (BOOT.INI's own one-time switch), then rewrites the
// default lines; each write is undone by putting the file's old bytes back.
#pragma once

#include <string>
#include <vector>

#include "bootini/boot_table.h"
#include "bootmenu/boot_menu.h"

namespace vorlane::bootini {

class BootIniSource final : public bootmenu::Source {
public:
    // The table lives as long as the source.
    explicit BootIniSource(BootTable& table) : table_(table) {}

    // The table's entries, keyed by index; the current default bold.
    bootmenu::SourceMenu menu();

    // Refuses while a set-aside copy of BOOT.INI that differs from it is
    // there: it may be the only good one.
    bool plan(const std::string& key, const bootmenu::Choice& choice, std::vector<bootmenu::Change>* changes,
              std::string* failure) override;
    // Writes back the usual default that VORLANE.INI keeps, as the next
    // start would, when the default now is a one-time one.
    void plan_cancel(std::vector<bootmenu::Change>* changes) override;

    // A file's bytes before a write, for the write's undo to put back.
    struct FileBytes {
        bool existed = false;
        std::string bytes;
    };

private:
    // The entry VORLANE.INI keeps as the usual default when it is not entry
    // `current`, the default now; the entry count otherwise.
    std::size_t usual_default(std::size_t current) const;

    BootTable& table_;
    // What this source's writes replaced; a choice's changes live no longer than the source.
    FileBytes boot_ini_before_, vorlane_ini_before_;
};

}  // namespace vorlane::bootini
