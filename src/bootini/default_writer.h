// Makes one boot entry the boot loader's default: every default line of
// BOOT.INI is rewritten to name the entry's ARC path and the file is replaced
// as a whole, keeping its attributes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bootini/boot_table.h"
#include "bootini/text_file.h"

namespace vorlane::bootini {

// A rewritten line "default=<arc path>\n" must fit in one table line.
constexpr std::size_t kMaxDefaultArcPath = kLineChars - 9;

// Error code given for an entry that cannot be made the default at all
// (ERROR_INVALID_DATA).
constexpr std::uint32_t kErrorInvalidData = 13;

// True when BOOT.INI now names the entry. On failure the file and the table's
// lines are as they were and `error` receives the system's error code. The
// entries and the current default name are never refreshed: callers either
// restart or load the table again.
bool set_default_entry(BootTable& table, std::size_t index, std::uint32_t* error = nullptr);

}  // namespace vorlane::bootini
