// The boot manager's store read from its file, as on XP beside Vista or 7:
// the two stores Windows made (../shared/bcd-samples) and variants of them
// that hivexregedit makes at test time, read value by value as hivex reads
// them, the menu they make, and the choice rule (nothing written to the store).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <unistd.h>

#include "hive/hive.h"
#include "shell/app.h"
#include "support/bcd_fixture.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using fixture::Lines;

namespace {

// VORLANE_BCD_SAMPLES names them elsewhere (for a copy of the tree, say).
const std::string kSamples = getenv("VORLANE_BCD_SAMPLES") ? getenv("VORLANE_BCD_SAMPLES") : VORLANE_SAMPLES;
const std::string kStoreFile = "C:\\Boot\\BCD";
const std::string kNtldr = bcd::kLegacyLoader, kTen = "{1b67bffd-e290-11eb-8ffa-f459a0d9b879}";  // bios.BCD's
const std::string kIni = "Windows 2000 Professional|*Microsoft Windows XP Professional|Microsoft Windows";
const std::string kIniPlain = "Windows 2000 Professional|Microsoft Windows XP Professional|Microsoft Windows";

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        if (pclose(pipe) != 0) out.clear();
    }
    return out;
}

bool tools_and_samples() {
    return std::ifstream(kSamples + "/bios.BCD").good() && std::system("command -v hivexregedit >/dev/null") == 0;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char two[4];
    for (unsigned char c : bytes) std::snprintf(two, sizeof two, "%02x,", c), out += two;
    if (!out.empty()) out.pop_back();
    return out;
}
std::string utf16(const std::string& text) {
    std::string out;
    for (char c : text) out += c, out += '\0';
    return out;
}

// A variant of a sample: its copy changed by a .reg merge (keys at "\"), in a folder of the test's own.
std::string variant(const std::string& sample, const std::string& reg) {
    static std::string folder;
    static int count = 0;
    if (folder.empty()) {
        char name[] = "/tmp/vorlane-hive-XXXXXX";
        folder = mkdtemp(name);
    }
    const std::string path = folder + "/" + std::to_string(++count) + ".BCD";
    std::ofstream(path, std::ios::binary) << slurp(kSamples + "/" + sample);
    if (!reg.empty()) {
        std::ofstream(path + ".reg", std::ios::binary) << "Windows Registry Editor Version 5.00\r\n\r\n" << reg;
        CHECK_MSG(std::system(("hivexregedit --merge " + path + " --prefix '' " + path + ".reg").c_str()) == 0, path);
    }
    return path;
}

std::string element(const std::string& object, const char* type, const std::string& data) {
    return "[\\Objects\\" + object + "\\Elements\\" + type + "]\r\n\"Element\"=" + data + "\r\n\r\n";
}
std::string guids(const std::vector<std::string>& ids) {
    std::string data;
    for (const std::string& id : ids) data += utf16(id) + std::string(2, '\0');
    return "hex(7):" + hex(data + std::string(2, '\0'));
}
// Windows 7's setup beside XP: "Earlier Version of Windows" after the sample's Windows 10.
std::string xp_beside(const std::string& default_id, const std::vector<std::string>& sequence = {}) {
    const std::string o = "[\\Objects\\" + kNtldr;
    std::string reg = o + "]\r\n\r\n" + o + "\\Description]\r\n\"Type\"=dword:10300006\r\n\r\n" + o + "\\Elements]\r\n\r\n" +
                      element(kNtldr, "12000004", "hex(1):" + hex(utf16("Earlier Version of Windows") + std::string(2, '\0')));
    reg += element(bcd::kBootManager, "24000001", guids({kTen, kNtldr}));
    reg += element(bcd::kBootManager, "23000003", "hex(1):" + hex(utf16(default_id) + std::string(2, '\0')));
    return sequence.empty() ? reg : reg + element(bcd::kBootManager, "24000002", guids(sequence));
}

// The key names of {ntldr}'s object in capitals, as the lists that name it are not: names match in any case.
std::string capitals(std::string reg) {
    std::string upper = kNtldr;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t at; (at = reg.find("[\\Objects\\" + kNtldr)) != std::string::npos;) reg.replace(at + 10, upper.size(), upper);
    return reg;
}

// Every key and value of a hive, in hivexregedit's export form, sorted.
std::map<std::string, std::string> ours(const hive::Hive& h) {
    std::map<std::string, std::string> out;
    const auto ascii = [](const std::u16string& s) { std::string a; for (char16_t c : s) a += c < 128 ? char(c) : '?'; return a; };
    std::function<void(const hive::Key&, const std::string&)> walk = [&](const hive::Key& key, const std::string& path) {
        out["[" + (path.empty() ? "\\" : path) + "]"] = "";
        for (const hive::Value& v : key.values) {
            char type[16];
            std::snprintf(type, sizeof type, "hex(%x):", v.type);
            std::string data = type + hex(v.data);
            if (v.type == 4 && v.data.size() == 4) {
                std::snprintf(type, sizeof type, "dword:%08x", unsigned(v.data[0] & 0xFF) | unsigned(v.data[1] & 0xFF) << 8 |
                              unsigned(v.data[2] & 0xFF) << 16 | unsigned(v.data[3] & 0xFF) << 24);
                data = type;
            }
            out["[" + path + "]" + (v.name.empty() ? "@" : "\"" + ascii(v.name) + "\"")] = data;
        }
        for (std::size_t i : key.subkeys) walk(h.keys[i], path + "\\" + ascii(h.keys[i].name));
    };
    if (!h.keys.empty()) walk(h.keys[0], "");
    return out;
}
std::map<std::string, std::string> hivex(const std::string& path) {
    std::map<std::string, std::string> out;
    std::string key, line;
    std::istringstream text(run("hivexregedit --export " + path + " '\\' 2>/dev/null"));
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 1 && line[0] == '[') out[key = line] = "";
        else if (line.find('=') != std::string::npos)
            out[(key == "[\\]" ? "[]" : key) + line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    return out;
}

std::uint32_t get32(const std::string& b, std::size_t at) {
    std::uint32_t n;
    std::memcpy(&n, &b[at], 4);
    return n;
}
void put32(std::string& b, std::size_t at, std::uint32_t n) { std::memcpy(&b[at], &n, 4); }
// Offsets (from the first bin) of each bin and each cell of a well-formed hive.
std::vector<std::size_t> structures(const std::string& b) {
    std::vector<std::size_t> at;
    for (std::size_t bin = 0; bin < get32(b, 0x28); bin += get32(b, 4096 + bin + 8)) {
        at.push_back(bin);
        for (std::size_t cell = bin + 32; cell < bin + get32(b, 4096 + bin + 8);
             cell += std::abs(std::int32_t(get32(b, 4096 + cell))))
            at.push_back(cell);
    }
    return at;
}
void checksum(std::string& b) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 508; i += 4) sum ^= get32(b, i);
    put32(b, 508, sum ? sum : 1);
}
// The first entry of the root key's subkey list.
std::size_t first_subkey_entry(const std::string& b) {
    const std::uint32_t list = get32(b, 4096 + get32(b, 0x24) + 4 + 0x1C);
    return 4096 + list + 8;  // after the cell's size, the signature and the count
}

// XP with BOOT.INI's three systems, the store file holding `bytes`, Vorlane started.
void start(shell::App& app, const std::string& bytes, const char* maintain = "") {
    testenv::reset();
    fake::set_version(2, 5, 1);
    fixture::put_files(maintain);
    fake::put_file(kStoreFile, bytes);
    shell::start_up(app);
}

std::string shown(const shell::App& app) {
    std::string out;
    for (const std::string& notice : app.menu.notices) out += "(" + notice + ")|";
    for (std::size_t i = 0; i < app.menu.entries.size(); ++i)
        out += (i ? "|" : "") + std::string(i == app.menu.default_index ? "*" : "") + app.menu.entries[i].name;
    return out;
}

}  // namespace

TEST_CASE("hive: Windows' stores and hivex's variants read as hivex reads them, faults refused whole, the menu") {
    if (!tools_and_samples()) return (void)std::puts("    skipped: no ../shared/bcd-samples or no hivexregedit");
    using R = hive::Refusal;
    const std::string unread = std::string("(") + bcd::kUnreadableNotice + ")|" + kIni;
    // uefi.BCD's second bin gone, the header saying so.
    const auto cut_bins = [](std::string& b) { put32(b, 0x28, 4096), checksum(b), b.resize(8192); };
    // A byte of the base block changed, its checksum made good: the version at 0x14 (major) and 0x18 (minor).
    const auto base = [](std::size_t at, char value) { return [at, value](std::string& b) { b[at] = value, checksum(b); }; };
    const auto big = [](std::size_t n) { return "[\\Description]\r\n\"Big\"=hex:" + hex(std::string(n, 'x')) + "\r\n\r\n"; };
    // bios.BCD's last cell is free; its first value with a 4-letter name is inline, with a 7-letter one in a cell.
    const auto last_cell = [](const std::string& b) { return 4096 + structures(b).back(); };
    const auto vk = [](const std::string& b, char name_length) { return b.find(std::string("vk") + name_length + '\0'); };
    struct Row { const char* name; std::string file; std::function<void(std::string&)> poke; R refusal; std::string menu; } rows[] = {
        {"bios.BCD", variant("bios.BCD", ""), {}, R::none, "*Windows 10"},
        {"uefi.BCD", variant("uefi.BCD", ""), {}, R::none, "*Windows 10 Pro"},
        {"XP + 7, {ntldr} the default", variant("bios.BCD", xp_beside(kNtldr)), {}, R::none, "Windows 10|" + kIni},
        {"XP + 7, its object's key in capitals", variant("bios.BCD", capitals(xp_beside(kNtldr))), {}, R::none, "Windows 10|" + kIni},
        {"XP + 7, Windows the default", variant("bios.BCD", xp_beside(kTen)), {}, R::none, "*Windows 10|" + kIniPlain},
        {"a pending sequence leads elsewhere", variant("bios.BCD", xp_beside(kNtldr, {kTen})), {}, R::none, "Windows 10|" + kIni},
        {"padding after the last bin", variant("bios.BCD", ""), [](std::string& b) { b += std::string(8192, '\0'); }, R::none, "*Windows 10"},
        {"dirty: sequence numbers differ", variant("bios.BCD", ""), [](std::string& b) { ++b[8], checksum(b); }, R::dirty, unread},
        {"checksum", variant("bios.BCD", ""), [](std::string& b) { ++b[508]; }, R::checksum, unread},
        {"minor version 7", variant("bios.BCD", ""), base(0x18, 7), R::base_block, unread},
        {"minor version 6", variant("bios.BCD", ""), base(0x18, 6), R::none, "*Windows 10"},
        {"minor version 2", variant("bios.BCD", ""), base(0x18, 2), R::base_block, unread},
        {"major version 2", variant("bios.BCD", ""), base(0x14, 2), R::base_block, unread},
        {"1.5: 16,344 bytes in a cell", variant("bios.BCD", big(16344)), base(0x18, 5), R::none, "*Windows 10"},
        {"1.5: more, big data not read", variant("bios.BCD", big(16345)), base(0x18, 5), R::structure, unread},
        // hivex gives the default value 4 spare bytes; Windows' cell is 24.
        {"a default value, a name beyond Latin-1",
         variant("bios.BCD", "[\\Description]\r\n@=dword:00000005\r\n\"N\xce\xb1\"=dword:00000001\r\n\r\n"),
         [&](std::string& b) { const std::size_t at = vk(b, 0) - 4; put32(b, at, 0u - 24), put32(b, at + 24, 8); }, R::none, "*Windows 10"},
        {"a bin signature", variant("bios.BCD", ""), [](std::string& b) { b[4096] = 'X'; }, R::bins, unread},
        {"a cell past its bin", variant("bios.BCD", ""),
         [&](std::string& b) { put32(b, last_cell(b), get32(b, last_cell(b)) + 8); }, R::cells, unread},
        {"cells of 12 bytes", variant("bios.BCD", ""),
         [&](std::string& b) { const std::size_t at = last_cell(b); put32(b, at + 12, get32(b, at) - 12), put32(b, at, 12); }, R::cells, unread},
        {"the root's signature", variant("bios.BCD", ""), [](std::string& b) { b[4096 + get32(b, 0x24) + 4] = 'x'; }, R::structure, unread},
        {"a list's signature", variant("bios.BCD", ""),
         [](std::string& b) { b[b.find(std::string("lf\1\0", 4)) + 1] = 'x'; }, R::structure, unread},
        {"a child listed twice", variant("bios.BCD", ""),
         [](std::string& b) { put32(b, first_subkey_entry(b) + 8, get32(b, first_subkey_entry(b))); }, R::structure, unread},
        {"5 bytes inline", variant("bios.BCD", ""), [&](std::string& b) { b[vk(b, 4) + 4] = 5; }, R::structure, unread},
        {"data past its cell", variant("bios.BCD", ""), [&](std::string& b) { put32(b, vk(b, 7) + 4, 4096); }, R::structure, unread},
        {"over 4 MiB", variant("bios.BCD", ""), [](std::string& b) { b.resize(hive::kMaxFileBytes + 1); }, R::too_large, unread},
        {"4 MiB", variant("bios.BCD", ""), [](std::string& b) { b.resize(hive::kMaxFileBytes); }, R::none, "*Windows 10"},
        {"the bins' size no multiple of 4,096", variant("bios.BCD", ""),
         [](std::string& b) { put32(b, 0x28, get32(b, 0x28) - 8), checksum(b); }, R::base_block, unread},
        {"a bin's size no multiple of 4,096", variant("bios.BCD", ""), [](std::string& b) { put32(b, 4096 + 8, 4104); },
         R::bins, unread},
        {"a list pointing at the bins' end", variant("bios.BCD", ""),
         [](std::string& b) { put32(b, first_subkey_entry(b), get32(b, 0x28)); }, R::structure, unread},
        {"the last bin cut off", variant("uefi.BCD", ""), cut_bins, R::structure, unread},
        {"a list pointing outside its bin", variant("bios.BCD", ""),
         [](std::string& b) { put32(b, first_subkey_entry(b), 0x7FFFFFF8); }, R::structure, unread},
        {"a list longer than its cell", variant("bios.BCD", ""),
         [](std::string& b) { b[first_subkey_entry(b) - 2] = char(0xFF); }, R::structure, unread},
        {"a loop: the root its own subkey", variant("bios.BCD", ""),
         [](std::string& b) { put32(b, first_subkey_entry(b), get32(b, 0x24)); }, R::structure, unread},
    };
    for (const Row& r : rows) {
        std::string bytes = slurp(r.file);
        if (r.poke) r.poke(bytes);
        hive::Hive h;
        CHECK_MSG(hive::read(bytes, &h) == r.refusal && h.keys.empty() == (r.refusal != R::none), r.name);
        if (!r.poke) CHECK_MSG(ours(h) == hivex(r.file) && ours(h).size() > 40, r.name);
        shell::App app;
        start(app, bytes);
        CHECK_MSG(shown(app) == r.menu && app.bcd.from_file() == (r.refusal == R::none), r.name + (": " + shown(app)));
        CHECK_MSG(app.bcd.manager().sequence == (std::string(r.name).find("pending") == std::string::npos ? Lines{} : Lines{kTen}), r.name);
    }
    // Cut at every bin and cell: refused, as hivex refuses it.
    const std::string whole = slurp(kSamples + "/uefi.BCD");
    std::vector<std::size_t> cuts = {0, 2048, 4096};
    for (std::size_t at : structures(whole)) cuts.push_back(4096 + at), cuts.push_back(4096 + at + 6);
    for (std::size_t cut : cuts) {
        hive::Hive h;
        CHECK_MSG(hive::read(whole.substr(0, cut), &h) != R::none && h.keys.empty(), std::to_string(cut));
    }
    const std::string cut = variant("uefi.BCD", "") + ".cut";
    std::ofstream(cut, std::ios::binary) << whole.substr(0, 4096 + 4096 + 100);
    CHECK(cuts.size() > 100 && hivex(cut).empty());
}

TEST_CASE("hive: from XP a choice goes ahead only where the boot manager already leads, and never writes the store") {
    // The store is at the root of BOOT.INI's drive or share; a malformed share names none.
    const struct { const char *boot_ini, *store; } places[] = {
        {"D:\\sub\\BOOT.INI", "D:\\Boot\\BCD"}, {"BOOT.INI", "C:\\Boot\\BCD"}, {"", ""},
        {"\\\\pc\\c\\BOOT.INI", "\\\\pc\\c\\Boot\\BCD"}, {"\\\\pc\\c", "\\\\pc\\c\\Boot\\BCD"},
        {"\\\\pc", ""}, {"\\\\\\c\\BOOT.INI", ""}, {"\\\\pc\\\\BOOT.INI", ""}};
    for (const auto& p : places) CHECK_EQ(bcd::store_file_path(p.boot_ini), p.store);
    if (!tools_and_samples()) return (void)std::puts("    skipped: no ../shared/bcd-samples or no hivexregedit");
    const std::string win2000 = "Windows 2000 Professional", xp = "Microsoft Windows XP Professional";
    const std::string ten_next = "The Windows Boot Manager starts \"Windows 10\" next, so a restart from here would not reach \"";
    struct Row {
        std::string store, line;
        std::string boot_ini_default, box;  // afterwards; box: the message's start, none when restarted
    } rows[] = {
        {xp_beside(kNtldr), "-r 2000", win2000, ""},
        {xp_beside(kTen), "-r Windows 10", xp, ""},
        {xp_beside(kNtldr, {kTen}), "-r Windows 10", xp, ""},
        {xp_beside(kTen), "-r 2000", xp, ten_next + win2000 + "\". Make \"Earlier Version of Windows\" its default from "
                                         "\"Windows 10\" (Vorlane with Shift does it), or choose at the boot menu."},
        {xp_beside(kNtldr, {kTen}), "-r 2000", xp, ten_next + win2000},
        {xp_beside(kNtldr), "-r Windows 10", xp, "The Windows Boot Manager starts \"Earlier Version of Windows\" next, "
                                                 "so a restart from here would not reach \"Windows 10\". Make \"Windows 10\" "
                                                 "its default from Windows Vista or later"},
    };
    for (const Row& r : rows) {
        const std::string bytes = slurp(variant("bios.BCD", r.store));
        shell::App app;
        start(app, bytes, "True");
        CHECK_MSG(shell::run_command_line(app, r.line, false) == shell::Outcome::ended, r.line);
        bootini::BootTable on_disk;
        bootini::load_boot_table(on_disk);
        std::string store, saved;
        fake::get_file(kStoreFile, &store);
        testenv::get_file(testenv::path("VORLANE.INI"), &saved);
        const bool switched = r.boot_ini_default != xp;
        CHECK_MSG(on_disk.current_default == r.boot_ini_default && store == bytes && fake::programs().runs.empty() &&
                      saved.empty() != switched, r.line + " " + on_disk.current_default);
        CHECK_MSG(fixture::power_log() == (r.box.empty() ? Lines{"ExitWindowsEx flags=2"} : Lines{}), r.line);
        const auto& boxes = testenv::boxes();
        CHECK_MSG(r.box.empty() ? boxes.empty() : boxes.size() == 1 && boxes[0].text.rfind(r.box, 0) == 0,
                  r.line + check::show(boxes.empty() ? Lines{} : Lines{boxes[0].text}));
    }
    // An unnamed BOOT.INI entry is named as the store names {ntldr}, where it leads.
    shell::App app;
    start(app, slurp(variant("bios.BCD", xp_beside(kTen))));
    std::string why;
    CHECK(!bootmenu::choose(app.bcd, kNtldr, bootmenu::Choice{}, &why) && why.rfind(ten_next + "Earlier Version of Windows\"", 0) == 0);
}
