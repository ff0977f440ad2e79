// Reads the dry-run power log that the contract tests point VORLANE_POWER_LOG at.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_env.h"

namespace fixture {

using Lines = std::vector<std::string>;

inline std::string enable_power_log() {
    const std::string p = vorlane::testenv::path("power.log");
    vorlane::testenv::set_env("VORLANE_POWER_LOG", p);
    return p;
}

// The log's lines without their CR LF; none when there is no log.
inline Lines power_log() {
    std::string bytes;
    Lines lines;
    vorlane::testenv::get_file(vorlane::testenv::path("power.log"), &bytes);
    for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
        end = std::min(bytes.find("\r\n", start), bytes.size());
        lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
}

}  // namespace fixture
