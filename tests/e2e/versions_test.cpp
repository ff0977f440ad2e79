// vorlane.exe under each Windows version that Wine can pretend to be (VORLANE_TEST_VERSIONS): the
// platform's shut-down flags, a locked BOOT.INI rewritten, tray mode, a preference's stored bytes,
// and the tooltip's layout (from shell_gui_test --tooltip, named by VORLANE_TEST_TOOLTIPS).
#include <cstdlib>
#include <sstream>

#include "e2e/e2e_support.h"
#include "shell/shell_win32.h"

namespace {

TEST_CASE("versions: flags, rewrite, tray, stored texts and tooltip under each Windows version") {
    const char* list = std::getenv("VORLANE_TEST_VERSIONS");
    std::istringstream versions(list ? list : "win98 winme nt40 win2k winxp win2003 win7 win10");
    const std::string name = "Microsoft Windows XP Professional", tips = std::getenv("VORLANE_TEST_TOOLTIPS") ? std::getenv("VORLANE_TEST_TOOLTIPS") : "";
    int runs = 0;
    for (std::string windows; versions >> windows; ++runs) {
        e2e::set_windows(windows.c_str());
        const bool nine_x = windows == "win98" || windows == "winme";
        const bool new_shell = windows == "winme" || windows == "winxp" || windows == "win2003";

        // -s, then -r: the platform's shut-down flags, and BOOT.INI rewritten whole, still locked, nothing left beside it.
        e2e::World world = e2e::make_world(e2e::boot_ini(3), e2e::kLocked);
        const e2e::Ended s = e2e::run("-s"), r = e2e::run("-r 2000");
        CHECK_MSG(s.ended && s.boxes.empty() && r.boxes.empty() && e2e::power(world) == "ExitWindowsEx flags=" +
                      std::string(nine_x ? "9" : "8") + "\r\n" + e2e::kRestart, windows);
        CHECK_MSG(e2e::read(world.boot_ini) == e2e::boot_ini(2), windows);
        CHECK_MSG((GetFileAttributesA(world.boot_ini.c_str()) & e2e::kLocked) == e2e::kLocked, windows);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((world.boot_ini.substr(0, world.boot_ini.size() - 8) + "*.*").c_str(), &found);
        std::string files;  // beside BOOT.INI, VORLANE.INI and power.log
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files += std::string(found.cFileName) + " ";
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        CHECK_MSG(std::count(files.begin(), files.end(), ' ') == 3, windows + ": " + files);

        // A preference written as the program writes every value: exactly its
        // text on NT; on 98 and Me, which store a text up to its zero, that zero too.
        e2e::set_setting("MaintainDefault", "False");  // the program writes only values that exist
        e2e::Child tray = e2e::start("");
        CHECK_MSG(tray.main != nullptr, windows + ": no tray mode");
        SendMessageA(tray.main, WM_COMMAND, ID_MAINTAIN_DEFAULT, 0);
        const std::string stored = e2e::get_value(HKEY_CURRENT_USER, e2e::kSettings, "MaintainDefault");
        CHECK_MSG(stored == (nine_x ? std::string("True", 5) : "True"), windows + ": " + check::show(stored));
        const e2e::Ended x = e2e::run("-x");
        CHECK_MSG(x.ended && !x.tray && WaitForSingleObject(tray.info.hProcess, 10000) == WAIT_OBJECT_0, windows);
        e2e::wait(tray);

        e2e::Child child = e2e::start("--tooltip \"" + world.power_log + ".tip\"", false, e2e::windows_path(tips));
        CHECK_MSG(e2e::wait(child).code == 0 && e2e::read(world.power_log + ".tip") ==
                      (new_shell ? name + "\nDouble-click disabled" : name + " (Double-click disabled)"), windows);
        std::printf("versions: %s vorlane.exe as %s: checked\n", sizeof(void*) == 8 ? "64-bit" : "32-bit", windows.c_str());
    }
    e2e::set_windows(nullptr);
    CHECK(runs > 0);
}

TEST_CASE("versions: a comctl32 without InitCommonControlsEx gets the old controls, nothing called blindly") {
    CHECK(!vorlane::shell::init_common_controls(nullptr));
    CHECK(!vorlane::shell::init_common_controls(GetModuleHandleA("kernel32.dll")));  // no such export
    CHECK(vorlane::shell::init_common_controls(LoadLibraryA("comctl32.dll")));
}

}  // namespace

// common_controls_win32.cpp gets shell_gui_test's hooks here too (source properties are per folder).
FARPROC e2e_get_proc_address(HMODULE module, LPCSTR name) { return GetProcAddress(module, name); }

int main(int argc, char** argv) { return e2e::run_cases(argc, argv); }
