// Numbers in the registry's and BOOT.INI's texts are read as atoi reads them.
#pragma once

#include <cstdint>
#include <string>

namespace vorlane::settings {

// Leading white space, an optional sign, then decimal digits up to the first
// other character; no digits give 0. Saturates at the 32-bit range instead
// of overflowing.
std::int32_t leading_int(const std::string& text);

}  // namespace vorlane::settings
