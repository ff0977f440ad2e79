// Chaining the boot menus a machine shows in turn: which menu an entry leads on to,
// and the cap on a chain's length. Choices through a chain: the choice tables.
#include "bootmenu/boot_menu.h"
#include "support/check.h"

using namespace vorlane::bootmenu;
using Lines = std::vector<std::string>;

namespace {

SourceMenu menu_of(Lines names, std::size_t bold, std::size_t leads_on, MenuKind kind, MenuKind opens) {
    SourceMenu menu;
    for (std::size_t i = 0; i < names.size(); ++i) menu.entries.push_back(SourceEntry{names[i], names[i], i == leads_on});
    menu.default_index = bold;
    menu.default_name = bold < names.size() ? names[bold] : "";
    menu.kind = kind;
    menu.opens = opens;
    return menu;
}

Lines names(const BootMenu& menu) {
    Lines out;
    for (const Entry& e : menu.entries) out.push_back(e.name);
    return out;
}

}  // namespace

TEST_CASE("boot menu: an entry leads on only into the kind of menu it opens; a chain holds kMaxEntries") {
    using K = MenuKind;
    const Lines kept{"Ubuntu", "Windows Boot Manager"}, replaced{"Ubuntu", "XP", "2000"};
    // The firmware's boot manager entry never opens BOOT.INI, which needs a BIOS boot.
    const struct { K opens, next; Lines names; } rows[] = {
        {K::boot_manager, K::boot_ini, kept}, {K::boot_manager, K::unnamed, replaced},
        {K::unnamed, K::boot_ini, replaced}, {K::boot_manager, K::boot_manager, replaced},
    };
    for (const auto& r : rows) {
        const BootMenu m = chain({menu_of({"Ubuntu", "Windows Boot Manager"}, 1, 1, K::unnamed, r.opens),
                                  menu_of({"XP", "2000"}, 0, kNoEntry, r.next, K::unnamed)});
        CHECK_EQ(names(m), r.names);
    }
    const BootMenu m = chain({menu_of(Lines(kMaxEntries + 5, "x"), kMaxEntries + 2, kNoEntry, K::unnamed, K::unnamed)});
    CHECK(m.entries.size() == kMaxEntries && m.default_index == kNoEntry);
}
