#include "settings/startup_task.h"

#include <cstdint>

#include "platform/platform.h"
#include "settings/settings_store.h"

namespace vorlane::settings {
namespace {

constexpr std::uint32_t kFirstVersionWithTasks = 6;  // Vista
constexpr std::uint32_t kErrorCancelled = 1223;      // the consent prompt was declined

// Started 10 seconds after logon, so the taskbar is there for the icon; no time
// limit (the default ends a task after 72 hours) and nothing held back on
// battery; one copy at a time.
constexpr const char* kTaskHead =
    "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    "  <RegistrationInfo>\r\n"
    "    <Description>Starts Vorlane in the notification area at logon.</Description>\r\n"
    "  </RegistrationInfo>\r\n"
    "  <Triggers>\r\n"
    "    <LogonTrigger>\r\n"
    "      <Enabled>true</Enabled>\r\n"
    "      <UserId>@USER@</UserId>\r\n"
    "      <Delay>PT10S</Delay>\r\n"
    "    </LogonTrigger>\r\n"
    "  </Triggers>\r\n"
    "  <Principals>\r\n"
    "    <Principal id=\"Author\">\r\n"
    "      <UserId>@USER@</UserId>\r\n"
    "      <LogonType>InteractiveToken</LogonType>\r\n"
    "      <RunLevel>HighestAvailable</RunLevel>\r\n"
    "    </Principal>\r\n"
    "  </Principals>\r\n"
    "  <Settings>\r\n"
    "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
    "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
    "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
    "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
    "  </Settings>\r\n"
    "  <Actions Context=\"Author\">\r\n"
    "    <Exec>\r\n"
    "      <Command>";
constexpr const char* kTaskTail =
    "</Command>\r\n"
    "    </Exec>\r\n"
    "  </Actions>\r\n"
    "</Task>\r\n";

std::u16string widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string replaced(std::string text, const std::string& mark, const std::string& by) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size()))
        text.replace(at, mark.size(), by);
    return text;
}

// A path may hold "&", which XML reads as the start of a reference.
std::u16string escaped(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'&') out += u"&amp;";
        else if (c == u'<') out += u"&lt;";
        else if (c == u'>') out += u"&gt;";
        else out += c;
    }
    return out;
}

std::string schtasks_path() {
    const std::string folder = platform::system_folder();
    return folder.empty() ? folder : folder + "\\schtasks.exe";
}

bool temp_folder(std::string* folder) {
    if (!platform::get_env("TEMP", folder)) platform::get_env("TMP", folder);
    while (!folder->empty() && folder->back() == '\\') folder->pop_back();
    return !folder->empty();
}

bool write_file(const std::string& path, const std::string& bytes) {
    platform::File file = platform::file_create(path);
    if (!file) return false;
    const bool written = platform::file_write(file, bytes.data(), bytes.size());
    return platform::file_close(file) && written;
}

// Runs schtasks, elevated: directly where this copy is, else after the consent prompt.
StartupChange run_schtasks(const std::string& arguments, const std::string& what, std::string* failure) {
    const std::string program = schtasks_path();
    std::uint32_t code = 0;
    if (program.empty() || !platform::run_program(program, arguments, !platform::process_elevated(), &code)) {
        const std::uint32_t error = platform::last_error();
        if (error == kErrorCancelled) return StartupChange::declined;
        *failure = "Vorlane could not " + what + ": the program\n'" + program + "'\ndid not run.\n\n" +
                   platform::error_reason(error);
        return StartupChange::failed;
    }
    if (code == 0) return StartupChange::done;
    *failure = "Vorlane could not " + what + ":\n'schtasks " + arguments + "' ended with exit code " +
               std::to_string(code) + ".";
    return StartupChange::failed;
}

StartupChange make_task(std::string* failure) {
    const std::string what = "make the task that starts it at logon";
    const std::string sid = platform::user_sid();
    std::string folder;
    if (sid.empty()) {
        *failure = "Vorlane could not " + what + ": Windows did not name your account.\n\n" +
                   platform::error_reason(platform::last_error());
        return StartupChange::failed;
    }
    if (!temp_folder(&folder)) {
        *failure = "Vorlane could not " + what + ": neither TEMP nor TMP names a folder for its definition.";
        return StartupChange::failed;
    }
    const std::string file = folder + "\\" + kTaskFileName, name = startup_task_name(sid);
    if (!write_file(file, startup_task_xml(sid, platform::module_path()))) {
        *failure = "Vorlane could not " + what + ": it could not write\n'" + file + "'.\n\n" +
                   platform::error_reason(platform::last_error());
        platform::file_remove(file);
        return StartupChange::failed;
    }
    const StartupChange change = run_schtasks("/Create /TN \"" + name + "\" /XML \"" + file + "\" /F", what, failure);
    platform::file_remove(file);
    if (change != StartupChange::done) return change;
    if (!set_string(kSettingsKey, kStartupTaskValue, name)) {
        *failure = "The task '" + name + "' was made, but Vorlane could not note it under\nHKEY_CURRENT_USER\\" +
                   kSettingsKey + ".";
        return StartupChange::failed;
    }
    // The Run value of an older version would start a second copy, without the rights.
    delete_value(kRunKey, kRunValue);
    return StartupChange::done;
}

}  // namespace

bool startup_by_task() {
    const platform::OsVersion v = platform::os_version();
    return v.platform_id != platform::kPlatformWin9x && v.major >= kFirstVersionWithTasks;
}

std::string startup_task_name(const std::string& user_sid) { return "Vorlane " + user_sid; }

std::string startup_task_xml(const std::string& user_sid, const std::string& command) {
    const std::u16string text = widened(replaced(kTaskHead, "@USER@", user_sid)) +
                                escaped(platform::utf16_from_ansi(command)) + widened(kTaskTail);
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

bool startup_task_noted() {
    std::string name;
    return read_setting(kStartupTaskValue, &name);
}

StartupChange change_startup_task(bool on, std::string* failure) {
    if (on) return make_task(failure);
    std::string name;
    // Only a Run value, written by an older version: nothing for schtasks to do.
    if (!read_setting(kStartupTaskValue, &name)) {
        forget_startup_task();
        return StartupChange::done;
    }
    const StartupChange change =
        run_schtasks("/Delete /TN \"" + name + "\" /F", "remove the task that starts it at logon", failure);
    if (change == StartupChange::failed) return StartupChange::not_removed;
    if (change == StartupChange::done) forget_startup_task();
    return change;
}

void forget_startup_task() {
    delete_value(kSettingsKey, kStartupTaskValue);
    delete_value(kRunKey, kRunValue);
}

}  // namespace vorlane::settings
