// The firmware's boot menu on the fake's UEFI variables: what is listed, what
// is refused, and what each choice writes. Native only: no test here runs
// real firmware, and under Wine every firmware call fails as on legacy BIOS.
#include "firmware/firmware_source.h"
#include "support/check.h"
#include "support/firmware_fixture.h"

using namespace vorlane;
using namespace fwfix;
using Lines = std::vector<std::string>;

namespace {

// "name" per entry, "name>" where it leads on, "*" on the bold one.
Lines listed(const bootmenu::SourceMenu& menu) {
    Lines out;
    for (std::size_t i = 0; i < menu.entries.size(); ++i)
        out.push_back(menu.entries[i].name + (menu.entries[i].leads_on ? ">" : "") + (i == menu.default_index ? "*" : ""));
    return out;
}



}  // namespace

TEST_CASE("firmware menu: BootOrder order, only what the firmware's own menu shows; bad data refused") {
    const std::string odd = order_bytes({0, 3}) + "\x01";
    std::vector<std::uint16_t> longest;
    for (std::uint16_t n = 0; n < 1024; ++n) longest.push_back(n);
    struct Row {
        const char* name;
        std::vector<Boot> boots;
        std::vector<std::uint16_t> order;
        Lines expected;
        std::string raw_order = "";  // written over BootOrder when set
    } rows[] = {
        {"Windows + Ubuntu", {kWindowsUbuntuUsb[0], kWindowsUbuntuUsb[1]}, {3, 0}, {"ubuntu*", "Windows Boot Manager>"}},
        {"three, one a USB disk", kWindowsUbuntuUsb, {0, 3, 0x1A}, {"Windows Boot Manager>*", "ubuntu", "UEFI: SanDisk"}},
        // The first active entry is the default even when hidden; inactive ones the firmware passes by.
        {"hidden, inactive, application",
         {{5, 0, u"Old disk", kUsb}, {2, kActive | firmware::kLoadOptionHidden, u"Recovery", kUsb},
          {4, kActive | 0x100, u"UEFI Shell", kUsb}, kWindowsUbuntuUsb[1]},
         {5, 2, 4, 3}, {"ubuntu"}},
        // Known by its file, in any case and with either slash, not by its translated name.
        {"boot manager by path",
         {{1, kActive, u"Windows-Start-Manager", file_path(u"efi/MICROSOFT/boot/BOOTMGFW.EFI")},
          {2, kActive, u"Windows Boot Manager", file_path(u"\\EFI\\Boot\\bootx64.efi")},
          {3, kActive, u"Ubuntu \u00DC\U0001F600", kUsb}, {4, kActive, u"", kBootManager}},
         {2, 1, 3, 4}, {"Windows Boot Manager*", "Windows-Start-Manager>", "Ubuntu ??", "Boot0004"}},
        // The boot manager's file in a second instance of the path, after another node or another file.
        {"second instance", {{1, kActive, u"Two", std::string("\x03\x05\x06\x00\x01\x00\x7F\x01\x04\x00", 10) + kBootManager}},
         {1}, {"Two>*"}},
        {"second instance, after a file", {{1, kActive, u"Two", std::string("\x04\x04\x08\x00x\x00\x00\x00\x7F\x01\x04\x00", 12) + kBootManager}},
         {1}, {"Two>*"}},
        {"missing and malformed entries left out",
         {kWindowsUbuntuUsb[0]}, {0, 6, 7, 8, 9, 3}, {"Windows Boot Manager>*"}},
        {"no path at all", {{1, kActive, u"Empty", ""}}, {1}, {"Empty*"}},
        {"a node shorter than its header", {{1, kActive, u"Short", std::string("\x7F\xFF\x02\x00", 4)}}, {1}, {"Short*"}},
        {"1,024 entries", {{1023, kActive, u"last", kUsb}}, longest, {"last*"}},
        {"BootOrder of odd length", kWindowsUbuntuUsb, {0}, {}, odd},
        {"BootOrder with a duplicate", kWindowsUbuntuUsb, {0}, {}, order_bytes({3, 0, 3})},
        {"BootOrder too long", kWindowsUbuntuUsb, {0}, {}, order_bytes(std::vector<std::uint16_t>(1025, 0))},
        {"no BootOrder", kWindowsUbuntuUsb, {}, {}},
    };
    for (const Row& row : rows) {
        machine(row.boots, row.order);
        fake::put_variable("Boot0007", std::string("\x01\x00\x00\x00\x00", 5));  // shorter than the header
        fake::put_variable("Boot0008", std::string("\x01\x00\x00\x00\x00\x00n\x00o\x00", 10));
        fake::put_variable("Boot0009", std::string("\x01\x00\x00\x00\x09\x00x\x00\x00\x00\x7F\xFF\x04\x00", 14));
        if (!row.raw_order.empty()) fake::put_variable("BootOrder", row.raw_order);
        firmware::FirmwareSource source;
        const bootmenu::SourceMenu menu = source.menu();
        CHECK_MSG(listed(menu) == row.expected, row.name + check::show(listed(menu)));
        CHECK_MSG(menu.pass_through && menu.opens == bootmenu::MenuKind::boot_manager, row.name);
        CHECK_MSG(menu.default_name == (menu.default_index < menu.entries.size() ? menu.entries[menu.default_index].name : ""), row.name);
    }

    // A menu's key is four capital hex digits, every one of them.
    std::uint16_t number = 0;
    CHECK(firmware::parse_hex4("09AF", &number) && number == 0x09AF && !firmware::parse_hex4("09af", &number) &&
          !firmware::parse_hex4("9AF", &number) && !firmware::parse_hex4("09AG", &number));
    // Nothing on legacy BIOS (the fake's default, and Wine's), nor before Vista on UEFI.
    machine(kWindowsUbuntuUsb, {0, 3});
    firmware::FirmwareSource source;
    fake::set_version(2, 5, 1);
    CHECK(source.menu().entries.empty());
    fake::set_version(2, 6, 0);
    CHECK(source.menu().entries.size() == 2);
    fake::set_uefi(false);
    CHECK(source.menu().entries.empty());
}

TEST_CASE("firmware choice: BootNext once, BootOrder always, passing through; refused and garbled writes undone") {
    const std::string none = "(none)";
    enum Fault { no_fault, refuse_writes, keep_other, order_gone, moved, moved_reloaded };
    struct Row {
        const char* key;
        bootmenu::Lasting lasting;
        std::string pending_next;  // BootNext before the choice
        Fault fault;
        std::vector<std::uint16_t> order_after;
        std::string next_after;
        const char* failure;  // contained in the text; "" when it succeeds
    } rows[] = {
        {"0003", bootmenu::Lasting::once, none, no_fault, {0, 3, 0x1A}, order_bytes({3}), ""},
        {"001A", bootmenu::Lasting::always, none, no_fault, {0x1A, 0, 3}, none, ""},
        {"0000", bootmenu::Lasting::always, order_bytes({0}), no_fault, {0, 3, 0x1A}, order_bytes({0}), ""},
        {"0000", bootmenu::Lasting::once, none, no_fault, {0, 3, 0x1A}, order_bytes({0}), ""},
        {"0000", bootmenu::Lasting::through, none, no_fault, {0, 3, 0x1A}, none, ""},
        {"0000", bootmenu::Lasting::through, order_bytes({3}), no_fault, {0, 3, 0x1A}, order_bytes({0}), ""},
        {"0003", bootmenu::Lasting::through, none, no_fault, {0, 3, 0x1A}, order_bytes({3}), ""},
        {"0003", bootmenu::Lasting::once, std::string("\x1A\x00\x00", 3), no_fault, {0, 3, 0x1A}, order_bytes({3}), ""},
        {"0003", bootmenu::Lasting::always, none, refuse_writes, {0, 3, 0x1A}, none,
         "write the firmware's boot setting\n'BootOrder'.\n\nAccess is denied."},
        {"0003", bootmenu::Lasting::once, none, refuse_writes, {0, 3, 0x1A}, none, "'BootNext'.\n\nAccess is denied."},
        {"0003", bootmenu::Lasting::once, none, keep_other, {0, 3, 0x1A}, none, "kept another value"},
        {"0003", bootmenu::Lasting::always, none, keep_other, {0, 3, 0x1A}, none, "'BootOrder'.\n\nThe firmware kept"},
        {"0003", bootmenu::Lasting::once, order_bytes({0x1A}), keep_other, {0, 3, 0x1A}, order_bytes({0x1A}), "kept"},
        {"0005", bootmenu::Lasting::once, none, no_fault, {0, 3, 0x1A}, none, "No such entry."},
        {"0003", bootmenu::Lasting::always, none, order_gone, {}, none, "read the firmware's boot setting\n'BootOrder'"},
        // Boot0003 now starts another file under the same name: refused, until the menu is read again.
        {"0003", bootmenu::Lasting::once, none, moved, {0, 3, 0x1A}, none, "no longer \"x\""},
        {"0003", bootmenu::Lasting::once, none, moved_reloaded, {0, 3, 0x1A}, order_bytes({3}), ""},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(row.key) + " " + std::to_string(static_cast<int>(row.lasting)) + " " +
                                 std::to_string(row.fault) + " " + row.failure;
        machine(kWindowsUbuntuUsb, {0, 3, 0x1A});
        if (row.pending_next != none) fake::put_variable("BootNext", row.pending_next);
        firmware::FirmwareSource source;
        source.menu();
        if (row.fault == refuse_writes) fake::fail(fake::Op::firmware_set);
        if (row.fault == keep_other) fake::next_variable_write_keeps(order_bytes({0x1A, 1}));
        if (row.fault == order_gone) fake::put_variable("BootOrder", "\x01");
        if (row.fault == moved || row.fault == moved_reloaded)
            fake::put_variable("Boot0003", firmware::serialise_load_option({kActive, u"ubuntu", kUsb, ""}));
        if (row.fault == moved_reloaded) source.menu();
        std::string failure;
        const bool ok = bootmenu::choose(source, row.key, bootmenu::Choice{row.lasting, false, "x"}, &failure);
        CHECK_MSG(ok == (*row.failure == '\0') && failure.find(row.failure) != std::string::npos, name + failure);
        if (row.fault != order_gone) CHECK_MSG(variable("BootOrder") == order_bytes(row.order_after), name);
        CHECK_MSG(variable("BootNext") == row.next_after, name);
    }
}
