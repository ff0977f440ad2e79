// The Windows Boot Manager's store as the first boot menu, chained to BOOT.INI,
// on the fake's HKEY_LOCAL_MACHINE with a bcdedit that applies its arguments.
#include <cstdio>
#include <functional>

#include "shell/app.h"
#include "support/bcd_fixture.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace bcdfix;
using fixture::Lines;

namespace {

const std::string kNtldr = bcd::kLegacyLoader;
const std::string kBcdedit = "C:\\Windows\\System32\\bcdedit.exe ";

void start(shell::App& app, const std::function<void()>& store, std::uint32_t major = 6,
           const char* boot_ini = fixture::kThreeSystems, const char* maintain = "") {
    testenv::reset();
    fake::set_version(2, major, 1);
    fixture::enable_power_log();
    if (*boot_ini) fixture::put_boot_ini(boot_ini);
    testenv::put_text("INI", testenv::path("VORLANE.INI"));
    testenv::put_file(testenv::path("VORLANE.INI"), "");
    testenv::put_text("MaintainDefault", maintain);
    install_bcdedit();
    store();
    shell::start_up(app);
}

// The menu's names joined by "|", the bold one marked with "*".
std::string shown(const shell::App& app) {
    std::string out;
    for (std::size_t i = 0; i < app.menu.entries.size(); ++i)
        out += (i ? "|" : "") + std::string(i == app.menu.default_index ? "*" : "") + app.menu.entries[i].name;
    return out;
}

}  // namespace

TEST_CASE("bcd: the boot manager's menu as Windows makes it, chained to BOOT.INI's, and broken stores") {
    const std::string ini = "Windows 2000 Professional|*Microsoft Windows XP Professional|Microsoft Windows";
    struct Row {
        const char* name;
        std::function<void()> store;
        std::string menu, tip;
        std::uint32_t major = 6;
        const char* boot_ini = fixture::kThreeSystems;
        Lines programs = {};
    } rows[] = {
        {"one Windows", [] { object(kWin7, kLoader, "Windows 7"); manager({kWin7}, kWin7); },
         "*Windows 7", "Windows 7"},
        {"XP + 7, 7 the default", [] { xp_and_7(); }, "*Windows 7|" + ini.substr(0, ini.find('*')) + ini.substr(ini.find('*') + 1),
         "Windows 7"},
        {"XP + 7, {ntldr} the default: BOOT.INI's is bold", [] { xp_and_7(kNtldr); }, "Windows 7|" + ini,
         "Microsoft Windows XP Professional"},
        {"XP + 7 without a BOOT.INI", [] { xp_and_7(kNtldr); }, "Windows 7|*Earlier Version of Windows",
         "Earlier Version of Windows", 6, ""},
        {"10 + 11 in display order, GUIDs in any case",
         [] {
             object(kWin10, kLoader, "Windows 10");
             object(kWin11, kLoader, "Windows 11");
             manager({kWin11, kWin10}, "{A1B2C3D4-0000-0000-0000-000000000010}");
         },
         "Windows 11|*Windows 10", "Windows 10"},
        {"resume, tools and memtest are not shown",
         [] {
             object(kWin10, kLoader, "Windows 10");
             object(kResume, kResumeType, "Resume from Hibernate");
             object(kMemtest, kMemtestType, "Windows Memory Diagnostic");
             manager({kWin10}, kWin10);
             element(bcd::kBootManager, "24000010", platform::kRegMultiSz, multi({kMemtest}));
             element(kWin10, "23000003", platform::kRegSz, std::string(kResume) + '\0');
         },
         "*Windows 10", "Windows 10"},
        {"broken: itself, a resume, no object, twice, a bad GUID, no description, a default of the wrong type",
         [] {
             object(kWin10, kLoader, "");
             object(kResume, kResumeType, "Resume");
             object(kWin11, 0x20200003, "Inheritable settings");
             object(kWin7, kLoader, "Windows 7");
             put_value(key(kWin7, "Description"), "Type", platform::kRegSz, "1");  // not a DWORD: not an object
             manager({bcd::kBootManager, kResume, kWin7, kWin11, kWin10, "{not-a-guid}", kWin10,
                      "{a1b2c3d4-0000-0000-0000-00000000000x}"}, "");
             element(bcd::kBootManager, "23000003", platform::kRegMultiSz, multi({kWin10}));
         },
         "{a1b2c3d4-0000-0000-0000-000000000010}", ""},
        {"broken: a display order that is one string gives no menu of its own",
         [] {
             xp_and_7();
             element(bcd::kBootManager, "24000001", platform::kRegSz, std::string(kWin7) + '\0');
         },
         ini, "Microsoft Windows XP Professional"},
        {"the store Description marks as the system's, not BCD00000000",
         [] {
             xp_and_7();
             put_value("HKLM\\BCD00000001\\Description", "System", platform::kRegDword, dword(1));
             object(kWin11, kLoader, "Windows 11", "BCD00000001");
             manager({kWin11}, kWin11, "BCD00000001");
         },
         "*Windows 11", "Windows 11"},
        {"XP sees no store, even where the keys are there", [] { xp_and_7(); }, ini,
         "Microsoft Windows XP Professional", 5},
        {"no store loaded: bcdedit is asked once to load it",
         [] { fake::set_program_hook([](const std::string&, const std::string&) { xp_and_7(); return 0u; }); },
         "*Windows 7|" + ini.substr(0, ini.find('*')) + ini.substr(ini.find('*') + 1), "Windows 7", 6,
         fixture::kThreeSystems, {kBcdedit + "/enum {bootmgr}"}},
        {"no store at all", [] {}, ini, "Microsoft Windows XP Professional", 6, fixture::kThreeSystems,
         {kBcdedit + "/enum {bootmgr}"}},
    };
    for (const Row& r : rows) {
        shell::App app;
        start(app, r.store, r.major, r.boot_ini);
        CHECK_MSG(shown(app) == r.menu, r.name + (": " + shown(app)));
        CHECK_MSG(app.menu.default_name == r.tip && fake::programs_run() == r.programs && fake::open_keys() == 0, r.name);
        shell::rebuild_menu(app);  // the store is read again, and bcdedit never asked twice
        CHECK_MSG(shown(app) == r.menu && fake::programs_run() == r.programs, r.name);
    }

    // A thousand and more entries: as many as a menu holds, read in reasonable time.
    shell::App app;
    start(app, [] {
        std::vector<std::string> order;
        for (int i = 0; i < 1100; ++i) {
            char id[40];
            std::snprintf(id, sizeof id, "{a1b2c3d4-0000-0000-0000-%012d}", i);
            object(id, kLoader, "W" + std::to_string(i));
            order.push_back(id);
        }
        manager(order, order[1099]);
    });
    CHECK_EQ(app.menu.entries.size(), bootmenu::kMaxEntries);
    CHECK(app.menu.default_index == bootmenu::kNoEntry && app.menu.entries.back().name == "W1023");
}

TEST_CASE("bcd: a choice goes through bcdedit and is read back; any failure says what, and nothing restarts") {
    const std::string ok = "ExitWindowsEx flags=2";
    struct Row {
        const char* line;  // -r, or "shift N" for entry N with Shift held
        const char* maintain;
        std::function<void()> world;
        Lines programs;
        std::string sequence, default_guid;  // the store's elements afterwards
        std::string boot_ini_default;        // and BOOT.INI's
        bool restarted;
        const char* box = "";                // the start of the message shown
    } rows[] = {
        {"-r Windows 7", "True", [] {}, {kBcdedit + "/bootsequence " + kWin7}, kWin7, kNtldr,
         "Microsoft Windows XP Professional", true},
        {"-r Windows 7", "", [] {}, {kBcdedit + "/default " + kWin7}, "", kWin7,
         "Microsoft Windows XP Professional", true},
        {"-r 2000", "True", [] {}, {kBcdedit + "/bootsequence " + kNtldr}, kNtldr, kNtldr,
         "Windows 2000 Professional", true},
        {"-r 2000", "", [] { fake::set_wow64(true); },
         {"C:\\Windows\\Sysnative\\bcdedit.exe /default " + kNtldr}, "", kNtldr, "Windows 2000 Professional", true},
        {"shift 0", "True", [] {}, {kBcdedit + "/default " + kWin7}, "", kWin7,
         "Microsoft Windows XP Professional", false},
        {"-r Windows 7", "", [] { fake::set_elevation(false); },
         {kBcdedit + "/default " + kWin7 + " (as administrator)"}, "", kWin7,
         "Microsoft Windows XP Professional", true},
        {"-r Windows 7", "", [] { fake::set_elevation(false, false); }, {}, "", kNtldr,
         "Microsoft Windows XP Professional", false,
         "The Windows Boot Manager's default was not changed: changing it needs administrator rights"},
        {"-r Windows 7", "True", [] { install_bcdedit(Bcdedit::fails); },
         {kBcdedit + "/bootsequence " + kWin7}, "", kNtldr, "Microsoft Windows XP Professional", false,
         "The Windows Boot Manager's one-time boot sequence was not changed:\n'C:\\Windows\\System32\\bcdedit.exe "
         "/bootsequence {a1b2c3d4-0000-0000-0000-000000000007}' ended with exit code 1."},
        {"-r Windows 7", "", [] { install_bcdedit(Bcdedit::writes_nothing); },
         {kBcdedit + "/default " + kWin7}, "", kNtldr, "Microsoft Windows XP Professional", false,
         "The Windows Boot Manager's default does not name the chosen entry after"},
        {"-r Windows 7", "", [] { fake::fail(fake::Op::run_program, 0, 2); }, {}, "", kNtldr,
         "Microsoft Windows XP Professional", false,
         "The program wasn't able to run\n'C:\\Windows\\System32\\bcdedit.exe'.\n\nThe system cannot find the file"},
    };
    for (const Row& r : rows) {
        shell::App app;
        start(app, [] { xp_and_7(kNtldr); }, 6, fixture::kThreeSystems, r.maintain);
        r.world();
        if (r.line[0] == 's') {
            fake::set_shift(true);
            shell::dispatch_command(app, shell::kEntryCommandBase + static_cast<unsigned>(r.line[6] - '0'));
        } else {
            CHECK_MSG(shell::run_command_line(app, r.line, false) == shell::Outcome::ended, r.line);
        }
        bootini::BootTable on_disk;
        bootini::load_boot_table(on_disk);
        CHECK_MSG(fake::programs_run() == r.programs, r.line + check::show(fake::programs_run()));
        CHECK_MSG(stored("24000002") == r.sequence && stored("23000003") == r.default_guid, r.line);
        CHECK_MSG(on_disk.current_default == r.boot_ini_default, r.line);
        CHECK_MSG(fixture::power_log() == (r.restarted ? Lines{ok} : Lines{}), r.line);
        const auto& boxes = fake::boxes();
        CHECK_MSG(*r.box ? boxes.size() == 1 && boxes[0].text.rfind(r.box, 0) == 0 &&
                               boxes[0].text.find("The computer will not be restarted.") != std::string::npos
                         : boxes.empty(),
                  r.line + check::show(boxes.empty() ? Lines{} : Lines{boxes[0].text}));
    }
}
