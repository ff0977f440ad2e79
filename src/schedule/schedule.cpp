#include "schedule/schedule.h"

#include <algorithm>
#include <iterator>

#include "settings/leading_int.h"
#include "settings/settings_store.h"

namespace vorlane::schedule {
namespace {

const char* const kEnabledText = "Enabled";
const char* const kDisabledText = "Disabled";
const char* const kTrueText = "True";
const char* const kFalseText = "False";

struct ModeRow {
    unsigned mode;
    const char* text;
    const char* verb;
    unsigned command;  // 0: an entry command, looked up by name
};
// In the order a stored text is compared with them.
const ModeRow kModes[] = {
    {kModeRestart, "Restart", "restart", 0},
    {kModeRestartTo, "Restart to", "restart", 0},
    {kModeShutDown, "Shut down", "shut down", kShutDownCommand},
    {kModeStandBy, "Stand by", "go in stand-by", kStandByCommand},
    {kModeHibernate, "Hibernate", "hibernate", kHibernateCommand},
};

const ModeRow* find_mode(unsigned mode) {
    for (const ModeRow& row : kModes)
        if (row.mode == mode) return &row;
    return nullptr;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One integer as the date and time texts hold it: blanks, an optional sign,
// at least one digit. Kept modulo 2^16 as it is stored; unsigned arithmetic
// keeps exactly the low bits of any length of digits.
bool scan_number(const std::string& text, std::size_t& at, std::uint16_t* value) {
    while (at < text.size() && is_blank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const std::size_t first_digit = at;
    std::uint32_t number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        number = number * 10u + static_cast<std::uint32_t>(text[at++] - '0');
    if (at == first_digit) return false;
    if (negative) number = 0u - number;
    *value = static_cast<std::uint16_t>(number & 0xFFFFu);
    return true;
}

// Numbers separated by single characters that follow the digits directly.
// Trailing text after the last number is ignored.
bool scan_numbers(const std::string& text, char separator, std::uint16_t* out, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != separator) return false;
            ++at;
        }
        if (!scan_number(text, at, &out[i])) return false;
    }
    return true;
}

std::string read_value(const char* name) {
    std::string text;
    settings::read_setting(name, &text);
    return text;
}

std::string cut_name(const std::string& name) {
    return name.size() > kMaxRestartToNameChars ? name.substr(0, kMaxRestartToNameChars) : name;
}

// The first entry, in table order, whose name equals `name` exactly; the
// entry count when none does. An empty name stands for "no entry" (a blank
// line in the section loads as a nameless entry), so it never matches.
std::size_t entry_index(const bootmenu::BootMenu& menu, const std::string& name) {
    if (name.empty()) return menu.entries.size();
    for (std::size_t i = 0; i < menu.entries.size(); ++i)
        if (menu.entries[i].name == name) return i;
    return menu.entries.size();
}

// printf-free: the Windows build carries no printf of its own.
std::string zero_padded(unsigned value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

std::string two_digits(unsigned value) { return zero_padded(value, 2); }

}  // namespace

void load_schedule(Schedule& record) {
    // Read in this order, each into a fresh buffer: a value that is missing
    // or unreadable counts as empty.
    const char* const names[] = {kStatusValue, kDateValue, kTimeValue, kModeValue,
                                 kRestartToNameValue, kForceValue, kShowWarningValue, kWarningTimeoutValue};
    std::string texts[std::size(names)];
    settings::read_strings(settings::kSettingsKey, names, texts, std::size(names));
    const std::string& status = texts[0];
    const std::string& date = texts[1];
    const std::string& time = texts[2];
    const std::string& mode = texts[3];
    const std::string& name = texts[4];
    const std::string& force = texts[5];
    const std::string& warning = texts[6];
    const std::string& timeout = texts[7];

    record.enabled = status == kEnabledText;

    // Month, day, year; hour, minute. A date or time that does not scan in
    // full leaves the whole moment unset (month and day 0), so it is never
    // due: firing at midnight for a lost time would be worse than not at all.
    std::uint16_t d[3] = {0, 0, 0};
    std::uint16_t t[2] = {0, 0};
    if (scan_numbers(date, '/', d, 3) && scan_numbers(time, ':', t, 2)) {
        record.month = d[0];
        record.day = d[1];
        record.year = d[2];
        record.hour = t[0];
        record.minute = t[1];
    } else {
        record.month = record.day = record.year = record.hour = record.minute = 0;
    }

    for (const ModeRow& row : kModes) {
        if (mode == row.text) {
            record.mode = row.mode;
            break;
        }
    }

    record.restart_to_name = cut_name(name);
    record.force_terminate = force == kTrueText;
    record.show_warning = warning == kTrueText;
    record.warning_timeout = settings::leading_int(timeout);
}

bool schedule_enabled() { return read_value(kStatusValue) == kEnabledText; }

bool is_due(const Schedule& record, const platform::LocalTime& now) {
    return now.month == record.month && now.day == record.day && now.year == record.year &&
           now.hour == record.hour && now.minute == record.minute;
}

bool schedule_due(Schedule& record) {
    load_schedule(record);
    return is_due(record, platform::local_time());
}

std::string warning_format(unsigned mode) {
    const ModeRow* row = find_mode(mode);
    if (!row) return std::string();
    const std::string verb = row->verb;
    return "The system will " + verb + " in %d seconds. Press OK\nto " + verb +
           " immediately or Cancel to abort.";
}

bool schedule_command(const Schedule& record, const bootmenu::BootMenu& menu, unsigned* command) {
    const ModeRow* row = find_mode(record.mode);
    if (!row) return false;
    if (row->command != 0) {
        *command = row->command;
        return true;
    }
    // A plain Restart always restarts: into the default when the menu shows
    // it, else without a switch.
    if (record.mode == kModeRestart) {
        *command = menu.default_index < menu.entries.size()
                       ? ID_ENTRY_BASE + static_cast<unsigned>(menu.default_index)
                       : kRestartCommand;
        return true;
    }
    // The main window accepts entry commands below base + entry count only, so
    // the entry count itself stands for "no such entry" and is ignored there.
    *command = ID_ENTRY_BASE + static_cast<unsigned>(entry_index(menu, record.restart_to_name));
    return true;
}

void carry_out_schedule(Schedule& record, const bootmenu::BootMenu& menu, const ScheduleUi& ui) {
    load_schedule(record);
    if (!record.enabled) return;

    const std::uint16_t moment[5] = {record.year, record.month, record.day, record.hour, record.minute};
    if (record.disable_failed && std::equal(moment, moment + 5, record.failed_moment)) return;

    // Disabled before the warning: the ticks that reach us again while the
    // box is open (and every later tick of this minute) find nothing to do.
    record.disable_failed = !settings::write_setting(kStatusValue, kDisabledText);
    std::copy(moment, moment + 5, record.failed_moment);

    // Those nested ticks also reload the shared record; act on what was
    // loaded for this warning, not on what a later load may have found.
    const Schedule fired = record;

    if (fired.show_warning && fired.mode != kModeNone && ui.warn) {
        const int answer = ui.warn(warning_format(fired.mode), fired.warning_timeout);
        if (answer != kWarningButton && answer != kWarningNotShown) return;
    }

    // The menu is read only now: it may have been reloaded while the box was open.
    unsigned command = 0;
    if (schedule_command(fired, menu, &command) && ui.send_command) ui.send_command(command);
}

bool schedule_tick(Schedule& record, const bootmenu::BootMenu& menu, const ScheduleUi& ui) {
    if (!schedule_due(record)) return false;
    carry_out_schedule(record, menu, ui);
    return true;
}

std::string mode_text(unsigned mode) {
    const ModeRow* row = find_mode(mode);
    return row ? row->text : std::string();
}

std::vector<ScheduleText> schedule_texts(const Schedule& record) {
    const std::string year = zero_padded(record.year, 4);
    const std::string timeout = std::to_string(record.warning_timeout);
    return {
        {kStatusValue, record.enabled ? kEnabledText : kDisabledText},
        {kDateValue, two_digits(record.month) + "/" + two_digits(record.day) + "/" + year},
        {kTimeValue, two_digits(record.hour) + ":" + two_digits(record.minute)},
        {kModeValue, mode_text(record.mode)},
        {kRestartToNameValue, cut_name(record.restart_to_name)},
        {kForceValue, record.force_terminate ? kTrueText : kFalseText},
        {kShowWarningValue, record.show_warning ? kTrueText : kFalseText},
        {kWarningTimeoutValue, timeout},
    };
}

void save_schedule(const Schedule& record) {
    for (const ScheduleText& value : schedule_texts(record)) settings::write_setting(value.name, value.text);
}

}  // namespace vorlane::schedule
