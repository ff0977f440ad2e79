// UEFI machines on the fake's firmware variables: load options as firmware
// tools write them, and the variables read back.
#pragma once

#include "firmware/load_option.h"
#include "platform/fake/fake_platform.h"
#include "support/test_env.h"

namespace fwfix {

using namespace vorlane;
using firmware::LoadOption;

constexpr std::uint32_t kActive = firmware::kLoadOptionActive;

// A device path list: a hard-disk node, the file, the end.
inline std::string file_path(const std::u16string& file) {
    std::string list("\x04\x01\x2A\x00", 4);
    list += std::string(38, '\x11');
    std::string node;
    for (char16_t c : file + u'\0') node += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    list += {'\x04', '\x04', static_cast<char>(node.size() + 4), '\0'};
    return list + node + std::string("\x7F\xFF\x04\x00", 4);
}
inline const std::string kBootManager = file_path(u"\\EFI\\Microsoft\\Boot\\bootmgfw.efi");
inline const std::string kUsb("\x03\x05\x06\x00\x01\x00\x7F\xFF\x04\x00", 10);

struct Boot {
    std::uint16_t number;
    std::uint32_t attributes;
    std::u16string description;
    std::string paths;
};

inline std::string order_bytes(const std::vector<std::uint16_t>& order) { return firmware::serialise_boot_order(order); }

// A UEFI machine running Windows 10 with these entries.
inline void machine(const std::vector<Boot>& boots, const std::vector<std::uint16_t>& order) {
    testenv::reset();
    fake::set_version(2, 10, 0);
    fake::set_uefi(true);
    for (const Boot& b : boots)
        fake::put_variable("Boot" + firmware::hex4(b.number),
                           firmware::serialise_load_option(LoadOption{b.attributes, b.description, b.paths, ""}));
    if (!order.empty()) fake::put_variable("BootOrder", order_bytes(order));
}

inline const std::vector<Boot> kWindowsUbuntuUsb = {
    {0x0000, kActive, u"Windows Boot Manager", kBootManager},
    {0x0003, kActive, u"ubuntu", file_path(u"\\EFI\\ubuntu\\shimx64.efi")},
    {0x001A, kActive, u"UEFI: SanDisk", kUsb},
};

// A variable's bytes, "(none)" when missing.
inline std::string variable(const std::string& name) {
    std::string data = "(none)";
    fake::get_variable(name, &data);
    return data;
}

}  // namespace fwfix
