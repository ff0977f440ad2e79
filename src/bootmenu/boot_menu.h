// One menu of every system the machine can start. A machine may show several
// boot menus in turn (the firmware's, the Windows Boot Manager's, BOOT.INI's);
// each is a source that reads its own entries and knows how to write a choice.
// The menus are chained: the entry of one menu that starts the next (the
// firmware's Windows Boot Manager, the boot manager's "Earlier Version of
// Windows") is replaced, in its place, by the next menu's entries. The shell
// only ever sees the chained list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vorlane::bootmenu {

// Entry commands are 30000 + index and must stay below the menu's own commands.
constexpr std::size_t kMaxEntries = 1024;
constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

// How long a choice holds.
enum class Lasting {
    once,     // the next boot only ("Maintain default" on)
    always,   // the new default
    through,  // only make sure the next boot passes through this entry
};

// A boot menu Vorlane can write.
class Source {
public:
    // Makes the entry `key` (the source's own identifier) start as `lasting`
    // asks. On failure this source's menu is as it was, as far as the system
    // let it be, and `failure` holds a text for the user.
    virtual bool choose(const std::string& key, Lasting lasting, std::string* failure) = 0;

protected:
    ~Source() = default;
};

// Which boot menu a source reads. NTLDR needs a BIOS boot, so BOOT.INI never
// stands behind the firmware's Windows Boot Manager entry: an entry that leads
// on is replaced only by the kind of menu it starts.
enum class MenuKind { unnamed, firmware, boot_manager, boot_ini };

// One entry of one source's menu, as read.
struct SourceEntry {
    std::string name;
    std::string key;
    bool leads_on = false;  // starts the next menu of the chain
};

struct SourceMenu {
    Source* source = nullptr;
    std::vector<SourceEntry> entries;
    std::size_t default_index = kNoEntry;  // the entry drawn bold
    std::string default_name;              // what the tooltip names
    // Whether a choice behind this menu's leads_on entry only passes through
    // it (the firmware: start the boot manager next) or is made with the
    // user's own lasting (the boot manager's one-time sequence or default).
    bool pass_through = false;
    MenuKind kind = MenuKind::unnamed;
    // The kind of menu the leads_on entry starts; unnamed on either side matches any.
    MenuKind opens = MenuKind::unnamed;
    // A greyed line shown above the menu (why this menu is missing, say); empty: none.
    std::string notice;
};

// What choosing an entry writes, one step per menu, outermost first.
struct Step {
    Source* source = nullptr;
    std::string key;
    bool through = false;
};

struct Entry {
    std::string name;
    std::vector<Step> steps;
};

struct BootMenu {
    std::vector<Entry> entries;
    std::size_t default_index = kNoEntry;
    std::string default_name;
    std::vector<std::string> notices;  // every menu's notice, outermost first, also of menus without entries
};

// Chains the menus, outermost first. The first menu with entries is the
// root; each menu's first leads_on entry is replaced by the next menu's
// entries when that menu has any and is of the kind it opens, and stays as
// itself otherwise. An empty or other menu ends the chain. At most kMaxEntries entries.
BootMenu chain(const std::vector<SourceMenu>& menus);

// Carries out the entry's steps, innermost first, so that an outer menu only
// changes once the system behind it is set; stops at the first failure.
bool choose(const Entry& entry, Lasting lasting, std::string* failure);

}  // namespace vorlane::bootmenu
