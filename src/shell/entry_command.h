// Shared by the menu's entry commands and the command line's -r.
#pragma once

#include <cstddef>

#include "shell/app.h"

namespace vorlane::shell {

// Saves the maintained default, then makes entry `index` the default. When
// BOOT.INI could not be written, says so in a message box (the computer is
// then not restarted) and returns false.
bool switch_default(App& app, std::size_t index);

}  // namespace vorlane::shell
