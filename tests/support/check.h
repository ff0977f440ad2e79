// A small test harness: plain programs that exit non-zero on failure and
// print the failed expression with its file and line. Test cases register
// themselves; the runner prints "N passed, N failed" as its last line.
#pragma once

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace check {

struct Case { const char* name; void (*fn)(); };
inline std::vector<Case>& cases() { static std::vector<Case> all; return all; }
inline int failures_in_case = 0;
struct Register {
    Register(const char* name, void (*fn)()) { cases().push_back({name, fn}); }
};

template <typename T>
std::string show(const T& v) {
    std::ostringstream out;
    out << std::boolalpha << v;
    return out.str();
}
// Quoted, with line ends and other unprintable bytes escaped.
inline std::string show(const std::string& s) {
    std::string out = "\"";
    char buf[8];
    for (unsigned char c : s) {
        std::snprintf(buf, sizeof buf, c >= 32 && c < 127 ? "%c" : "\\x%02x", unsigned{c});
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : buf;
    }
    return out + "\"";
}
inline std::string show(const char* s) { return show(std::string(s ? s : "(null)")); }
template <typename T>
std::string show(const std::vector<T>& v) {
    std::string out = "{";
    for (std::size_t i = 0; i < v.size(); ++i) out += (i ? ", " : "") + show(v[i]);
    return out + "}";
}

inline void fail(const char* file, int line, const std::string& what) {
    std::printf("    FAIL %s:%d: %s\n", file, line, what.c_str());
    std::fflush(stdout);
    ++failures_in_case;
}

// Runs the cases whose name contains argv[1] (all without it).
inline int run_all(int argc, char** argv) {
    const std::string filter = argc > 1 ? argv[1] : "";
    int passed = 0, failed = 0;
    for (const Case& c : cases()) {
        if (std::string(c.name).find(filter) == std::string::npos) continue;
        failures_in_case = 0;
        c.fn();
        if (failures_in_case == 0) ++passed;
        else { ++failed; std::printf("FAILED: %s\n", c.name); }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);  // a sanitizer's exit would drop buffered lines
    return failed == 0 ? 0 : 1;
}

}  // namespace check

#define CHECK_CONCAT2(a, b) a##b
#define CHECK_CONCAT(a, b) CHECK_CONCAT2(a, b)
#define TEST_CASE(name)                                                                                 \
    static void CHECK_CONCAT(test_fn_, __LINE__)();                                                    \
    static check::Register CHECK_CONCAT(test_reg_, __LINE__)(name, &CHECK_CONCAT(test_fn_, __LINE__)); \
    static void CHECK_CONCAT(test_fn_, __LINE__)()

// CHECK_MSG adds context, such as a table row, to a failure.
#define CHECK_MSG(expr, msg) \
    do { if (!(expr)) check::fail(__FILE__, __LINE__, std::string("CHECK(" #expr ") ") + (msg)); } while (0)
#define CHECK(expr) CHECK_MSG(expr, "")
#define CHECK_EQ(a, b)                                                                                    \
    do {                                                                                                  \
        const auto& check_a_ = (a);                                                                       \
        const auto& check_b_ = (b);                                                                       \
        if (!(check_a_ == check_b_))                                                                      \
            check::fail(__FILE__, __LINE__, "CHECK_EQ(" #a ", " #b "): " + check::show(check_a_) + " != " + \
                                                check::show(check_b_));                                   \
    } while (0)
