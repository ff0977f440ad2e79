// Boot Manager stores in the fake HKEY_LOCAL_MACHINE, shaped as Windows makes
// them, and a bcdedit that applies its arguments to them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bcd/bcd_store.h"
#include "platform/fake/fake_platform.h"

namespace bcdfix {

using vorlane::fake::put_value;
namespace platform = vorlane::platform;

constexpr const char* kWin7 = "{a1b2c3d4-0000-0000-0000-000000000007}";
constexpr const char* kWin10 = "{A1B2C3D4-0000-0000-0000-000000000010}";  // as some tools write them
constexpr const char* kWin11 = "{a1b2c3d4-0000-0000-0000-000000000011}";
constexpr const char* kResume = "{a1b2c3d4-0000-0000-0000-0000000000f0}";
constexpr const char* kMemtest = "{b2721d73-1db4-4c62-bf78-c548a880142d}";
constexpr std::uint32_t kLoader = 0x10200003, kLegacy = 0x10300006, kResumeType = 0x10200004,
                        kMemtestType = 0x10200005, kManager = 0x10100002;

inline std::string key(const std::string& object, const std::string& rest, const std::string& store = "BCD00000000") {
    return "HKLM\\" + store + "\\Objects\\" + object + "\\" + rest;
}
inline std::string dword(std::uint32_t n) {
    return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
}
inline std::string multi(const std::vector<std::string>& guids) {
    std::string data;
    for (const std::string& g : guids) data += g + '\0';
    return data + '\0';
}
inline void object(const std::string& id, std::uint32_t type, const std::string& description,
                   const std::string& store = "BCD00000000") {
    put_value(key(id, "Description", store), "Type", platform::kRegDword, dword(type));
    if (!description.empty())
        put_value(key(id, "Elements\\12000004", store), "Element", platform::kRegSz, description + '\0');
}
inline void element(const char* id, const char* type, std::uint32_t kind, const std::string& data,
                    const std::string& store = "BCD00000000") {
    put_value(key(id, std::string("Elements\\") + type, store), "Element", kind, data);
}
// The boot manager with its display order and default.
inline void manager(const std::vector<std::string>& order, const std::string& default_guid,
                    const std::string& store = "BCD00000000") {
    object(vorlane::bcd::kBootManager, kManager, "Windows Boot Manager", store);
    element(vorlane::bcd::kBootManager, "24000001", platform::kRegMultiSz, multi(order), store);
    if (!default_guid.empty())
        element(vorlane::bcd::kBootManager, "23000003", platform::kRegSz, default_guid + '\0', store);
}

// Windows 7 beside XP: the boot manager's {ntldr} leads on to BOOT.INI.
inline void xp_and_7(const std::string& default_guid = kWin7) {
    object(kWin7, kLoader, "Windows 7");
    object(vorlane::bcd::kLegacyLoader, kLegacy, "Earlier Version of Windows");
    manager({kWin7, vorlane::bcd::kLegacyLoader}, default_guid);
}

enum class Bcdedit { applies, fails, writes_nothing };

// bcdedit as the fake's program hook: "/bootsequence {g}" and "/default {g}"
// on the system store; exit 1 for anything else.
inline void install_bcdedit(Bcdedit behaviour = Bcdedit::applies) {
    vorlane::fake::set_program_hook([behaviour](const std::string&, const std::string& arguments) -> std::uint32_t {
        if (behaviour == Bcdedit::fails) return 1;
        const std::size_t blank = arguments.find(' ');
        const std::string verb = arguments.substr(0, blank), id = arguments.substr(blank + 1);
        if (behaviour == Bcdedit::writes_nothing) return 0;
        if (verb == "/bootsequence") element(vorlane::bcd::kBootManager, "24000002", platform::kRegMultiSz, multi({id}));
        else if (verb == "/default") element(vorlane::bcd::kBootManager, "23000003", platform::kRegSz, id + '\0');
        else return 1;
        return 0;
    });
}

// The boot manager's element as the test sees it: the GUIDs, or "" when missing.
inline std::string stored(const char* element) {
    std::string data;
    std::uint32_t type = 0;
    vorlane::fake::get_value(key(vorlane::bcd::kBootManager, std::string("Elements\\") + element), "Element", &type, &data);
    for (char& c : data) if (c == '\0') c = ' ';
    while (!data.empty() && data.back() == ' ') data.pop_back();
    return data;
}

}  // namespace bcdfix
