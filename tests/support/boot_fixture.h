// Builders shared by the tests: a BOOT.INI on disk, and the dry-run power log
// that VORLANE_POWER_LOG points at.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "bootini/boot_ini_source.h"
#include "bootini/boot_table.h"
#include "bootini/text_file.h"
#include "support/test_env.h"

namespace fixture {

// Three systems, a 30-second menu, the second system the default.
inline const char* kThreeSystems =
    "[boot loader]\n"
    "timeout=30\n"
    "default=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\n"
    "[operating systems]\n"
    "multi(0)disk(0)rdisk(0)partition(1)\\WINNT=\"Windows 2000 Professional\" /fastdetect\n"
    "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\n"
    "C:\\=\"Microsoft Windows\"\n";

// Writes `text` with CR LF line ends as BOOT.INI in the sandbox, points Filename at it; returns the path.
inline std::string put_boot_ini(const std::string& text, std::uint32_t attributes = vorlane::platform::kAttrNormal) {
    const std::string p = vorlane::testenv::path("BOOT.INI");
    vorlane::testenv::put_file(p, vorlane::bootini::newline_to_crlf(text), attributes);
    vorlane::testenv::put_text("Filename", p);
    return p;
}

inline vorlane::bootini::BootTable load(const std::string& text) {
    put_boot_ini(text);
    vorlane::bootini::BootTable table;
    vorlane::bootini::load_boot_table(table);
    return table;
}

// The menu of a machine whose only boot menu is this table, for tests that
// read its names; choosing from it needs a source that outlives it.
inline vorlane::bootmenu::BootMenu menu_of(vorlane::bootini::BootTable& table) {
    vorlane::bootini::BootIniSource source(table);
    vorlane::bootmenu::BootMenu menu = vorlane::bootmenu::chain({source.menu()});
    for (auto& entry : menu.entries) entry.steps.clear();
    return menu;
}

inline std::string file_text(const std::string& p) {
    std::string bytes;
    vorlane::testenv::get_file(p, &bytes);
    return vorlane::bootini::crlf_to_newline(bytes);
}

using Lines = std::vector<std::string>;

inline std::string enable_power_log() {
    const std::string p = vorlane::testenv::path("power.log");
    vorlane::testenv::set_env("VORLANE_POWER_LOG", p);
    return p;
}

// What a started program finds: the dry-run log, BOOT.INI's three systems (unless not
// `boot_ini`), an empty VORLANE.INI named by INI, and MaintainDefault as given.
inline void put_files(const char* maintain = "", bool boot_ini = true) {
    if (boot_ini) put_boot_ini(kThreeSystems);
    enable_power_log();
    vorlane::testenv::put_text("INI", vorlane::testenv::path("VORLANE.INI"));
    vorlane::testenv::put_file(vorlane::testenv::path("VORLANE.INI"), "");
    vorlane::testenv::put_text("MaintainDefault", maintain);
}

// The log's lines without their CR LF, the power actions' or (`writes`) the
// boot writes' ("Write ..."); none when there is no log.
inline Lines power_log(bool writes = false) {
    std::string bytes;
    Lines lines;
    vorlane::testenv::get_file(vorlane::testenv::path("power.log"), &bytes);
    for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
        end = std::min(bytes.find("\r\n", start), bytes.size());
        const std::string line = bytes.substr(start, end - start);
        if ((line.rfind("Write ", 0) == 0) == writes) lines.push_back(line);
    }
    return lines;
}

}  // namespace fixture
