// A choice across the boot menus a machine shows in turn, made by -r: all of
// it or nothing, whatever step fails, and nothing pending left to take the
// next boot. The machines: UEFI with ubuntu first and the boot manager's
// Windows 11 and 10 behind its entry; Windows 7 beside XP, whose
// "Earlier Version of Windows" leads on to BOOT.INI; XP alone.
#include <functional>

#include "shell/app.h"
#include "support/bcd_fixture.h"
#include "support/boot_fixture.h"
#include "support/check.h"
#include "support/firmware_fixture.h"

using namespace vorlane;
using fixture::Lines;
using fwfix::order_bytes;

namespace {

const std::string kNone = "(none)", kNtldr = bcdfix::kLegacyLoader, kWin10 = "{a1b2c3d4-0000-0000-0000-000000000010}";
const std::string kXp = "Microsoft Windows XP Professional", k2000 = "Windows 2000 Professional";

void uefi() {
    fwfix::machine({fwfix::kWindowsUbuntuUsb[0], fwfix::kWindowsUbuntuUsb[1]}, {3, 0});
    bcdfix::object(bcdfix::kWin11, bcdfix::kLoader, "Windows 11");
    bcdfix::object(bcdfix::kWin10, bcdfix::kLoader, "Windows 10");
    bcdfix::manager({bcdfix::kWin11, bcdfix::kWin10}, bcdfix::kWin11);
}

void xp() {
    testenv::reset();
    fake::set_version(2, 5, 1);
}

void seven_and_xp() {
    testenv::reset();
    fake::set_version(2, 6, 1);
    bcdfix::xp_and_7();
}

// The boot manager's setting as one text: its GUIDs joined by blanks.
std::string store(const char* type) {
    std::string out;
    for (const std::string& id : bcd::read_guids(bcd::kSystemStore, bcd::kBootManager, type))
        out += (out.empty() ? "" : " ") + id;
    return out;
}

}  // namespace

TEST_CASE("choice: all or nothing across firmware, boot manager and BOOT.INI; nothing pending left behind") {
    struct Row {
        const char* name;
        void (*machine)();
        const char* pick;  // -r's text
        bool once;         // Maintain default on
        std::function<void()> before;  // after the menu was read
        // Afterwards: BootNext, BootOrder, the one-time sequence, the default, BOOT.INI's default.
        std::string next, order, sequence, default_id, boot_ini;
        const char* box;  // contained in the message; "" when it restarts
        std::size_t writes = 0;  // boot writes logged, the failing one included
    } rows[] = {
        {"10 once", uefi, "Windows 10", true, [] {}, order_bytes({0}), order_bytes({3, 0}), kWin10, bcdfix::kWin11, kXp, "", 2},
        {"11 once: the default, for once", uefi, "Windows 11", true, [] {}, order_bytes({0}), order_bytes({3, 0}),
         bcdfix::kWin11, bcdfix::kWin11, kXp, "", 2},
        // For good behind the firmware: the boot manager's entry moves to the front.
        {"10 always", uefi, "Windows 10", false, [] {}, kNone, order_bytes({0, 3}), "", kWin10, kXp, "", 2},
        // The firmware refuses: the boot manager's sequence or default is put back.
        {"10 once, BootNext refused", uefi, "Windows 10", true, [] { fake::fail(fake::Op::firmware_set); }, kNone,
         order_bytes({3, 0}), "", bcdfix::kWin11, kXp, "'BootNext'.\n\nAccess is denied.", 2},
        {"10 always, BootOrder refused", uefi, "Windows 10", false, [] { fake::fail(fake::Op::firmware_set); }, kNone,
         order_bytes({3, 0}), "", bcdfix::kWin11, kXp, "'BootOrder'.\n\nAccess is denied.", 2},
        // ... and when that undo fails too, the message says what is still changed.
        {"10 once, BootNext refused, undo fails", uefi, "Windows 10", true,
         [] { fake::fail(fake::Op::firmware_set); bcdfix::install_bcdedit(bcdfix::Bcdedit::applies, 1); }, kNone,
         order_bytes({3, 0}), kWin10, bcdfix::kWin11, kXp,
         "still changed:\n- the Windows Boot Manager's one-time boot sequence", 2},
        // One-time starts left pending never take the boot after a choice for good.
        {"10 always, sequence pending", uefi, "Windows 10", false,
         [] { bcdfix::element(bcd::kBootManager, "24000002", platform::kRegMultiSz, bcdfix::multi({bcdfix::kWin11})); },
         kNone, order_bytes({0, 3}), "", kWin10, kXp, "", 3},
        {"ubuntu always, BootNext pending", uefi, "ubuntu", false, [] { fake::put_variable("BootNext", order_bytes({0})); },
         kNone, order_bytes({3, 0}), "", bcdfix::kWin11, kXp, "", 1},
        // Inside the firmware: BootOrder is put back when BootNext cannot be removed.
        {"ubuntu always, BootNext pending, its removal refused", uefi, "ubuntu", false,
         [] { fake::put_variable("BootOrder", order_bytes({0, 3})); fake::put_variable("BootNext", order_bytes({0}));
              fake::fail(fake::Op::firmware_set, 1); },
         order_bytes({0}), order_bytes({0, 3}), "", bcdfix::kWin11, kXp, "'BootNext'.\n\nAccess is denied.", 2},
        // A number reused by a firmware tool is not the entry the menu showed.
        {"ubuntu re-created as Fedora", uefi, "ubuntu", true,
         [] { fake::put_variable("Boot0003", firmware::serialise_load_option({fwfix::kActive, u"Fedora",
                                                                              fwfix::file_path(u"\\EFI\\fedora\\shimx64.efi"), ""})); },
         kNone, order_bytes({3, 0}), "", bcdfix::kWin11, kXp, "no longer \"ubuntu\"", 0},
        {"10 once, bcdedit fails", uefi, "Windows 10", true, [] { bcdfix::install_bcdedit(bcdfix::Bcdedit::fails); },
         kNone, order_bytes({3, 0}), "", bcdfix::kWin11, kXp, "ended with exit code 1", 1},

        {"2000 once", seven_and_xp, "2000", true, [] {}, kNone, kNone, kNtldr, bcdfix::kWin7, k2000, "", 3},
        {"2000 always", seven_and_xp, "2000", false, [] {}, kNone, kNone, "", kNtldr, k2000, "", 2},
        // bcdedit fails after BOOT.INI (and VORLANE.INI) were written: both are put back.
        {"2000 once, bcdedit fails", seven_and_xp, "2000", true, [] { bcdfix::install_bcdedit(bcdfix::Bcdedit::fails); },
         kNone, kNone, "", bcdfix::kWin7, kXp, "ended with exit code 1", 3},
        // A BOOT.INI that named the choice already needs no putting back; one that cannot be put back is listed.
        {"XP always, bcdedit fails", seven_and_xp, "XP", false, [] { bcdfix::install_bcdedit(bcdfix::Bcdedit::fails); },
         kNone, kNone, "", bcdfix::kWin7, kXp, "ended with exit code 1", 2},
        {"2000 always, bcdedit fails, BOOT.INI not put back", seven_and_xp, "2000", false,
         [] { bcdfix::install_bcdedit(bcdfix::Bcdedit::fails); fake::fail(fake::Op::file_replace, 1); }, kNone, kNone, "",
         bcdfix::kWin7, k2000, "still changed:\n- BOOT.INI's default", 2},
        {"2000 always, bcdedit writes nothing", seven_and_xp, "2000", false,
         [] { bcdfix::install_bcdedit(bcdfix::Bcdedit::writes_nothing); }, kNone, kNone, "", bcdfix::kWin7, kXp,
         "it does not hold what", 2},
        {"7 always, {ntldr} pending", seven_and_xp, "Windows 7", false,
         [] { bcdfix::element(bcd::kBootManager, "24000002", platform::kRegMultiSz, bcdfix::multi({kNtldr})); },
         kNone, kNone, "", bcdfix::kWin7, kXp, "", 1},
        // The set-aside copy that may be the only good BOOT.INI stops the switch before anything is written.
        {"2000, a differing BOOT.INI.old~", seven_and_xp, "2000", true,
         [] { testenv::put_file(testenv::path("BOOT.INI.old~"), "[boot loader]\r\ntimeout=5\r\n"); },
         kNone, kNone, "", bcdfix::kWin7, kXp, "BOOT.INI.old~' holds an earlier copy", 0},
        // A menu refused to the copy that read it, chosen from elevated: still no restart.
        {"2000, the boot manager's menu unread", [] { seven_and_xp(); fake::programs().elevated = false; }, "2000", false,
         [] { fake::programs().elevated = true; }, kNone, kNone, "", bcdfix::kWin7, kXp, "cannot be chosen from here", 0},
    };
    for (const Row& r : rows) {
        r.machine();
        fixture::put_files(r.once ? "True" : "");
        bcdfix::install_bcdedit();
        shell::App app;
        shell::start_up(app);
        r.before();
        CHECK_MSG(shell::run_command_line(app, std::string("-r ") + r.pick, false) == shell::Outcome::ended, r.name);
        bootini::BootTable on_disk;
        bootini::load_boot_table(on_disk);
        CHECK_MSG(fwfix::variable("BootNext") == r.next && fwfix::variable("BootOrder") == r.order &&
                      store(bcd::kBootSequence) == r.sequence && store(bcd::kDefault) == r.default_id &&
                      on_disk.current_default == r.boot_ini, r.name);
        // A one-time BOOT.INI switch keeps the usual default, and only one that happened.
        std::string ini;
        testenv::get_file(testenv::path("VORLANE.INI"), &ini);
        CHECK_MSG(ini == (r.once && !*r.box && r.machine == seven_and_xp ? "[Config]\r\nDefault=" + kXp + "\r\n" : ""),
                  r.name + check::show(ini));
        const auto& boxes = testenv::boxes();
        CHECK_MSG(*r.box ? boxes.size() == 1 && boxes[0].text.find(r.box) != std::string::npos &&
                               (boxes[0].text.find("still changed") == std::string::npos) ==
                                   (std::string(r.box).find("still changed") == std::string::npos)
                         : boxes.empty(),
                  r.name + check::show(boxes.empty() ? Lines{} : Lines{boxes[0].text}));
        CHECK_MSG(fixture::power_log() == (*r.box ? Lines{} : Lines{"ExitWindowsEx flags=2"}) &&
                      fixture::power_log(true).size() == r.writes, r.name + check::show(fixture::power_log(true)));
    }
}

TEST_CASE("choice: what Windows hides from a copy that is not elevated, and a pending one-time start") {
    const std::string self = "C:\\Program Files\\Vorlane\\vorlane.exe ", up = " (as administrator) (started)";
    const std::string hidden_fw = "UEFI firmware: needs administrator rights",
                      hidden_bcd = "Windows Boot Manager: needs administrator rights";
    struct Row {
        const char* name;
        void (*machine)();
        bool elevated, consent;
        std::function<void()> before;  // before the start
        const char* act;               // -r/-c text, or "pick N"
        Lines notices;
        bool show_every;
        std::string pending, tip;      // before the act
        Lines runs;                    // programs started or run by the act
        std::string sequence, next;    // afterwards
    } rows[] = {
        // Not elevated: every menu of a UEFI machine is hidden, and -r asks for an elevated copy.
        {"uefi, -r", uefi, false, true, [] {}, "-r Windows 10", {hidden_fw, hidden_bcd}, true, "",
         "No operating systems found (Double-click disabled)",
         {self + "-r Windows 10" + up}, "", kNone},
        // The firmware alone refused: its entries still need an elevated copy.
        {"uefi, store open to all, -r", uefi, false, true, [] { fake::programs().store_open_to_all = true; },
         "-r Windows 10", {hidden_fw}, true, "", "", {self + "-r Windows 10" + up}, "", kNone},
        {"uefi, -r declined", uefi, false, false, [] {}, "-r Windows 10", {hidden_fw, hidden_bcd}, true, "", "", {}, "", kNone},
        // BOOT.INI's entries behind a hidden boot manager are chosen by an elevated copy.
        {"7 + XP, pick", seven_and_xp, false, true, [] {}, "pick 1", {hidden_bcd}, true, "", kXp + " (Double-click disabled)",
         {self + "-r \"" + kXp + "\"" + up}, "", kNone},
        // Elevated: nothing hidden; pending one-time starts named, and cancelled.
        {"uefi, BootNext pending", uefi, true, true, [] { fake::put_variable("BootNext", order_bytes({0})); }, "-c", {},
         false, "Windows 11", "Next start only: Windows 11 (Double-click disabled)", {}, "", kNone},
        {"uefi, BootNext to ubuntu, which leads nowhere", uefi, true, true, [] {
             fake::put_variable("BootOrder", order_bytes({0, 3}));
             fake::put_variable("BootNext", order_bytes({3}));
         }, "-c", {}, false, "ubuntu", "", {}, "", kNone},
        {"uefi, BootNext to the default", uefi, true, true, [] { fake::put_variable("BootNext", order_bytes({3})); }, "-c",
         {}, false, "", "", {}, "", kNone},
        {"uefi, nothing pending", uefi, true, true, [] {}, "-c", {}, false, "", "", {}, "", kNone},
        {"uefi, both pending", uefi, true, true, [] {
             fake::put_variable("BootNext", order_bytes({0}));
             bcdfix::element(bcd::kBootManager, "24000002", platform::kRegMultiSz, bcdfix::multi({kWin10}));
         }, "-c", {}, false, "Windows 10", "", {"C:\\Windows\\System32\\bcdedit.exe /deletevalue " +
         std::string(bcd::kBootManager) + " bootsequence"}, "", kNone},
        {"7 + XP, {ntldr} pending", seven_and_xp, true, true, [] {
             bcdfix::element(bcd::kBootManager, "24000002", platform::kRegMultiSz, bcdfix::multi({kNtldr}));
         }, "-c", {}, false, kXp, "", {"C:\\Windows\\System32\\bcdedit.exe /deletevalue " +
         std::string(bcd::kBootManager) + " bootsequence"}, "", kNone},
        {"XP, not elevated: nothing hidden", xp, false, true, [] {}, "-c", {}, false, "", "", {}, "", kNone},
        // VORLANE.INI naming the default BOOT.INI has: nothing one-time about it.
        {"XP, the saved default is the default", xp, true, true, [] {
             testenv::put_file(testenv::path("VORLANE.INI"), "[Config]\r\nDefault=" + kXp + "\r\n");
         }, "-c", {}, false, "", kXp + "\nDouble-click disabled", {}, "", kNone},
    };
    for (const Row& r : rows) {
        r.machine();
        fixture::put_files("", r.machine != uefi);
        bcdfix::install_bcdedit();
        fake::programs().elevated = r.elevated;
        fake::programs().consent = r.consent;
        r.before();
        shell::App app;
        shell::start_up(app);
        const shell::MenuPlan plan = shell::plan_menu(app);
        CHECK_MSG(plan.notices == r.notices && plan.show_every_menu == r.show_every &&
                      plan.pending == (r.pending.empty() ? "" : "Next start only: " + r.pending) &&
                      (r.tip.empty() || shell::tooltip_text(app) == r.tip),
                  r.name + check::show(plan.notices) + plan.pending + check::show(shell::tooltip_text(app)));
        if (std::string(r.act).rfind("pick ", 0) == 0)
            shell::dispatch_command(app, shell::kEntryCommandBase + unsigned(r.act[5] - '0'));
        else
            CHECK_MSG(shell::run_command_line(app, r.act, false) == shell::Outcome::ended, r.name);
        CHECK_MSG(fake::programs().runs == r.runs && testenv::boxes().empty() && fixture::power_log().empty(),
                  r.name + check::show(fake::programs().runs));
        if (r.elevated)
            CHECK_MSG(store(bcd::kBootSequence) == r.sequence && fwfix::variable("BootNext") == r.next &&
                          shell::plan_menu(app).pending.empty(), r.name);
    }
}
