// vorlane.exe under each Windows version that Wine can pretend to be (the list
// in VORLANE_TEST_VERSIONS): the shut-down flags of the platform, a rewrite of
// BOOT.INI, the restore of a maintained default at a start, tray mode and its close, and
// the tooltip's layout (computed by shell_gui_test --tooltips, named by
// VORLANE_TEST_TOOLTIPS, in a child started under that version).
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "e2e/e2e_support.h"
#include "shell/shell_win32.h"

namespace {

// The files in the folder of `path`, sorted, joined by blanks.
std::string folder_files(const std::string& path) {
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

// A settings value's bytes as stored.
std::string raw_setting(const char* name) { return e2e::get_value(HKEY_CURRENT_USER, "Software\\Ostrevan\\Vorlane", name); }

// The two tooltips (default name, then a 200-character one) of shell_gui_test's child mode.
std::string tooltips(const std::string& folder_file) {
    const char* tool = std::getenv("VORLANE_TEST_TOOLTIPS");
    if (!tool) return "(VORLANE_TEST_TOOLTIPS not set)";
    const std::string out = folder_file + ".tips";
    e2e::Child child = e2e::start("--tooltips \"" + out + "\"", false, e2e::windows_path(tool));
    CHECK(e2e::wait(child).code == 0);
    return e2e::read(out);
}

TEST_CASE("versions: flags, rewrite, restore, tray and tooltip under each Windows version") {
    const char* list = std::getenv("VORLANE_TEST_VERSIONS");
    std::istringstream versions(list ? list : "win98 winme nt40 win2k winxp win2003 win7 win10");
    const std::string name = "Microsoft Windows XP Professional";
    const std::string cut(127, 'n');  // Wine's shell32 is 6.0 under every version: the 128-byte tip
    int runs = 0;
    for (std::string windows; versions >> windows; ++runs) {
        e2e::set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", windows.c_str());
        const bool nine_x = windows == "win98" || windows == "winme";
        const bool new_shell = windows == "winme" || windows == "winxp" || windows == "win2003";

        // -s, then -r: the platform's shut-down flags, and BOOT.INI rewritten whole (CRLF line ends).
        e2e::World world = e2e::make_world(e2e::boot_ini(3), e2e::kLocked);
        e2e::Ended e = e2e::run("-s");
        const bool quiet = e.ended && e.boxes.empty() && e2e::run("-r 2000").boxes.empty();
        CHECK_MSG(quiet && e2e::power(world) == "ExitWindowsEx flags=" + std::string(nine_x ? "9" : "8") +
                               "\r\nExitWindowsEx flags=2\r\n", windows);
        CHECK_MSG(e2e::read(world.boot_ini) == e2e::boot_ini(2), windows);
        CHECK_MSG((GetFileAttributesA(world.boot_ini.c_str()) & e2e::kLocked) == e2e::kLocked, windows);
        CHECK_MSG(folder_files(world.boot_ini) == "BOOT.INI VORLANE.INI power.log", windows + ": " +
                                                                                      folder_files(world.boot_ini));

        // A start restores the maintained default before tray mode.
        world = e2e::make_world(e2e::boot_ini(3), e2e::kLocked);
        e2e::write(world.vorlane_ini, "[Config]\r\nDefault=Microsoft Windows 2000 Professional\r\n");
        e2e::set_setting("MaintainDefault", "False");
        e2e::Child tray = e2e::start("");
        CHECK_MSG(tray.main != nullptr, windows + ": no tray mode");
        CHECK_MSG(e2e::read(world.boot_ini) == e2e::boot_ini(2) && e2e::power(world).empty(), windows);
        CHECK_MSG((GetFileAttributesA(world.boot_ini.c_str()) & e2e::kLocked) == e2e::kLocked, windows);
        // A preference written as the program writes every value: exactly its
        // text on NT; on 98 and Me, which store a text up to its zero, that zero too.
        SendMessageA(tray.main, WM_COMMAND, ID_MAINTAIN_DEFAULT, 0);
        CHECK_MSG(raw_setting("MaintainDefault") == (nine_x ? std::string("True", 5) : "True"),
                  windows + ": " + check::show(raw_setting("MaintainDefault")));
        e = e2e::run("-x");
        CHECK_MSG(e.ended && !e.tray && WaitForSingleObject(tray.info.hProcess, 10000) == WAIT_OBJECT_0, windows);
        e2e::wait(tray);

        const std::string layout = new_shell ? name + "\nDouble-click disabled" : name + " (Double-click disabled)";
        CHECK_MSG(tooltips(world.boot_ini) == layout + "|" + cut, windows);
        std::printf("versions: %s vorlane.exe as %s: checked\n", sizeof(void*) == 8 ? "64-bit" : "32-bit",
                    windows.c_str());
    }
    e2e::set_value(HKEY_CURRENT_USER, "Software\\Wine", "Version", nullptr);
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
