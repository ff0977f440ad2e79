// The Windows Boot Manager's menu (Vista and later) as one of the boot menus:
// its entries in display order, keyed by GUID, the legacy loader leading on to
// BOOT.INI. A choice is written by Windows' own bcdedit.exe (the store's keys
// are not ours to write), run hidden with GUID arguments only, and read back
// from the store before anyone may restart. Before Vista the store is read
// from its file beside BOOT.INI and never written: a choice goes ahead only
// where the boot manager's next start already leads.
#pragma once

#include <string>
#include <vector>

#include "bcd/bcd_store.h"
#include "bootmenu/boot_menu.h"

namespace vorlane::bcd {

// The greyed line above the menu when the store file is there but unreadable.
constexpr const char* kUnreadableNotice = "Windows Boot Manager: its menu could not be read";

// Where the store file is before Vista: \Boot\BCD at the root of the drive
// (or share) of `boot_ini`; empty when the path names no root.
std::string store_file_path(const std::string& boot_ini);

class BcdSource final : public bootmenu::Source {
public:
    // `boot_ini` is the path of BOOT.INI the program uses, read at each menu().
    explicit BcdSource(const std::string& boot_ini) : boot_ini_(boot_ini) {}

    // Reads the store again: through the registry on Vista and later, where
    // the store is not loaded asking bcdedit once per run to load it; before
    // Vista from its file beside BOOT.INI, when there is one (a file that
    // cannot be read or is refused gives no entries and a notice). Where
    // Windows refuses the store to this process (it is not elevated), the
    // menu is refused, with a notice saying so.
    bootmenu::SourceMenu menu();

    // once: the boot manager's one-time sequence (it clears that itself);
    // always: its default, and a pending one-time sequence naming another
    // entry is removed; through: the one-time sequence, unless the next boot
    // starts the entry already. Each write is bcdedit's, read back from the
    // store; its undo writes back what was there. A store read from its file
    // is never written: the choice is made only when the next start leads to
    // the entry anyway, and refused otherwise.
    bool plan(const std::string& key, const bootmenu::Choice& choice, std::vector<bootmenu::Change>* changes,
              std::string* failure) override;
    // Removes a pending one-time sequence (never in a store read from its file).
    void plan_cancel(std::vector<bootmenu::Change>* changes) override;

    // The boot manager as last read (its pending one-time sequence included).
    const BootManager& manager() const { return manager_; }
    bool from_file() const { return from_file_; }

private:
    void read_file(bootmenu::SourceMenu& menu);

    const std::string& boot_ini_;
    std::string store_;  // the key under HKEY_LOCAL_MACHINE of the store last read
    bool from_file_ = false;
    BootManager manager_;
    bool asked_to_load_ = false;
};

}  // namespace vorlane::bcd
