// What only the real system shows about the Win32 platform layer; the
// contract suite covers what it shares with the fake.
#include <windows.h>

#include "platform/platform.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;
namespace pf = vorlane::platform;

TEST_CASE("registry: reg_set keeps type and bytes exactly; reg_query takes 256 bytes and no more") {
    testenv::reset();
    const struct { std::uint32_t type; std::string bytes; } rows[] = {
        {pf::kRegExpandSz, std::string("%TEMP%\\x") + '\0'}, {pf::kRegBinary, std::string("\0\x01\xff\0z", 5)},
        {pf::kRegDword, std::string("\x2a\0\0\0", 4)},       {pf::kRegSz, "unterminated"},
        {pf::kRegBinary, std::string(256, 'a')},             {pf::kRegBinary, std::string(257, 'b')},
        {pf::kRegSz, std::string(255, 'c') + '\0'},          {pf::kRegSz, std::string(256, 'd') + '\0'}};
    pf::RegKey key = nullptr;
    CHECK(pf::reg_open(testenv::kSettingsKey, &key));
    for (const auto& r : rows) {
        const std::string n = "row " + std::to_string(&r - rows);
        const bool fits = r.bytes.size() <= 256;
        std::uint32_t type = 0xABCD;
        std::string data = "untouched";
        CHECK_MSG(pf::reg_set(key, n, r.type, r.bytes), n);
        CHECK_MSG(pf::reg_query(key, n, 256, &data, &type) == (fits ? pf::RegQuery::ok : pf::RegQuery::too_large), n);
        CHECK_MSG(fits ? data == r.bytes && type == r.type : data == "untouched" && type == 0xABCD, n);
        CHECK_MSG(testenv::get_value(testenv::kSettingsKey, n, &type, &data) && type == r.type && data == r.bytes, n);
    }
    pf::reg_close(key);
}

TEST_CASE("files: replace carries attributes over; a read-only file refuses replace and create") {
    testenv::reset();
    const std::string target = testenv::path("BOOT.INI"), source = testenv::path("BOOT.TMP");
    const std::uint32_t locked = pf::kAttrHidden | pf::kAttrSystem | pf::kAttrReadOnly;
    testenv::put_file(target, "old");
    testenv::put_file(source, "new", locked);
    CHECK(pf::file_replace(source, target));
    CHECK_EQ(pf::file_attributes(target) & locked, locked);
    testenv::put_file(source, "intruder");
    CHECK(!pf::file_replace(source, target));
    CHECK(pf::file_create(target) == nullptr);
    std::string bytes = "untouched";
    CHECK(pf::file_read(target, 2, &bytes) == pf::FileRead::too_large);
    CHECK_EQ(bytes, "untouched");
    CHECK(testenv::get_file(target, &bytes));
    CHECK_EQ(bytes, "new");

    const std::string log = testenv::path("power.log");
    CHECK(pf::file_append(log, "one\r\n") && pf::file_append(log, "two\r\n"));
    CHECK(testenv::get_file(log, &bytes));
    CHECK_EQ(bytes, "one\r\ntwo\r\n");
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

int main(int argc, char** argv) { return check::run_all(argc, argv); }
