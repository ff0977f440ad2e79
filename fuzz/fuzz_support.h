// Shared by the fuzz targets: a failed invariant aborts (libFuzzer then keeps
// the input), the input is cut into fields at zero bytes, and each input
// starts from a fresh fake world with BOOT.INI and VORLANE.INI in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bootini/text_file.h"
#include "platform/fake/fake_platform.h"
#include "support/test_env.h"

// Each target is one translation unit, so this is defined once per program.
// Allocation stacks and a large quarantine cost more than half the run time
// and hundreds of MB of resident memory; a finding is re-run with
// ASAN_OPTIONS=malloc_context_size=30 to see them.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "malloc_context_size=0:quarantine_size_mb=16:max_malloc_fill_size=0";
}

namespace fuzz {

inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
#define REQUIRE(condition) ::fuzz::require((condition), #condition)

// Reads the input front to back; every read past the end gives zeros or "".
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(reinterpret_cast<const char*>(data)), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? static_cast<std::uint8_t>(data_[at_++]) : 0; }
    // Up to the next zero byte, which is consumed.
    std::string field() {
        std::size_t end = at_;
        while (end < size_ && data_[end] != '\0') ++end;
        std::string text(data_ + at_, end - at_);
        at_ = end < size_ ? end + 1 : end;
        return text;
    }
    std::string rest() {
        std::string text(data_ + at_, size_ - at_);
        at_ = size_;
        return text;
    }
    bool empty() const { return at_ >= size_; }

private:
    const char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Paths {
    std::string boot_ini, vorlane_ini;
};

// A clean world whose Filename and INI name these two files.
inline Paths make_world(const std::string& boot_ini, const std::string& vorlane_ini,
                        std::uint32_t boot_attributes = vorlane::platform::kAttrNormal) {
    vorlane::testenv::reset();
    Paths paths{vorlane::testenv::path("BOOT.INI"), vorlane::testenv::path("VORLANE.INI")};
    vorlane::testenv::put_file(paths.boot_ini, boot_ini, boot_attributes);
    vorlane::testenv::put_file(paths.vorlane_ini, vorlane_ini);
    vorlane::testenv::put_text("Filename", paths.boot_ini);
    vorlane::testenv::put_text("INI", paths.vorlane_ini);
    return paths;
}

inline std::string file(const std::string& path) {
    std::string bytes;
    vorlane::testenv::get_file(path, &bytes);
    return bytes;
}

// The file's lines as the program reads them.
inline std::vector<std::string> lines_of(const std::string& path) {
    return vorlane::bootini::split_lines(vorlane::bootini::crlf_to_newline(file(path)));
}

// Nothing may stay open once an operation has returned.
inline void require_all_closed() {
    REQUIRE(vorlane::fake::open_keys() == 0);
    REQUIRE(vorlane::fake::open_files() == 0);
}

}  // namespace fuzz
