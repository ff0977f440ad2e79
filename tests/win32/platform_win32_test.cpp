// What only the real system can prove about the Win32 side of the platform
// seam: sizes, types and attributes as Windows (here: Wine) handles them.
// The behaviour both sides share is covered by the contract suite.
#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
namespace pf = vorlane::platform;

namespace {

constexpr std::uint32_t kSentinelType = 0xABCD;
constexpr std::uint32_t kHiddenSystemReadOnly = pf::kAttrHidden | pf::kAttrSystem | pf::kAttrReadOnly;

std::string bytes_of(std::size_t n, char first) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 23);
    return s;
}

pf::RegKey open_settings() {
    pf::RegKey key = nullptr;
    CHECK(pf::reg_open(testenv::kSettingsKey, &key));
    return key;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TEST_CASE("registry: reg_query reads up to the limit and not a byte more") {
    testenv::reset();
    const std::string fits = bytes_of(256, 'a');
    const std::string over = bytes_of(257, 'b');
    testenv::put_value(testenv::kSettingsKey, "Fits", pf::kRegBinary, fits);
    testenv::put_value(testenv::kSettingsKey, "Over", pf::kRegBinary, over);
    // A string of 255 characters and its terminator is 256 bytes; one more is too many.
    testenv::put_value(testenv::kSettingsKey, "TextFits", pf::kRegSz, std::string(255, 'x') + '\0');
    testenv::put_value(testenv::kSettingsKey, "TextOver", pf::kRegSz, std::string(256, 'y') + '\0');
    pf::RegKey key = open_settings();

    std::string data;
    std::uint32_t type = kSentinelType;
    CHECK(pf::reg_query(key, "Fits", 256, &data, &type) == pf::RegQuery::ok);
    CHECK_EQ(data, fits);
    CHECK_EQ(type, pf::kRegBinary);

    data = "untouched";
    type = kSentinelType;
    CHECK(pf::reg_query(key, "Over", 256, &data, &type) == pf::RegQuery::too_large);
    CHECK_EQ(data, std::string("untouched"));
    CHECK_EQ(type, kSentinelType);
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_MORE_DATA));

    CHECK(pf::reg_query(key, "TextFits", 256, &data, &type) == pf::RegQuery::ok);
    CHECK_EQ(data, std::string(255, 'x') + '\0');
    CHECK_EQ(type, pf::kRegSz);
    data = "untouched";
    type = kSentinelType;
    CHECK(pf::reg_query(key, "TextOver", 256, &data, &type) == pf::RegQuery::too_large);
    CHECK_EQ(data, std::string("untouched"));
    CHECK_EQ(type, kSentinelType);

    CHECK(pf::reg_query(key, "Nowhere", 256, &data, &type) == pf::RegQuery::missing);
    CHECK_EQ(data, std::string("untouched"));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));

    // An empty value is ok with no bytes, even with a limit of 0.
    testenv::put_value(testenv::kSettingsKey, "Empty", pf::kRegBinary, "");
    CHECK(pf::reg_query(key, "Empty", 0, &data, &type) == pf::RegQuery::ok);
    CHECK_EQ(data, std::string());
    CHECK(pf::reg_query(key, "Fits", 0, &data, &type) == pf::RegQuery::too_large);
    pf::reg_close(key);
}

TEST_CASE("registry: reg_set keeps the type and every byte, reg_delete removes") {
    testenv::reset();
    pf::RegKey key = open_settings();
    const std::string expand = std::string("%TEMP%\\x") + '\0';
    const std::string binary = std::string("\0\x01\xff\0z", 5);
    const std::string dword = std::string("\x2a\0\0\0", 4);
    const std::string no_terminator = "no terminator";
    CHECK(pf::reg_set(key, "Expand", pf::kRegExpandSz, expand));
    CHECK(pf::reg_set(key, "Binary", pf::kRegBinary, binary));
    CHECK(pf::reg_set(key, "Dword", pf::kRegDword, dword));
    CHECK(pf::reg_set(key, "Text", pf::kRegSz, no_terminator));

    std::uint32_t type = 0;
    std::string bytes;
    CHECK(testenv::get_value(testenv::kSettingsKey, "Expand", &type, &bytes));
    CHECK_EQ(type, pf::kRegExpandSz);
    CHECK_EQ(bytes, expand);
    CHECK(testenv::get_value(testenv::kSettingsKey, "Binary", &type, &bytes));
    CHECK_EQ(type, pf::kRegBinary);
    CHECK_EQ(bytes, binary);
    CHECK(testenv::get_value(testenv::kSettingsKey, "Dword", &type, &bytes));
    CHECK_EQ(type, pf::kRegDword);
    CHECK_EQ(bytes, dword);
    // NT would add the terminator a string value was given without.
    CHECK(testenv::get_value(testenv::kSettingsKey, "Text", &type, &bytes));
    CHECK_EQ(type, pf::kRegSz);
    CHECK_EQ(bytes, no_terminator);
    std::string read;
    CHECK(pf::reg_query(key, "Text", 256, &read, &type) == pf::RegQuery::ok);
    CHECK_EQ(read, no_terminator);
    CHECK(pf::reg_set(key, "Terminated", pf::kRegSz, std::string("with") + '\0'));
    CHECK(testenv::get_value(testenv::kSettingsKey, "Terminated", &type, &bytes));
    CHECK_EQ(bytes, std::string("with") + '\0');

    // Overwriting may change the type.
    CHECK(pf::reg_set(key, "Dword", pf::kRegSz, std::string("1") + '\0'));
    CHECK(testenv::get_value(testenv::kSettingsKey, "Dword", &type, &bytes));
    CHECK_EQ(type, pf::kRegSz);

    CHECK(pf::reg_delete(key, "Binary"));
    CHECK(!testenv::get_value(testenv::kSettingsKey, "Binary", &type, &bytes));
    CHECK(!pf::reg_delete(key, "Binary"));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    pf::reg_close(key);
}

TEST_CASE("registry: reg_open never creates a key") {
    testenv::reset();
    const std::string missing = std::string(testenv::kSettingsKey) + "\\Missing";
    pf::RegKey key = nullptr;
    CHECK(!pf::reg_open(missing, &key));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    CHECK(!pf::reg_open(missing, &key));
    HKEY probe = nullptr;
    CHECK(RegOpenKeyExA(HKEY_CURRENT_USER, missing.c_str(), 0, KEY_READ, &probe) == ERROR_FILE_NOT_FOUND);
}

TEST_CASE("files: file_replace moves the source's attributes over the target") {
    testenv::reset();
    const std::string target = testenv::path("BOOT.INI");
    const std::string source = testenv::path("BOOT.TMP");
    testenv::put_file(target, "old contents", pf::kAttrNormal);
    testenv::put_file(source, "new contents", kHiddenSystemReadOnly);

    CHECK(pf::file_replace(source, target));
    std::string bytes;
    CHECK(testenv::get_file(target, &bytes));
    CHECK_EQ(bytes, std::string("new contents"));
    CHECK_EQ(pf::file_attributes(target) & kHiddenSystemReadOnly, kHiddenSystemReadOnly);
    CHECK(!testenv::file_exists(source));
    CHECK_EQ(testenv::sandbox_files(), std::vector<std::string>{"BOOT.INI"});
}

TEST_CASE("files: file_replace onto a missing target, and never onto a read-only one") {
    testenv::reset();
    const std::string target = testenv::path("new.ini");
    const std::string source = testenv::path("new.tmp");
    testenv::put_file(source, "fresh");
    CHECK(pf::file_replace(source, target));
    CHECK_EQ(testenv::sandbox_files(), std::vector<std::string>{"new.ini"});

    const std::string locked = testenv::path("locked.ini");
    testenv::put_file(locked, "keep me", pf::kAttrReadOnly | pf::kAttrHidden);
    testenv::put_file(source, "intruder");
    CHECK(!pf::file_replace(source, locked));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    std::string bytes;
    CHECK(testenv::get_file(locked, &bytes));
    CHECK_EQ(bytes, std::string("keep me"));
    CHECK(testenv::file_exists(source));

    CHECK(!pf::file_replace(testenv::path("absent.tmp"), target));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST_CASE("files: file_read takes files up to the limit, binary and whole") {
    testenv::reset();
    const std::string p = testenv::path("data.bin");
    const std::string content = std::string("a\r\nb\0c\x1a\xff", 8) + bytes_of(1000, '0');
    testenv::put_file(p, content);
    std::string bytes;
    CHECK(pf::file_read(p, content.size(), &bytes) == pf::FileRead::ok);
    CHECK_EQ(bytes, content);

    bytes = "untouched";
    CHECK(pf::file_read(p, content.size() - 1, &bytes) == pf::FileRead::too_large);
    CHECK_EQ(bytes, std::string("untouched"));

    CHECK(pf::file_read(testenv::path("missing.bin"), 100, &bytes) == pf::FileRead::cannot_open);
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    CHECK_EQ(bytes, std::string("untouched"));

    const std::string empty = testenv::path("empty.bin");
    testenv::put_file(empty, "");
    CHECK(pf::file_read(empty, 0, &bytes) == pf::FileRead::ok);
    CHECK_EQ(bytes, std::string());

    // Reading does not need write access.
    const std::string locked = testenv::path("locked.bin");
    testenv::put_file(locked, "ro", kHiddenSystemReadOnly);
    CHECK(pf::file_read(locked, 10, &bytes) == pf::FileRead::ok);
    CHECK_EQ(bytes, std::string("ro"));
}

TEST_CASE("files: file_create empties, refuses read-only, takes hidden and system") {
    testenv::reset();
    const std::string p = testenv::path("out.txt");
    testenv::put_file(p, "previous, longer contents");
    pf::File f = pf::file_create(p);
    CHECK(f != nullptr);
    if (f) {
        CHECK(pf::file_write(f, "abc", 3));
        CHECK(pf::file_write(f, "", 0));
        CHECK(pf::file_flush(f));
        CHECK(pf::file_close(f));
    }
    std::string bytes;
    CHECK(testenv::get_file(p, &bytes));
    CHECK_EQ(bytes, std::string("abc"));

    const std::string locked = testenv::path("locked.txt");
    testenv::put_file(locked, "keep", pf::kAttrReadOnly);
    CHECK(pf::file_create(locked) == nullptr);
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    CHECK(testenv::get_file(locked, &bytes));
    CHECK_EQ(bytes, std::string("keep"));

    // Windows' CREATE_ALWAYS alone would refuse these with access denied; they
    // are emptied and stay hidden and system.
    const std::string hidden = testenv::path("hidden.txt");
    testenv::put_file(hidden, "old", pf::kAttrHidden | pf::kAttrSystem);
    pf::File h = pf::file_create(hidden);
    CHECK(h != nullptr);
    if (h) CHECK(pf::file_close(h));
    CHECK(testenv::get_file(hidden, &bytes));
    CHECK_EQ(bytes, std::string());
    CHECK_EQ(pf::file_attributes(hidden) & (pf::kAttrHidden | pf::kAttrSystem), pf::kAttrHidden | pf::kAttrSystem);

    CHECK(pf::file_create(testenv::path("no-such-folder\\x.txt")) == nullptr);
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
}

TEST_CASE("files: file_append creates, then appends; file_remove and attributes") {
    testenv::reset();
    const std::string p = testenv::path("power.log");
    CHECK(pf::file_append(p, "one\r\n"));
    CHECK(pf::file_append(p, "two\r\n"));
    CHECK(pf::file_append(p, ""));
    std::string bytes;
    CHECK(testenv::get_file(p, &bytes));
    CHECK_EQ(bytes, std::string("one\r\ntwo\r\n"));

    CHECK(pf::file_set_attributes(p, pf::kAttrReadOnly));
    CHECK_EQ(pf::file_attributes(p) & pf::kAttrReadOnly, pf::kAttrReadOnly);
    CHECK(!pf::file_append(p, "three"));
    CHECK(!pf::file_remove(p));
    CHECK(testenv::file_exists(p));
    CHECK(pf::file_set_attributes(p, pf::kAttrNormal));
    CHECK(pf::file_remove(p));
    CHECK(!testenv::file_exists(p));

    CHECK_EQ(pf::file_attributes(p), pf::kInvalidAttributes);
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    CHECK(!pf::file_remove(p));
    CHECK(!pf::file_append(testenv::path("no-such-folder\\x.log"), "x"));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
}

TEST_CASE("errors: error_text has the system's words, or nothing") {
    CHECK(!pf::error_text(ERROR_FILE_NOT_FOUND).empty());
    CHECK(!pf::error_text(ERROR_ACCESS_DENIED).empty());
    CHECK(pf::error_text(ERROR_FILE_NOT_FOUND) != pf::error_text(ERROR_ACCESS_DENIED));
    CHECK(pf::error_text(0x2FFFFFFFu).empty());
}

TEST_CASE("process: environment, module path, version and clock") {
    testenv::reset();
    std::string value = "untouched";
    CHECK(!pf::get_env("VORLANE_TEST_UNSET", &value));
    CHECK_EQ(pf::last_error(), static_cast<std::uint32_t>(ERROR_ENVVAR_NOT_FOUND));

    testenv::set_env("VORLANE_TEST_SHORT", "C:\\log.txt");
    CHECK(pf::get_env("VORLANE_TEST_SHORT", &value));
    CHECK_EQ(value, std::string("C:\\log.txt"));
    // Longer than the first buffer: the size has to be asked for.
    const std::string long_value = bytes_of(3000, 'A');
    testenv::set_env("VORLANE_TEST_LONG", long_value);
    CHECK(pf::get_env("VORLANE_TEST_LONG", &value));
    CHECK_EQ(value, long_value);
    testenv::unset_env("VORLANE_TEST_LONG");
    CHECK(!pf::get_env("VORLANE_TEST_LONG", &value));

    const std::string module = pf::module_path();
    CHECK(module.size() > 7);
    CHECK_EQ(lower(module.substr(module.size() - 4)), std::string(".exe"));
    CHECK(module.find(":\\") == 1 || module.rfind("\\\\", 0) == 0);

    pf::OsVersion v = pf::os_version();
    CHECK_EQ(v.platform_id, static_cast<std::uint32_t>(VER_PLATFORM_WIN32_NT));
    CHECK(v.major >= 5);

    pf::LocalTime t = pf::local_time();
    CHECK(t.year >= 2000);
    CHECK(t.month >= 1 && t.month <= 12);
    CHECK(t.day >= 1 && t.day <= 31);
    CHECK(t.hour < 24 && t.minute < 60 && t.second < 62);
}

TEST_CASE("power: enable_shutdown_privilege enables it in the process token") {
    pf::enable_shutdown_privilege();
    HANDLE token = nullptr;
    CHECK(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    LUID shutdown;
    CHECK(LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown));
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size + sizeof(TOKEN_PRIVILEGES));
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
        const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
            if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart)
                enabled = (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    CHECK(enabled);
    CloseHandle(token);
}

// Run a second time by ctest with powrprof.dll disabled and
// VORLANE_TEST_EXPECT_PROBE=no_library.
TEST_CASE("power: probe_power answers for both probes") {
    char expect[32] = {};
    DWORD n = GetEnvironmentVariableA("VORLANE_TEST_EXPECT_PROBE", expect, sizeof expect);
    const bool no_library_expected = n > 0 && n < sizeof expect && std::string(expect) == "no_library";
    for (bool hibernate : {false, true}) {
        pf::PowerProbe answer = pf::probe_power(hibernate);
        if (no_library_expected) {
            CHECK(answer == pf::PowerProbe::no_library);
        } else {
            // powrprof.dll exports both on every system the program supports.
            CHECK(answer == pf::PowerProbe::allowed || answer == pf::PowerProbe::refused);
        }
    }
    // The library is loaded and freed within each call.
    CHECK(GetModuleHandleA("powrprof.dll") == nullptr);
}

int main(int argc, char** argv) { return check::run_all(argc, argv); }
