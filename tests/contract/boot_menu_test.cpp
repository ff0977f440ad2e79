// Chaining the boot menus a machine shows in turn, and carrying out a choice.
#include "bootmenu/boot_menu.h"
#include "support/check.h"

using namespace vorlane::bootmenu;
using Lines = std::vector<std::string>;

namespace {

// Records each choice as "name key lasting"; refuses the keys it is told to.
struct Recorder final : Source {
    std::string name;
    Lines* log;
    std::string refused;
    Recorder(std::string n, Lines* l) : name(std::move(n)), log(l) {}
    bool choose(const std::string& key, Lasting lasting, std::string* failure) override {
        const char* how[] = {"once", "always", "through"};
        log->push_back(name + " " + key + " " + how[static_cast<int>(lasting)]);
        if (key != refused) return true;
        *failure = name + " refused";
        return false;
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

    // Choosing runs innermost first, the firmware only passing through, and stops at a refusal.
    std::string failure;
    CHECK(choose(m.entries[2], Lasting::once, &failure));
    CHECK_EQ(log, (Lines{"ini kXP once", "bcd kEarlier Version of Windows once", "fw kWindows Boot Manager through"}));
    log.clear();
    bcd.refused = "kWindows 7";
    CHECK(!choose(m.entries[1], Lasting::always, &failure) && failure == "bcd refused");
    CHECK_EQ(log, Lines{"bcd kWindows 7 always"});

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
