// The -i switch: the boot-loader set-up with the shell's file browser.
#include "bootini/boot_loader_setup.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {

void boot_loader_setup() {
    constexpr int kWhichBootIni = 1;
    bootini::boot_loader_setup(g_app.table, [](const std::string& prompt, std::string& path) {
        browse_for_file(prompt.c_str(), path, kWhichBootIni);
    });
}

}  // namespace vorlane::shell
