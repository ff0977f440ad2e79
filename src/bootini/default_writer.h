// Makes one boot entry the boot loader's default: every default line of
// BOOT.INI is rewritten to name the entry's ARC path and the file is replaced
// as a whole, keeping its attributes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bootini/boot_table.h"
#include "bootini/text_file.h"

namespace vorlane::bootini {

// A rewritten line "default=<arc path>\n" must fit in one table line.
constexpr std::size_t kMaxDefaultArcPath = kLineChars - 9;

// Error code given for an entry that cannot be made the default at all
// (ERROR_INVALID_DATA).
constexpr std::uint32_t kErrorInvalidData = 13;
// Codes of our own (bit 29: an application's): the file has no default line
// to change, or no longer lists the entry's ARC path under [operating systems].
constexpr std::uint32_t kErrorNoDefaultLine = 0x20000011;
constexpr std::uint32_t kErrorEntryGone = 0x20000012;

// Makes entry `index` of the table the default of the file the table was
// loaded from. The file is read again first, so that what others changed in
// it since the load (the time-out, entries added or moved) stays: only its
// default lines change, and only when they do not name the entry already.
// True when BOOT.INI now names the entry; the table's lines are then the
// file's. On failure the file and the table are as they were and `error`
// receives the system's error code or one of ours above. The entries and the
// current default name are never refreshed: callers either restart or load
// the table again.
bool set_default_entry(BootTable& table, std::size_t index, std::uint32_t* error = nullptr);

// Why set_default_entry failed, in a sentence for a message.
std::string default_error_text(const BootTable& table, std::uint32_t code);

}  // namespace vorlane::bootini
