// The UEFI firmware's own boot menu as one of the boot menus: its Boot####
// entries in BootOrder order, the Windows Boot Manager's entry leading on to
// the boot manager's menu. A choice is written to BootNext (once) or BootOrder
// (always), and every write is read back.
#pragma once

#include <string>
#include <vector>

#include "bootmenu/boot_menu.h"

namespace vorlane::firmware {

// Limits of what is read: the probe's answer, one load option.
constexpr std::size_t kProbeBytes = 16;
constexpr std::size_t kMaxLoadOptionBytes = 64 * 1024;

class FirmwareSource final : public bootmenu::Source {
public:
    // Reads the firmware's entries anew: those active, not hidden and of the
    // boot category, keyed by their four hex digits, BootOrder's first active
    // entry bold. Empty before Vista, on legacy BIOS, and when BootOrder is
    // missing, unreadable or malformed; an entry that is missing or malformed
    // is left out. Refused, with a notice, where Windows withholds the
    // firmware privilege (a process that is not elevated).
    bootmenu::SourceMenu menu();

    // once: BootNext names the entry. always: the entry moves to the front of
    // BootOrder and a BootNext naming another entry is dropped. through: the
    // next boot starts the entry (BootNext, unless BootOrder starts with it and
    // no other BootNext is pending). Refused when Boot#### is no longer the
    // entry the menu showed (firmware tools reuse freed numbers). A write that
    // reads back different is undone as far as the firmware lets it be.
    bool plan(const std::string& key, const bootmenu::Choice& choice, std::vector<bootmenu::Change>* changes,
              std::string* failure) override;
    // Deletes a pending BootNext.
    void plan_cancel(std::vector<bootmenu::Change>* changes) override;

private:
    struct Shown {
        std::string key;
        std::u16string description;
        std::string file_paths;
    };
    // As the last menu() listed them. A vector: the 32-bit exe keeps out of
    // libstdc++'s tree code, which is built for newer processors than ours.
    std::vector<Shown> shown_;
};

}  // namespace vorlane::firmware
