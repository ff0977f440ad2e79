// Shared by the menu's entry commands and the command line's -r.
#pragma once

#include <cstddef>

#include "shell/app.h"

namespace vorlane::shell {

// Makes entry `index` of the boot menu the one that starts: for good with
// `shift` or with Maintain default off, else for the next boot only (BOOT.INI
// through the maintained default). When anything could not be written, says
// so in a message box (the computer is then not restarted) and returns false.
bool switch_default(App& app, std::size_t index, bool shift = false);

}  // namespace vorlane::shell
