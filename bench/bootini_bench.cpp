// How long the work on the largest BOOT.INI the program accepts takes:
// 1024 lines in 64 KiB, loaded, sorted, restored and rewritten on the fake
// platform (so the numbers are the core's own, without disk I/O).
#include <chrono>
#include <cstdio>
#include <string>

#include "bootini/default_writer.h"
#include "bootini/maintained_default.h"
#include "platform/fake/fake_platform.h"

using namespace vorlane;

namespace {

template <typename Fn>
double microseconds_per_run(int runs, Fn fn) {
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) fn();
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - begin;
    return spent.count() / runs;
}

}  // namespace

int main() {
    std::string text = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\E1\r\n[operating systems]\r\n";
    for (int i = 0;; ++i) {
        const std::string line = "multi(0)disk(0)rdisk(0)partition(1)\\E" + std::to_string(i) + "=\"System " +
                                 std::to_string((i * 7919) % 1000) + "\" /fastdetect\r\n";
        if (text.size() + line.size() > bootini::kMaxBootIniBytes) break;
        text += line;
    }
    fake::reset();
    fake::add_key("Software\\Ostrevan\\Vorlane");
    fake::put_value("Software\\Ostrevan\\Vorlane", "Filename", platform::kRegSz, "C:\\BOOT.INI");
    fake::put_value("Software\\Ostrevan\\Vorlane", "INI", platform::kRegSz, "C:\\VORLANE.INI");
    fake::put_file("C:\\BOOT.INI", text, platform::kAttrReadOnly | platform::kAttrHidden);
    fake::put_file("C:\\VORLANE.INI", "[Config]\r\nDefault=System 500\r\n");

    bootini::BootTable table;
    bootini::load_boot_table(table);
    std::printf("BOOT.INI: %zu bytes, %zu lines, %zu entries\n", text.size(), table.lines.size(),
                table.entries.size());
    std::printf("load:            %8.1f us\n", microseconds_per_run(200, [&] { bootini::load_boot_table(table); }));
    std::printf("sort:            %8.1f us\n", microseconds_per_run(20, [&] {
                    bootini::load_boot_table(table);
                    bootini::sort_entries(table);
                }));
    std::printf("set default:     %8.1f us\n",
                microseconds_per_run(200, [&] { bootini::set_default_entry(table, 1); }));
    std::printf("restore (1 hit): %8.1f us\n", microseconds_per_run(200, [&] {
                    bootini::restore_maintained_default(table);
                }));
    return 0;
}
