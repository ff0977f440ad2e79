// Reads the dry-run power log that the contract tests point VORLANE_POWER_LOG at.
#pragma once

#include <string>
#include <vector>

#include "support/test_env.h"

namespace fixture {

inline std::string enable_power_log() {
    const std::string p = vorlane::testenv::path("power.log");
    vorlane::testenv::set_env("VORLANE_POWER_LOG", p);
    return p;
}

inline std::vector<std::string> power_log() {
    std::string bytes;
    std::vector<std::string> lines;
    if (!vorlane::testenv::get_file(vorlane::testenv::path("power.log"), &bytes)) return lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace fixture
