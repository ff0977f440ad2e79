// Run at startup on Vista and later: the logon task through schtasks, as each
// kind of copy (elevated or not) and each answer to the consent prompt leave it.
#include "platform/fake/fake_platform.h"
#include "settings/settings_store.h"
#include "settings/startup_task.h"
#include "shell/app.h"
#include "support/check.h"
#include "support/test_env.h"

using namespace vorlane;

namespace {

const std::string kSid = "S-1-5-21-1-2-3-1001", kFile = "C:\\sandbox\\Vorlane-task.xml";
const std::string kSchtasks = "C:\\Windows\\System32\\schtasks.exe ", kName = "\"Vorlane " + kSid + "\"";
const std::string kCreate = kSchtasks + "/Create /TN " + kName + " /XML \"" + kFile + "\" /F";
const std::string kDelete = kSchtasks + "/Delete /TN " + kName + " /F";
const std::string kAdmin = " (as administrator)";

}  // namespace

TEST_CASE("startup task: the menu's Run at startup makes and removes the task on Vista and later, the Run value before") {
    enum Had { none, run_value, long_run_value, task };
    struct Row { const char* name; std::uint32_t major; Had had; bool elevated, consent; std::uint32_t code;
                 int answer; std::string run; bool checked; Had left; const char* box = "";
                 bool unwritable = false, folder_missing = false; } rows[] = {
        {"XP: the Run value, as ever", 5, none, true, true, 0, 0, "", true, run_value},
        {"XP: off removes it", 5, run_value, true, true, 0, 0, "", false, none},
        {"7, elevated: made directly", 6, none, true, true, 0, 0, kCreate, true, task},
        {"7: consent given", 6, none, false, true, 0, 0, kCreate + kAdmin, true, task},
        {"7: consent declined", 6, none, false, false, 0, 0, "", false, none},
        {"7: schtasks fails", 6, none, true, true, 1, 0, kCreate, false, none, "ended with exit code 1"},
        {"10: an older version's Run value is shown, and off removes it alone", 10, run_value, false, true, 0, 0, "",
         false, none},
        {"10: a Run value too long to read shows as off, and goes with the task's making", 10, long_run_value, true,
         true, 0, 0, kCreate, true, task},
        {"10: TMP names the folder, which refuses the definition", 10, none, true, true, 0, 0, "", false, none,
         "could not write", true},
        {"10: TEMP names a missing folder", 10, none, true, true, 0, 0, "", false, none, "could not write", false, true},
        {"10: off, consent given", 10, task, false, true, 0, 0, kDelete + kAdmin, false, none},
        {"10: off, consent declined", 10, task, false, false, 0, 0, "", true, task},
        {"10: off, schtasks fails, kept", 10, task, true, true, 1, 7, kDelete, true, task, "Take the check mark off?"},
        {"10: off, schtasks fails, taken off", 10, task, true, true, 1, platform::kIdYes, kDelete, false, none,
         "exit code 1"},
    };
    for (const Row& r : rows) {
        testenv::reset();
        fake::set_version(2, r.major, 0);
        fake::set_env(r.unwritable ? "TMP" : "TEMP", r.folder_missing ? "C:\\gone\\" : "C:\\sandbox\\");
        if (r.unwritable) fake::fail(fake::Op::file_write);
        if (r.had == run_value) testenv::put_value(testenv::kRunKey, "Vorlane", platform::kRegSz, "C:\\old\\vorlane.exe");
        if (r.had == long_run_value) testenv::put_value(testenv::kRunKey, "Vorlane", platform::kRegSz, std::string(300, 'p'));
        if (r.had == task) testenv::put_text(settings::kStartupTaskValue, "Vorlane " + kSid);
        testenv::answer_boxes_with(r.answer);
        fake::Programs& p = fake::programs();
        p.elevated = r.elevated, p.consent = r.consent;
        bool definition = false;  // the task's file, there for schtasks to read
        p.hook = [&](const std::string&, const std::string& arguments) {
            std::string bytes;
            definition = fake::get_file(kFile, &bytes) == (arguments.rfind("/Create", 0) == 0) &&
                         (bytes.empty() || bytes == settings::startup_task_xml(kSid, platform::module_path()));
            return r.code;
        };
        shell::App app;
        settings::load_preferences(app.prefs);
        shell::dispatch_command(app, ID_RUN_AT_STARTUP);
        settings::Preferences now;
        settings::load_preferences(now);  // the next opening of the menu
        std::string value;
        std::uint32_t type = 0;
        const Had left = testenv::get_value(testenv::kRunKey, "Vorlane", &type, &value) ? run_value
                         : settings::startup_task_noted()                          ? task
                                                                                    : none;
        const auto& boxes = testenv::boxes();
        CHECK_MSG(p.runs == (r.run.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.run}) &&
                      definition == !r.run.empty(), r.name);
        CHECK_MSG(app.prefs.run_at_startup == r.checked && now.run_at_startup == r.checked && left == r.left, r.name);
        CHECK_MSG(left != run_value || value == platform::module_path() || r.had == run_value, r.name);
        CHECK_MSG(*r.box ? boxes.size() == 1 && boxes[0].text.find(r.box) != std::string::npos : boxes.empty(), r.name);
        CHECK_MSG(testenv::sandbox_files().empty(), r.name);  // the definition removed
    }
}

TEST_CASE("startup task: its definition, UTF-16LE with a byte-order mark, the user and the escaped path filled in") {
    const std::string bytes = settings::startup_task_xml("S-1-5-21-7-8-9-1001", "C:\\A & B\\D\xE9j\xE0\\vorlane.exe");
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    CHECK(bytes.size() % 2 == 0 && bytes.compare(0, 2, "\xFF\xFE") == 0 && text.find(u"D\u00E9j\u00E0") != text.npos);
    // What Wine's schtasks does not keep, so only this row sees it (the settings: the installer test).
    const std::string ascii = platform::ansi_from_utf16(text);
    for (const char* field : {"<UserId>S-1-5-21-7-8-9-1001</UserId>\r\n      <Delay>PT10S</Delay>",
                              "<UserId>S-1-5-21-7-8-9-1001</UserId>\r\n      <LogonType>InteractiveToken</LogonType>\r\n"
                              "      <RunLevel>HighestAvailable</RunLevel>",
                              "<Command>C:\\A &amp; B\\D?j?\\vorlane.exe</Command>"})
        CHECK_MSG(ascii.find(field) != std::string::npos, field);
    CHECK(ascii.find("@USER@") == std::string::npos && ascii.rfind("</Task>\r\n") == ascii.size() - 9);
}
