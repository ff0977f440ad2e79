// The UEFI boot variables as bytes: an EFI_LOAD_OPTION (a Boot#### variable)
// and BootOrder, a list of entry numbers. The parsers are total: every length
// is checked against what remains, and a bad record is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::firmware {

constexpr std::uint32_t kLoadOptionActive = 0x1;
constexpr std::uint32_t kLoadOptionHidden = 0x8;
constexpr std::uint32_t kLoadOptionCategory = 0x1F00;
constexpr std::uint32_t kCategoryBoot = 0x0;

// More entries than one menu can list is no boot order a firmware keeps.
constexpr std::size_t kMaxBootOrder = 1024;

struct LoadOption {
    std::uint32_t attributes = 0;
    std::u16string description;  // without its terminating zero
    std::string file_paths;      // the device path list, as stored
    std::string optional_data;   // whatever follows it
};

// False, leaving `option` alone, unless `bytes` holds a whole load option:
// at least the fixed header, a description that ends in a zero before the
// device path list, and a list that ends within the bytes.
bool parse_load_option(const std::string& bytes, LoadOption* option);
std::string serialise_load_option(const LoadOption& option);

// Whether one of the device paths names the Windows Boot Manager's file,
// \EFI\Microsoft\Boot\bootmgfw.efi in any case. The description is no guide:
// Windows writes it in the language it was set up in.
bool starts_windows_boot_manager(const std::string& file_paths);

// False unless `bytes` is an even number of bytes, one to kMaxBootOrder
// entries, none twice.
bool parse_boot_order(const std::string& bytes, std::vector<std::uint16_t>* order);
std::string serialise_boot_order(const std::vector<std::uint16_t>& order);
// `order` with `number` first and every other entry kept, in order.
std::vector<std::uint16_t> moved_to_front(const std::vector<std::uint16_t>& order, std::uint16_t number);

// "0003": an entry's number as four upper-case hex digits, as in Boot0003.
std::string hex4(std::uint16_t number);
// False unless `text` is exactly four hex digits.
bool parse_hex4(const std::string& text, std::uint16_t* number);

}  // namespace vorlane::firmware
