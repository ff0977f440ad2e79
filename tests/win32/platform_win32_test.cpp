// What only the real system shows about the Win32 platform layer; the
// contract suite covers what it shares with the fake (registry, appends, reads).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bootini/default_writer.h"
#include "platform/platform.h"
#include "support/boot_fixture.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
namespace pf = vorlane::platform;

// The fake's model of the real file system, where the core relies on it.
TEST_CASE("files: replace carries attributes over; a read-only file refuses replace and create; move never overwrites") {
    testenv::reset();
    const std::string target = testenv::path("BOOT.INI"), source = testenv::path("BOOT.TMP");
    const std::string aside = testenv::path("BOOT.INI.old~");
    const std::uint32_t locked = pf::kAttrHidden | pf::kAttrSystem | pf::kAttrReadOnly;
    testenv::put_file(target, "old");
    testenv::put_file(source, "new", locked);
    CHECK(pf::file_replace(source, target) && (pf::file_attributes(target) & locked) == locked);
    testenv::put_file(source, "intruder");
    CHECK(!pf::file_replace(source, target) && pf::file_create(target) == nullptr);
    // The 9x replace renames the read-only old file aside and never over a file.
    CHECK(pf::file_move(target, aside) && !pf::file_move(source, aside));
    std::string bytes;
    CHECK(testenv::get_file(aside, &bytes) && bytes == "new" && (pf::file_attributes(aside) & locked) == locked);
}

namespace {

using GetFileSecurityFn = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
using SetFileSecurityFn = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);

template <typename Fn>
Fn advapi(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), name)));
}

// The file's access list as bytes; empty when it has none or cannot be read.
std::string dacl_of(const std::string& path) {
    DWORD size = 0;
    auto get = advapi<GetFileSecurityFn>("GetFileSecurityA");
    get(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> sd(size + 1);
    if (!size || !get(path.c_str(), DACL_SECURITY_INFORMATION, sd.data(), size, &size)) return "";
    const auto* head = reinterpret_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(sd.data());
    if (!(head->Control & SE_DACL_PRESENT) || !head->Dacl) return "";
    const auto* acl = reinterpret_cast<const ACL*>(sd.data() + head->Dacl);
    return std::string(reinterpret_cast<const char*>(acl), acl->AclSize);
}

}  // namespace

// Wine folds an access list into the Unix mode and back, so it shows an access
// list that differs from a new file's surviving the replace; the exact list and
// the owner surviving show only on NTFS.
TEST_CASE("files: a rewritten BOOT.INI keeps its own access list") {
    testenv::reset();
    const std::string p = fixture::put_boot_ini(fixture::kThreeSystems);
    const std::string fresh = dacl_of(p);
    // A self-relative descriptor with one entry no folder gives: Everyone may
    // read and write (read only would pass as the read-only attribute on Wine).
    const unsigned char descriptor[48] = {
        1, 0, 0x04, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,  // DACL present, at 20
        2, 0, 28, 0, 1, 0, 0, 0,                                           // ACL: 28 bytes, one entry
        0, 0, 20, 0, 0x9f, 0x01, 0x12, 0,                                  // allow FILE_GENERIC_READ|WRITE to
        1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};                               // S-1-1-0
    std::vector<BYTE> sd(descriptor, descriptor + sizeof descriptor);
    CHECK(advapi<SetFileSecurityFn>("SetFileSecurityA")(p.c_str(), DACL_SECURITY_INFORMATION, sd.data()));
    const std::string kept = dacl_of(p);
    CHECK(!kept.empty() && kept != fresh);
    bootini::BootTable t;
    bootini::load_boot_table(t);
    CHECK(bootini::set_default_entry(t, 0));
    CHECK_EQ(dacl_of(p), kept);
    CHECK(fixture::file_text(p).find("default=multi(0)disk(0)rdisk(0)partition(1)\\WINNT\n") != std::string::npos);
}

// ctest runs this case again with powrprof.dll disabled and VORLANE_TEST_EXPECT_PROBE=no_library.
TEST_CASE("system: probe_power answers and frees powrprof.dll; error_text and module_path") {
    std::string expect;
    const bool none = pf::get_env("VORLANE_TEST_EXPECT_PROBE", &expect) && expect == "no_library";
    for (const pf::PowerProbe answer : {pf::probe_power(false), pf::probe_power(true)}) {
        const bool asked = answer == pf::PowerProbe::allowed || answer == pf::PowerProbe::refused;
        CHECK(none ? answer == pf::PowerProbe::no_library : asked);
    }
    CHECK(GetModuleHandleA("powrprof.dll") == nullptr);
    CHECK(!pf::error_text(ERROR_FILE_NOT_FOUND).empty());
    const std::string module = pf::module_path();
    CHECK(module.size() > 4 && lstrcmpiA(module.c_str() + module.size() - 4, ".exe") == 0);
}

// Wine has no firmware variables: it answers as a legacy BIOS does, so the
// end-to-end tests see the program as it was before the firmware's menu.
TEST_CASE("system: firmware variables fail as on legacy BIOS; UTF-16 reaches the ANSI code page") {
    std::string bytes = "kept";
    pf::enable_firmware_privilege();
    CHECK(pf::firmware_get("", pf::kZeroGuid, 16, &bytes) == ERROR_INVALID_FUNCTION && bytes == "kept");
    CHECK(pf::firmware_set("BootNext", pf::kEfiGlobalGuid, "\x01") == ERROR_INVALID_FUNCTION);
    CHECK_EQ(pf::ansi_from_utf16(u"ubuntu"), "ubuntu");
    CHECK_EQ(pf::ansi_from_utf16(u"\u4E2D"), "?");  // not in the ANSI code page Wine runs with here
}

TEST_CASE("machine: HKLM read only and listed; a program's exit code, also when run as administrator") {
    pf::RegKey key = nullptr;
    std::string name, data;
    std::uint32_t type = 0, code = 0;
    CHECK(pf::machine_key_open("Software\\Microsoft\\Windows NT\\CurrentVersion", &key) &&
          pf::reg_query(key, "CurrentVersion", 16, &data, &type) == pf::RegQuery::ok && type == pf::kRegSz);
    CHECK(!pf::reg_set(key, "VorlaneTest", pf::kRegSz, "x") && pf::last_error() == ERROR_ACCESS_DENIED);
    pf::reg_close(key);
    bool software = false;
    CHECK(pf::machine_key_open("", &key));
    for (std::size_t i = 0; pf::reg_subkey(key, i, &name); ++i) software = software || !lstrcmpiA(name.c_str(), "Software");
    CHECK(software && pf::last_error() == ERROR_NO_MORE_ITEMS);
    pf::reg_close(key);
    for (bool elevate : {false, true}) CHECK(pf::run_program(pf::system_folder() + "\\cmd.exe", "/c exit 3", elevate, &code) && code == 3);
    CHECK(!pf::run_program(pf::system_folder() + "\\no.exe", "", false, &code) && pf::last_error() == ERROR_FILE_NOT_FOUND);
}

namespace {

constexpr const char* kProbeChild = "--probe";

// Run as a copy with a planted powrprof.dll beside it: 1 when the probes
// loaded that one, plus 2 when a load by bare name then does.
int probe_beside_planted() {
    pf::probe_power(false);
    pf::probe_power(true);
    const int probes = GetEnvironmentVariableA("VORLANE_PLANTED", nullptr, 0) ? 1 : 0;
    FreeLibrary(LoadLibraryA("powrprof.dll"));
    return probes + (GetEnvironmentVariableA("VORLANE_PLANTED", nullptr, 0) ? 2 : 0);
}

}  // namespace

// ctest names in VORLANE_TEST_PLANTED a powrprof.dll that notes its loading.
TEST_CASE("system: powrprof.dll comes from the system folder, never from beside the program") {
    testenv::reset();
    std::string planted;
    CHECK(pf::get_env("VORLANE_TEST_PLANTED", &planted) && !planted.empty());
    if (planted[0] == '/') planted = "Z:" + planted;  // Wine maps the Unix root to Z:
    std::replace(planted.begin(), planted.end(), '/', '\\');
    const std::string folder = testenv::path("planted\\"), copy = folder + "probe.exe";
    CreateDirectoryA(folder.c_str(), nullptr);
    CHECK(CopyFileA(pf::module_path().c_str(), copy.c_str(), FALSE));
    CHECK(CopyFileA(planted.c_str(), (folder + "powrprof.dll").c_str(), FALSE));
    std::string command = "\"" + copy + "\" " + kProbeChild;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    DWORD code = 0;
    CHECK(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
    CHECK(WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0 && GetExitCodeProcess(child.hProcess, &code));
    CloseHandle(child.hProcess), CloseHandle(child.hThread);
    CHECK_EQ(code, 2u);  // not loaded by the probes, though a bare name finds it
    for (const char* name : {"probe.exe", "powrprof.dll"}) DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

int main(int argc, char** argv) {
    if (argc > 1 && !std::strcmp(argv[1], kProbeChild)) return probe_beside_planted();
    return check::run_all(argc, argv);
}
