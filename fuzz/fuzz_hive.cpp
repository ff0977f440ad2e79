// A boot manager store file of any shape, as XP finds it beside BOOT.INI:
// the hive reader, the menu it makes chained to BOOT.INI's, and a choice.
// Input: a mode byte (bit 0: sequence numbers differ, bit 1: a wrong
// checksum, bit 2: minor version 5, bit 3: a padding block after the bins),
// the root cell's offset (4 bytes), then the hive bins, padded here with
// zeros to whole 4,096-byte blocks; the base block is made here around them.
// Seeds: make_hive_seeds.py.
#include "bcd/bcd_source.h"
#include "bootini/boot_ini_source.h"
#include "fuzz/fuzz_support.h"
#include "hive/hive.h"

using namespace vorlane;

namespace {

void put32(std::string& b, std::size_t at, std::uint32_t n) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(n >> (8 * i));
}

std::string hive_file(fuzz::Input& input) {
    const std::uint8_t mode = input.byte();
    std::uint32_t root = 0;
    for (int i = 0; i < 4; ++i) root |= static_cast<std::uint32_t>(input.byte()) << (8 * i);
    std::string bins = input.rest();
    bins.resize((bins.size() + 4095) / 4096 * 4096, '\0');
    std::string b(hive::kBaseBlockBytes, '\0');
    b.replace(0, 4, "regf");
    put32(b, 4, 7), put32(b, 8, mode & 1 ? 8 : 7);
    put32(b, 0x14, 1), put32(b, 0x18, mode & 4 ? 5 : 3), put32(b, 0x1C, 0), put32(b, 0x20, 1);
    put32(b, 0x24, root), put32(b, 0x28, static_cast<std::uint32_t>(bins.size()));
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4)
        sum ^= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
    put32(b, 0x1FC, (sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum) ^ (mode & 2 ? 0x100 : 0));
    return b + bins + std::string(mode & 8 ? 4096 : 0, '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string file = hive_file(input);
    fuzz::make_world("[boot loader]\r\ndefault=b\r\n[operating systems]\r\na=\"XP\"\r\nb=\"2000\"\r\n", "");
    fake::set_version(2, 5, 1);
    fake::put_file("C:\\Boot\\BCD", file);

    hive::Hive parsed;
    const bool read = hive::read(file, &parsed) == hive::Refusal::none;
    REQUIRE(read != parsed.keys.empty());
    for (const hive::Key& key : parsed.keys)
        for (std::size_t child : key.subkeys) REQUIRE(child > 0 && child < parsed.keys.size());

    bootini::BootTable table;
    bootini::load_boot_table(table);
    bcd::BcdSource store(table.path);
    bootini::BootIniSource boot_ini(table);
    const bootmenu::BootMenu menu = bootmenu::chain({store.menu(), boot_ini.menu()});
    REQUIRE(menu.entries.size() <= bootmenu::kMaxEntries && !menu.entries.empty());
    REQUIRE(menu.default_index == bootmenu::kNoEntry || menu.default_index < menu.entries.size());
    // A refused hive yields no entries of its own; a read one only entries of its display order.
    const std::vector<std::string> order =
        read ? bcd::read_guids(bcd::FileStore(parsed), bcd::kBootManager, bcd::kDisplayOrder)
             : std::vector<std::string>();
    bool any = false;
    for (const bootmenu::Entry& entry : menu.entries) {
        REQUIRE(!entry.steps.empty());
        const bootmenu::Step& first = entry.steps.front();
        if (first.source != &store) continue;
        any = true;
        REQUIRE(std::find(order.begin(), order.end(), first.key) != order.end());
    }
    REQUIRE(store.from_file() == any && any == menu.notices.empty());

    // A choice never writes the store and runs nothing; it says why when it does not go ahead.
    const bootmenu::Entry& chosen = menu.entries.back();
    std::string failure;
    const bool made = bootmenu::choose(chosen, bootmenu::Choice{bootmenu::Lasting::once, false, chosen.name}, &failure);
    REQUIRE(made == failure.empty());
    REQUIRE(fuzz::file("C:\\Boot\\BCD") == file && fake::programs().runs.empty());
    fuzz::require_all_closed();
    return 0;
}
