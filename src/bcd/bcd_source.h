// The Windows Boot Manager's menu (Vista and later) as one of the boot menus:
// its entries in display order, keyed by GUID, the legacy loader leading on to
// BOOT.INI. A choice is written by Windows' own bcdedit.exe (the store's keys
// are not ours to write), run hidden with GUID arguments only, and read back
// from the store before anyone may restart.
#pragma once

#include <string>
#include <vector>

#include "bootmenu/boot_menu.h"

namespace vorlane::bcd {

class BcdSource final : public bootmenu::Source {
public:
    // Reads the store again. Empty before Vista and where there is no store;
    // where the store is not loaded, asks bcdedit once per run to load it.
    // Where Windows refuses the store to this process (it is not elevated),
    // the menu is refused, with a notice saying so.
    bootmenu::SourceMenu menu();

    // once: the boot manager's one-time sequence (it clears that itself);
    // always: its default, and a pending one-time sequence naming another
    // entry is removed; through: the one-time sequence, unless the next boot
    // starts the entry already. Each write is bcdedit's, read back from the
    // store; its undo writes back what was there.
    bool plan(const std::string& key, const bootmenu::Choice& choice, std::vector<bootmenu::Change>* changes,
              std::string* failure) override;
    // Removes a pending one-time sequence.
    void plan_cancel(std::vector<bootmenu::Change>* changes) override;

private:
    std::string store_;  // the key under HKEY_LOCAL_MACHINE of the store last read
    bool asked_to_load_ = false;
};

}  // namespace vorlane::bcd
