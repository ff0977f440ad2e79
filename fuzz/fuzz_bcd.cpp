// A Boot Manager store of any shape through the reader, the chained menu and
// a choice. Input: records, each an object (of six), a slot (one of five
// elements, or its type), a registry type, then the type's four bytes or the
// element's data up to a zero byte, in
// which the bytes 1 to 6 stand for the six objects' GUIDs and 7 for a zero
// (lists are zero-separated). The last byte
// chooses whether bcdedit applies its arguments or writes nothing.
#include "bcd/bcd_source.h"
#include "bootini/boot_ini_source.h"
#include "fuzz/fuzz_support.h"
#include "support/bcd_fixture.h"

using namespace vorlane;

static const char* const kObjects[] = {bcd::kBootManager, bcd::kLegacyLoader, bcdfix::kWin7,
                                       bcdfix::kWin10,    bcdfix::kWin11,     bcdfix::kResume};
static const char* const kElements[] = {"24000001", "24000002", "23000003", "12000004", "24000010"};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    fuzz::make_world("[boot loader]\r\ndefault=b\r\n[operating systems]\r\na=\"XP\"\r\nb=\"2000\"\r\n", "");
    fake::set_version(2, 6, 1);
    const bool writes = size == 0 || (data[size - 1] & 1);
    bcdfix::install_bcdedit(writes ? bcdfix::Bcdedit::applies : bcdfix::Bcdedit::writes_nothing);
    while (!input.empty()) {
        const char* object = kObjects[input.byte() % 6];
        const std::uint8_t slot = input.byte() % 6;
        const std::uint32_t type = input.byte() % 8;
        std::string value;
        if (slot == 5) {  // the object's type: four bytes as they come
            for (int i = 0; i < 4; ++i) value += static_cast<char>(input.byte());
            fake::put_value(bcdfix::key(object, "Description"), "Type", type, value);
            continue;
        }
        for (char c : input.field())
            value += c >= 1 && c <= 6 ? std::string(kObjects[c - 1]) : std::string(1, c == 7 ? '\0' : c);
        bcdfix::element(object, kElements[slot], type, value);
    }

    const std::string boot_ini_path = "C:\\sandbox\\BOOT.INI";
    bcd::BcdSource store(boot_ini_path);
    bootini::BootTable table;
    bootini::load_boot_table(table);
    bootini::BootIniSource boot_ini(table);
    const bootmenu::BootMenu menu = bootmenu::chain({store.menu(), boot_ini.menu()});
    fuzz::require_all_closed();
    REQUIRE(menu.entries.size() <= bootmenu::kMaxEntries);
    REQUIRE(menu.default_index == bootmenu::kNoEntry || menu.default_index < menu.entries.size());
    // Each store entry once, by a GUID that is an object's, never the boot manager itself.
    std::vector<std::string> alone;
    for (const bootmenu::Entry& entry : menu.entries) {
        REQUIRE(!entry.name.empty() && !entry.steps.empty());
        const bootmenu::Step& first = entry.steps.front();
        if (first.source != &store) continue;
        REQUIRE(bcd::guid(first.key) == first.key && first.key != bcd::kBootManager &&
                fake::get_value(bcdfix::key(first.key, "Description"), "Type", nullptr, nullptr));
        if (entry.steps.size() > 1) continue;  // BOOT.INI's, all through the entry that leads on
        REQUIRE(std::find(alone.begin(), alone.end(), first.key) == alone.end());
        alone.push_back(first.key);
    }
    if (menu.entries.empty() || menu.entries[0].steps.front().source != &store) return 0;

    // A one-time choice holds exactly when bcdedit wrote it, and the menu stays as it was.
    const std::vector<std::string> asked{menu.entries[0].steps.front().key};
    const auto sequence = [] { return bcd::read_guids(bcd::kSystemStore, bcd::kBootManager, bcd::kBootSequence); };
    const bool held = sequence() == asked;
    std::string failure;
    const bool chosen = bootmenu::choose(menu.entries[0], bootmenu::Choice{bootmenu::Lasting::once, false, ""}, &failure);
    REQUIRE(chosen == (writes || held) && chosen == failure.empty());
    REQUIRE(!chosen || sequence() == asked);
    const bootmenu::BootMenu again = bootmenu::chain({store.menu(), boot_ini.menu()});
    for (std::size_t i = 0; i < menu.entries.size(); ++i)
        REQUIRE(again.entries.size() == menu.entries.size() && again.entries[i].name == menu.entries[i].name);
    fuzz::require_all_closed();
    return 0;
}
