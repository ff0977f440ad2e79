// Chaining the boot menus a machine shows in turn, and carrying out a choice.
#include "bootmenu/boot_menu.h"
#include "support/check.h"

using namespace vorlane::bootmenu;
using Lines = std::vector<std::string>;

namespace {

// Plans one write per choice, logged as "name key lasting" when made and
// "undo name key" when undone; refuses to plan, make or undo the keys it is told to.
struct Recorder final : Source {
    std::string name;
    Lines* log;
    std::string refused, fails, sticks;
    Recorder(std::string n, Lines* l) : name(std::move(n)), log(l) {}
    bool plan(const std::string& key, const Choice& choice, std::vector<Change>* changes, std::string* failure) override {
        const char* how[] = {"once", "always", "through"};
        if (key == refused) return *failure = name + " refused", false;
        const std::string made = name + " " + key + " " + how[static_cast<int>(choice.lasting)];
        changes->push_back({name + "'s " + key,
                            [this, key, made](std::string* why) {
                                if (key == fails) return *why = name + " failed", false;
                                return log->push_back(made), true;
                            },
                            [this, key](std::string*) { return log->push_back("undo " + name + " " + key), key != sticks; }});
        return true;
    }
    void plan_cancel(std::vector<Change>* changes) override {
        changes->push_back({name + "'s pending", [this](std::string*) { return log->push_back("cancel " + name), true; },
                            [](std::string*) { return true; }});
    }
};

SourceMenu menu_of(Recorder& source, Lines names, std::size_t bold, std::size_t leads_on = kNoEntry) {
    SourceMenu menu;
    menu.source = &source;
    for (std::size_t i = 0; i < names.size(); ++i)
        menu.entries.push_back(SourceEntry{names[i], "k" + names[i], i == leads_on});
    menu.default_index = bold;
    menu.default_name = bold < names.size() ? names[bold] : "";
    return menu;
}

Lines names(const BootMenu& menu) {
    Lines out;
    for (const Entry& e : menu.entries) out.push_back(e.name);
    return out;
}

}  // namespace

TEST_CASE("boot menu: the chain replaces the entry that leads on, carries the bold, and ends at an empty menu") {
    Lines log;
    Recorder fw("fw", &log), bcd("bcd", &log), ini("ini", &log);
    SourceMenu firmware = menu_of(fw, {"Ubuntu", "Windows Boot Manager", "USB"}, 1, 1);
    firmware.pass_through = true;
    const SourceMenu store = menu_of(bcd, {"Windows 7", "Earlier Version of Windows"}, 1, 1);
    const SourceMenu boot_ini = menu_of(ini, {"XP", "2000"}, 0);

    BootMenu m = chain({firmware, store, boot_ini});
    CHECK_EQ(names(m), (Lines{"Ubuntu", "Windows 7", "XP", "2000", "USB"}));
    CHECK(m.default_index == 2u && m.default_name == "XP");

    // Choosing writes innermost first, the firmware passing through for once
    // and lasting for good; a refusal writes nothing, a failure undoes what was made.
    const Lines xp_once{"ini kXP once", "bcd kEarlier Version of Windows once", "fw kWindows Boot Manager through"};
    struct Row { Lasting lasting; std::string refused, fails, sticks; Lines log; const char* failure; } rows[] = {
        {Lasting::once, "", "", "", xp_once, ""},
        {Lasting::always, "", "", "", {"ini kXP always", "bcd kEarlier Version of Windows always",
                                       "fw kWindows Boot Manager always"}, ""},
        {Lasting::once, "kEarlier Version of Windows", "", "", {}, "bcd refused"},
        {Lasting::once, "", "kWindows Boot Manager", "", {"ini kXP once", "bcd kEarlier Version of Windows once",
         "undo bcd kEarlier Version of Windows", "undo ini kXP"}, "fw failed"},
        {Lasting::once, "", "kWindows Boot Manager", "kXP", {"ini kXP once", "bcd kEarlier Version of Windows once",
         "undo bcd kEarlier Version of Windows", "undo ini kXP"},
         "fw failed\n\nThese could not be put back, and are still changed:\n- ini's kXP"},
    };
    for (const Row& row : rows) {
        log.clear();
        bcd.refused = row.refused, fw.fails = row.fails, ini.sticks = row.sticks;
        std::string failure;
        CHECK_MSG(choose(m.entries[2], Choice{row.lasting, false, "XP"}, &failure) == !*row.failure &&
                  log == row.log && failure == row.failure, failure + check::show(log));
    }

    // A boot manager whose default is none of its entries: the tooltip never
    // names the firmware's entry it replaced, which is not in the menu.
    SourceMenu no_default = store;
    no_default.default_index = kNoEntry;
    no_default.default_name.clear();
    m = chain({firmware, no_default, boot_ini});
    CHECK(m.default_index == kNoEntry && m.default_name.empty());
    // The pending one-time start is named where the next boot's way ends: the
    // firmware's BootNext to the boot manager, whose default leads on to BOOT.INI.
    firmware.next_index = 1;
    m = chain({firmware, store, boot_ini});
    CHECK(m.pending == "XP" && !m.refused && !m.entries[0].elevate);
    SourceMenu sequence = store;
    sequence.next_index = 0;
    CHECK_EQ(chain({firmware, sequence, boot_ini}).pending, "Windows 7");
    firmware.next_index = kNoEntry;
    CHECK(chain({firmware, store, boot_ini}).pending.empty());
    // A refused firmware: every entry behind it needs an elevated copy; a
    // refused boot manager behind a readable firmware leaves its entry as it is.
    SourceMenu refused;
    refused.refused = true;
    refused.notice = "hidden";
    m = chain({refused, store, boot_ini});
    CHECK(m.refused && m.entries.size() == 3u && m.entries[0].elevate && m.notices == Lines{"hidden"});
    m = chain({firmware, refused, boot_ini});
    CHECK(m.refused && names(m) == (Lines{"Ubuntu", "Windows Boot Manager", "USB"}) && !m.entries[1].elevate);
    std::string why;
    log.clear();
    CHECK(cancel({&fw, &ini}, &why) && log == (Lines{"cancel fw", "cancel ini"}));
    // A default outside the way on is the outer one; an empty middle menu ends the chain there.
    firmware.default_index = 0;
    firmware.default_name = "Ubuntu";
    m = chain({firmware, store, boot_ini});
    CHECK(m.default_index == 0u && m.default_name == "Ubuntu");
    m = chain({firmware, SourceMenu(), boot_ini});
    CHECK_EQ(names(m), (Lines{"Ubuntu", "Windows Boot Manager", "USB"}));
    // The firmware's boot manager entry never opens BOOT.INI, which needs a BIOS boot.
    firmware.opens = MenuKind::boot_manager;
    SourceMenu ini_kind = boot_ini;
    ini_kind.kind = MenuKind::boot_ini;
    CHECK_EQ(names(chain({firmware, ini_kind})), (Lines{"Ubuntu", "Windows Boot Manager", "USB"}));
    CHECK_EQ(names(chain({firmware, store, ini_kind})), (Lines{"Ubuntu", "Windows 7", "XP", "2000", "USB"}));
    // Without the outer menus, the inner one is the root; with none, nothing is listed.
    m = chain({SourceMenu(), SourceMenu(), boot_ini});
    CHECK(names(m) == (Lines{"XP", "2000"}) && m.default_index == 0u && m.entries[0].steps.size() == 1u);
    m = chain({SourceMenu(), store, SourceMenu()});
    CHECK(names(m) == (Lines{"Windows 7", "Earlier Version of Windows"}) && m.default_name == "Earlier Version of Windows");
    CHECK(chain({}).entries.empty());

    SourceMenu huge = menu_of(ini, Lines(kMaxEntries + 5, "x"), kMaxEntries + 2);
    m = chain({huge});
    CHECK(m.entries.size() == kMaxEntries && m.default_index == kNoEntry);
}
