// Boot Manager stores in the fake HKEY_LOCAL_MACHINE, shaped as Windows makes
// them, and a bcdedit that applies its arguments to them.
#pragma once

#include "bcd/bcd_store.h"
#include "platform/fake/fake_platform.h"

namespace bcdfix {

namespace pf = vorlane::platform;
using vorlane::bcd::kBootManager;
using vorlane::bcd::kLegacyLoader;
constexpr const char* kWin7 = "{a1b2c3d4-0000-0000-0000-000000000007}";
constexpr const char* kWin10 = "{A1B2C3D4-0000-0000-0000-000000000010}";  // as some tools write them
constexpr const char* kWin11 = "{a1b2c3d4-0000-0000-0000-000000000011}";
constexpr const char* kResume = "{a1b2c3d4-0000-0000-0000-0000000000f0}";
constexpr std::uint32_t kLoader = 0x10200003, kLegacy = 0x10300006, kResumeType = 0x10200004;

inline std::string key(const std::string& id, const std::string& rest, const std::string& store = "BCD00000000") {
    return "HKLM\\" + store + "\\Objects\\" + id + "\\" + rest;
}
inline std::string dword(std::uint32_t n) { return {char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; }
inline std::string multi(const std::vector<std::string>& ids, std::string data = "") {
    for (const std::string& id : ids) data += id + '\0';
    return data + '\0';
}
inline void element(const std::string& id, const std::string& type, std::uint32_t kind, const std::string& data,
                    const std::string& store = "BCD00000000") {
    vorlane::fake::put_value(key(id, "Elements\\" + type, store), "Element", kind, data);
}
inline void object(const std::string& id, std::uint32_t type, const std::string& name, const std::string& store = "BCD00000000") {
    vorlane::fake::put_value(key(id, "Description", store), "Type", pf::kRegDword, dword(type));
    if (!name.empty()) element(id, "12000004", pf::kRegSz, name + '\0', store);
}
// The boot manager with its display order and default.
inline void manager(const std::vector<std::string>& order, const std::string& id, const std::string& store = "BCD00000000") {
    object(kBootManager, 0x10100002, "Windows Boot Manager", store);
    element(kBootManager, "24000001", pf::kRegMultiSz, multi(order), store);
    if (!id.empty()) element(kBootManager, "23000003", pf::kRegSz, id + '\0', store);
}
// Windows 7 set up beside XP.
inline void xp_and_7(const std::string& default_id = kWin7) {
    object(kWin7, kLoader, "Windows 7");
    object(kLegacyLoader, kLegacy, "Earlier Version of Windows");
    manager({kWin7, kLegacyLoader}, default_id);
}

// bcdedit as the fake's program: "/bootsequence {g}...", "/default {g}" and
// "/deletevalue {bootmgr} bootsequence|default" on the system store, unless it
// is to fail (exit 1) or write nothing; `fail_run` (from 0) fails that run alone.
enum class Bcdedit { applies, fails, writes_nothing };
inline void install_bcdedit(Bcdedit behaviour = Bcdedit::applies, int fail_run = -1) {
    vorlane::fake::programs().hook = [behaviour, fail_run, run = 0](const std::string&,
                                                                    const std::string& arguments) mutable {
        if (behaviour != Bcdedit::applies || run++ == fail_run) return behaviour == Bcdedit::writes_nothing ? 0u : 1u;
        std::vector<std::string> words;
        for (std::size_t at = 0, end; at < arguments.size(); at = end + 1) {
            end = std::min(arguments.find(' ', at), arguments.size());
            words.push_back(arguments.substr(at, end - at));
        }
        const std::vector<std::string> ids(words.begin() + 1, words.end());
        const std::string elements = key(kBootManager, "Elements\\");
        if (words[0] == "/bootsequence") element(kBootManager, "24000002", pf::kRegMultiSz, multi(ids));
        else if (words[0] == "/default" && ids.size() == 1) element(kBootManager, "23000003", pf::kRegSz, ids[0] + '\0');
        else if (words[0] == "/deletevalue" && words.size() == 3 && words[1] == kBootManager)
            vorlane::fake::remove_value(elements + (words[2] == "bootsequence" ? "24000002" : "23000003"), "Element");
        else return 1u;
        return 0u;
    };
}

}  // namespace bcdfix
