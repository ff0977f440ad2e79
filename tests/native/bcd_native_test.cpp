// The Windows Boot Manager's store as the first boot menu, chained to BOOT.INI,
// on the fake's HKEY_LOCAL_MACHINE with a bcdedit that applies its arguments.
#include <functional>

#include "shell/app.h"
#include "support/bcd_fixture.h"
#include "support/boot_fixture.h"
#include "support/check.h"

using namespace vorlane;
using namespace bcdfix;
using fixture::Lines;

namespace {

const std::string kBcdedit = "C:\\Windows\\System32\\bcdedit.exe ", kNtldr = kLegacyLoader;
const std::string kXp = "Microsoft Windows XP Professional";
const std::string kIni = "Windows 2000 Professional|*" + kXp + "|Microsoft Windows";
const std::string kIniPlain = "Windows 2000 Professional|" + kXp + "|Microsoft Windows";

void start(shell::App& app, const std::function<void()>& store, std::uint32_t major = 6, bool boot_ini = true,
           const char* maintain = "") {
    testenv::reset();
    fake::set_version(2, major, 1);
    fixture::put_files(maintain, boot_ini);
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
    const Lines load{kBcdedit + "/enum {bootmgr}"};
    struct Row { const char* name; std::function<void()> store; std::string menu, tip; std::uint32_t major = 6;
                 bool boot_ini = true; Lines programs = {}; } rows[] = {
        {"one Windows", [] { object(kWin7, kLoader, "Windows 7"); manager({kWin7}, kWin7); }, "*Windows 7", "Windows 7"},
        {"XP + 7", [] { xp_and_7(); }, "*Windows 7|" + kIniPlain, "Windows 7"},
        {"XP + 7, {ntldr} the default", [] { xp_and_7(kNtldr); }, "Windows 7|" + kIni, kXp},
        {"two legacy loaders: the first leads on", [] {
             xp_and_7(), object(kWin11, kLegacy, "Other loader"), manager({kWin7, kLegacyLoader, kWin11}, kWin7);
         }, "*Windows 7|" + kIniPlain + "|Other loader", "Windows 7"},
        {"a copy of {ntldr} leads on", [] { xp_and_7(), object(kWin11, kLegacy, "Copy"), manager({kWin7, kWin11}, kWin11); },
         "Windows 7|" + kIni, kXp},
        {"an empty string inside the display order", [] { xp_and_7(), manager({kWin7, "", kNtldr}, kWin7); },
         "*Windows 7|" + kIniPlain, "Windows 7"},
        {"XP + 7, no BOOT.INI", [] { xp_and_7(kNtldr); }, "Windows 7|*Earlier Version of Windows",
         "Earlier Version of Windows", 6, false},
        {"10 + 11, GUIDs in any case", [] {
             object(kWin10, kLoader, "Windows 10"), object(kWin11, kLoader, "Windows 11");
             manager({kWin11, kWin10}, "{a1b2c3d4-0000-0000-0000-000000000010}");
         }, "Windows 11|*Windows 10", "Windows 10"},
        {"resume, tools and memtest not shown", [] {
             const std::string memtest = "{b2721d73-1db4-4c62-bf78-c548a880142d}";
             object(kWin10, kLoader, "Windows 10"), object(kResume, kResumeType, "Resume from Hibernate");
             object(memtest, 0x10200005, "Windows Memory Diagnostic"), manager({kWin10}, kWin10);
             element(kBootManager, "24000010", pf::kRegMultiSz, multi({memtest}));
             element(kWin10, "23000003", pf::kRegSz, std::string(kResume) + '\0');
         }, "*Windows 10", "Windows 10"},
        {"broken: itself, resume, settings, no object, twice, bad GUIDs, no description, default of the wrong type", [] {
             object(kWin10, kLoader, ""), object(kResume, kResumeType, "Resume");
             object(kWin11, 0x20200003, "Inheritable settings"), object(kWin7, kLoader, "Windows 7");
             fake::put_value(key(kWin7, "Description"), "Type", pf::kRegSz, "1");
             manager({kBootManager, kResume, kWin7, kWin11, kWin10, "{not-a-guid}", kWin10,
                      "{a1b2c3d4-0000-0000-0000-00000000000x}"}, "");
             object(kBootManager, kLoader, "Claims to be a loader");
             element(kBootManager, "23000003", pf::kRegMultiSz, multi({kWin10}));
         }, "{a1b2c3d4-0000-0000-0000-000000000010}", ""},
        {"braced but no GUIDs, though objects", [] {
             const Lines ids{"{a1b2c3d4-0000}", "{a1b2c3d4-0000-0000-0000-00000000000x}"};
             for (const std::string& id : ids) object(id, kLoader, id);
             manager(ids, ""); }, kIni, kXp},
        {"a description of the wrong type: the GUID", [] { object(kWin7, kLoader, ""), manager({kWin7}, kWin7);
             element(kWin7, "12000004", pf::kRegMultiSz, multi({"Raw"})); }, std::string("*") + kWin7, kWin7},
        {"broken: a display order that is one string",
         [] { xp_and_7(); element(kBootManager, "24000001", pf::kRegSz, std::string(kWin7) + '\0'); }, kIni, kXp},
        {"the store marked System, not BCD00000000", [] {
             xp_and_7(), object(kWin11, kLoader, "Windows 11", "BCD00000001"), manager({kWin11}, kWin11, "BCD00000001");
             fake::put_value("HKLM\\BCD00000001\\Description", "System", pf::kRegDword, dword(1));
         }, "*Windows 11", "Windows 11"},
        {"a store marked System 0 is not the system one", [] { xp_and_7(), manager({kWin11}, kWin11, "BCD00000001");
             fake::put_value("HKLM\\BCD00000001\\Description", "System", pf::kRegDword, dword(0));
         }, "*Windows 7|" + kIniPlain, "Windows 7"},
        {"XP sees no store, even where the keys are", [] { xp_and_7(); }, kIni, kXp, 5},
        {"no store loaded: bcdedit loads it, once",
         [] { fake::programs().hook = [](const std::string&, const std::string&) { xp_and_7(); return 0u; }; },
         "*Windows 7|" + kIniPlain, "Windows 7", 6, true, load},
        {"no store at all", [] {}, kIni, kXp, 6, true, load},
        {"no store, a 32-bit copy on 64-bit Windows: the real bcdedit asked", [] { fake::programs().wow64 = true; },
         kIni, kXp, 6, true, {"C:\\Windows\\Sysnative\\bcdedit.exe /enum {bootmgr}"}},
    };
    for (const Row& r : rows) {
        shell::App app;
        start(app, r.store, r.major, r.boot_ini);
        shell::rebuild_menu(app);  // the store read again, bcdedit not asked again
        CHECK_MSG(shown(app) == r.menu && app.menu.default_name == r.tip, r.name + (": " + shown(app)));
        CHECK_MSG(fake::programs().runs == r.programs && fake::open_keys() == 0, r.name);
    }
    // More than a menu holds: the first kMaxEntries.
    shell::App app;
    start(app, [] {
        std::vector<std::string> order;
        for (int i = 100000; i < 101100; ++i) order.push_back("{a1b2c3d4-0000-0000-0000-000000" + std::to_string(i) + "}");
        for (const std::string& id : order) object(id, kLoader, "W" + id.substr(31, 6));
        manager(order, order.back());
    });
    CHECK(app.menu.entries.size() == bootmenu::kMaxEntries && app.menu.default_index == bootmenu::kNoEntry &&
          app.menu.entries.back().name == "W101023");
}

TEST_CASE("bcd: a choice goes through bcdedit and is read back; any failure says what, and nothing restarts") {
    const std::string seven = kBcdedit + "/default " + kWin7, once = kBcdedit + "/bootsequence " + kWin7;
    struct Row {
        const char *line, *maintain;  // line: -r, or "shift" for entry 0 with Shift held
        std::function<void()> world;
        std::string program, sequence, default_id, boot_ini_default, box = "";  // afterwards; box: none when restarted
    } rows[] = {
        {"-r Windows 7", "True", [] {}, once, kWin7, kNtldr, kXp},
        {"-r Windows 7", "", [] {}, seven, "", kWin7, kXp},
        {"-r 2000", "True", [] { fake::programs().wow64 = true; },
         "C:\\Windows\\Sysnative\\bcdedit.exe /bootsequence " + kNtldr, kNtldr, kNtldr, "Windows 2000 Professional"},
        // The default leads there already: nothing to ask bcdedit.
        {"-r 2000", "", [] {}, "", "", kNtldr, "Windows 2000 Professional"},
        {"shift", "True", [] {}, seven, "", kWin7, kXp},
        {"-r Windows 7", "True", [] { install_bcdedit(Bcdedit::fails); }, once, "", kNtldr, kXp,
         "The program wasn't able to change the Windows Boot Manager's one-time boot sequence:\n'" + once +
             "' ended with exit code 1."},
        {"-r Windows 7", "", [] { fake::fail(fake::Op::run_program, 0, 2); }, "", "", kNtldr, kXp,
         "The program wasn't able to run\n'C:\\Windows\\System32\\bcdedit.exe'.\n\nThe system cannot find the file"},
    };
    for (const Row& r : rows) {
        shell::App app;
        start(app, [] { xp_and_7(kNtldr); }, 6, true, r.maintain);
        r.world();
        testenv::set_shift(r.line[0] == 's');
        if (r.line[0] == 's') shell::dispatch_command(app, shell::kEntryCommandBase);
        else CHECK_MSG(shell::run_command_line(app, r.line, false) == shell::Outcome::ended, r.line);
        bootini::BootTable on_disk;
        bootini::load_boot_table(on_disk);
        const auto read = [](const char* element) { return bcd::read_guids(bcd::kSystemStore, kBootManager, element); };
        const auto one = [](const std::string& id) { return id.empty() ? Lines{} : Lines{id}; };
        CHECK_MSG(fake::programs().runs == one(r.program) && on_disk.current_default == r.boot_ini_default, r.line);
        CHECK_MSG(read("24000002") == one(r.sequence) && read("23000003") == one(r.default_id), r.line);
        const bool restarted = r.box.empty() && r.line[0] != 's';
        CHECK_MSG(fixture::power_log() == (restarted ? Lines{"ExitWindowsEx flags=2"} : Lines{}), r.line);
        const auto& boxes = testenv::boxes();
        CHECK_MSG(r.box.empty() ? boxes.empty()
                                : boxes.size() == 1 && boxes[0].text.rfind(r.box, 0) == 0 &&
                                      boxes[0].text.find("The computer will not be restarted.") != std::string::npos,
                  r.line + check::show(boxes.empty() ? Lines{} : Lines{boxes[0].text}));
    }
    // A key that is no GUID of the store's is refused, not planned.
    shell::App app;
    start(app, [] { xp_and_7(kNtldr); });
    std::string failure;
    CHECK(!bootmenu::choose(app.bcd, "Windows 7", bootmenu::Choice{}, &failure) &&
          failure == "The Windows Boot Manager's menu could not be read." && fake::programs().runs.empty());
    // Asked for elevation from the 32-bit exe on 64-bit Windows (a store readable without it):
    // System32's own bcdedit, the platform turning the redirection off, since the elevated
    // process is started by a 64-bit service. Without it and unreadable: refused before any run.
    for (bool readable : {true, false}) {
        shell::App app;
        start(app, [] { xp_and_7(kNtldr); });
        fake::programs().wow64 = true;
        fake::programs().elevated = false;
        fake::programs().store_open_to_all = readable;
        shell::run_command_line(app, "-r Windows 7", false);
        CHECK(fake::programs().runs == (readable ? Lines{"C:\\Windows\\System32\\bcdedit.exe /default " +
                                                         std::string(kWin7) + " (as administrator)"} : Lines{}) &&
              fixture::power_log().size() == readable);
    }
}
