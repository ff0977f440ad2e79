// One menu of every system the machine can start. A machine may show several
// boot menus in turn (the firmware's, the Windows Boot Manager's, BOOT.INI's);
// each is a source that reads its own entries and knows how to write a choice.
// The menus are chained: the entry of one menu that starts the next (the
// firmware's Windows Boot Manager, the boot manager's "Earlier Version of
// Windows") is replaced, in its place, by the next menu's entries. The shell
// only ever sees the chained list.
#pragma once

#include <cstddef>
#include <functional>
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

// What a choice asks of every menu it passes through.
struct Choice {
    Lasting lasting = Lasting::always;
    // BOOT.INI's own one-time switch: its current default is kept in
    // VORLANE.INI first, to be written back at the next start (with Shift too).
    bool maintain_default = false;
    std::string name;  // the chosen entry as the menu shows it, for messages
};

// One write of a choice to one boot menu, with its way back. Each reads back
// what it wrote; a write that fails leaves its own setting as it was, as far
// as the system lets it.
struct Change {
    std::string what;  // "the Windows Boot Manager's default": messages and the dry-run log name it
    std::function<bool(std::string* failure)> make;
    std::function<bool(std::string* failure)> undo;
};

// A boot menu Vorlane can write.
class Source {
public:
    // The writes that make the entry `key` (the source's own identifier)
    // start as `choice` asks, in the order they are to be made. Reads the
    // menu's settings as they are now and writes nothing; false, with a text
    // for the user, when the choice cannot be made from here. What the writes
    // replace is kept by them, for their undo.
    virtual bool plan(const std::string& key, const Choice& choice, std::vector<Change>* changes,
                      std::string* failure) = 0;
    // The writes that take back a one-time start left pending in this menu
    // (none when there is none), in the order they are to be made.
    virtual void plan_cancel(std::vector<Change>* changes) = 0;

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
    // A greyed line above the menu: what is there but could not be read.
    std::string notice;
    // Windows refused to let this process read the menu: only an elevated
    // copy can see it, and no choice behind it can be made from here.
    bool refused = false;
    // The entry that a one-time setting makes the next boot start instead of
    // the usual default; kNoEntry when none is pending.
    std::size_t next_index = kNoEntry;
    // Whether a choice behind this menu's leads_on entry only passes through
    // it (the firmware: start the boot manager next) or is made with the
    // user's own lasting (the boot manager's one-time sequence or default).
    bool pass_through = false;
    MenuKind kind = MenuKind::unnamed;
    // The kind of menu the leads_on entry starts; unnamed on either side matches any.
    MenuKind opens = MenuKind::unnamed;
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
    // Behind a menu Windows refused (every boot passes through it): only an
    // elevated copy can make this choice.
    bool elevate = false;
};

struct BootMenu {
    std::vector<Entry> entries;
    std::size_t default_index = kNoEntry;
    std::string default_name;          // what the tooltip names; never an entry replaced
    std::vector<std::string> notices;  // each menu's notice, outermost first
    bool refused = false;              // some menu was refused to this process
    // What the next boot starts through a one-time setting left pending
    // (a restart that did not happen); empty when none is.
    std::string pending;
};

// Chains the menus, outermost first. The first menu with entries is the
// root; each menu's first leads_on entry is replaced by the next menu's
// entries when that menu has any and is of the kind it opens, and stays as
// itself otherwise. An empty or other menu ends the chain. At most kMaxEntries entries.
BootMenu chain(const std::vector<SourceMenu>& menus);

// Carries out the entry's steps as one: every menu plans its writes first,
// and nothing is written unless all can be made; they are made innermost
// first, so that an outer menu only changes once the system behind it is set.
// When a write fails, those already made are undone in reverse. `failure`
// then says what failed and, when an undo failed too, what is still changed.
// A choice passing through a menu that only leads on (the firmware) is
// "through" there when it is for once and "always" when it is for good.
bool choose(const Entry& entry, const Choice& choice, std::string* failure);

// The same for one menu's entry alone.
bool choose(Source& source, const std::string& key, const Choice& choice, std::string* failure);

// Takes back every one-time start pending in these menus, all or nothing as
// a choice is.
bool cancel(const std::vector<Source*>& sources, std::string* failure);

// The environment variable of the dry run: the file that each write of a
// choice is logged to, as the power actions are.
constexpr const char* kDryRunLogVariable = "VORLANE_POWER_LOG";

}  // namespace vorlane::bootmenu
