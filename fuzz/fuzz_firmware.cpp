// Feeds arbitrary bytes as a load option and as BootOrder, then as the
// variables of a UEFI machine whose menu is read and whose entries are chosen.
// A load option read and written back is the same bytes; a rewritten
// BootOrder is a permutation of the old one, nothing lost or duplicated.
#include <algorithm>

#include "firmware/firmware_source.h"
#include "firmware/load_option.h"
#include "fuzz/fuzz_support.h"

using namespace vorlane;

namespace {

std::vector<std::uint16_t> order_of(const std::string& name) {
    std::string bytes;
    std::vector<std::uint16_t> order;
    if (fake::get_variable(name, &bytes)) REQUIRE(firmware::parse_boot_order(bytes, &order));
    return order;
}

bool same_entries(std::vector<std::uint16_t> a, std::vector<std::uint16_t> b) {
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string whole(reinterpret_cast<const char*>(data), size);
    firmware::LoadOption option;
    if (firmware::parse_load_option(whole, &option)) {
        REQUIRE(firmware::serialise_load_option(option) == whole);
        firmware::starts_windows_boot_manager(option.file_paths);
    }
    std::vector<std::uint16_t> order;
    if (firmware::parse_boot_order(whole, &order)) {
        REQUIRE(firmware::serialise_boot_order(order) == whole);
        const auto moved = firmware::moved_to_front(order, order.back());
        REQUIRE(moved.front() == order.back() && same_entries(moved, order));
    }

    // A machine: records of a two-byte length and that many bytes, the first
    // BootOrder, each further one a Boot#### variable whose number is its
    // first two bytes; the input's first byte chooses the faults.
    fuzz::Input input(data, size);
    const std::uint8_t faults = input.byte();
    testenv::reset();
    fake::set_version(2, 10, 0);
    fake::set_uefi(true);
    const auto record = [&input]() {
        std::size_t length = input.byte();
        length |= std::size_t{input.byte()} << 8;
        std::string bytes;
        while (bytes.size() < length && !input.empty()) bytes += static_cast<char>(input.byte());
        return bytes;
    };
    const std::string boot_order = record();
    if (!boot_order.empty()) fake::put_variable("BootOrder", boot_order);
    while (!input.empty()) {
        const std::string variable = record();
        if (variable.size() < 3) continue;
        const auto number = static_cast<std::uint16_t>(static_cast<std::uint8_t>(variable[0]) |
                                                       static_cast<std::uint8_t>(variable[1]) << 8);
        fake::put_variable("Boot" + firmware::hex4(number), variable.substr(2));
    }
    firmware::FirmwareSource source;
    const bootmenu::SourceMenu menu = source.menu();
    REQUIRE(menu.entries.size() <= firmware::kMaxBootOrder);
    if (menu.entries.empty()) return 0;
    const std::vector<std::uint16_t> before = order_of("BootOrder");
    for (std::size_t i = 0; i < menu.entries.size() && i < 4; ++i) {
        if (faults & 1) fake::fail(fake::Op::firmware_set);
        if (faults & 2) fake::next_variable_write_keeps(boot_order.substr(0, 3));
        std::string failure, next_before, next_after;
        fake::get_variable("BootNext", &next_before);
        const std::vector<std::uint16_t> order_before = order_of("BootOrder");
        const auto lasting = static_cast<bootmenu::Lasting>((faults >> 2) % 3);
        const bool chosen = bootmenu::choose(source, menu.entries[i].key, bootmenu::Choice{lasting, false, ""}, &failure);
        REQUIRE(chosen == failure.empty());
        fake::disarm();
        const std::vector<std::uint16_t> after = order_of("BootOrder");
        REQUIRE(same_entries(after, before));
        // All or nothing: a failed choice that names nothing still changed changed nothing.
        fake::get_variable("BootNext", &next_after);
        if (!chosen && failure.find("still changed") == std::string::npos)
            REQUIRE(after == order_before && next_after == next_before);
        std::uint16_t number = 0;
        REQUIRE(firmware::parse_hex4(menu.entries[i].key, &number));
        if (chosen && lasting == bootmenu::Lasting::always) REQUIRE(after.front() == number);
    }
    return 0;
}
