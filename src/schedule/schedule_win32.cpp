// The scheduler's Win32 side: the main window's once-a-second tick and the
// Schedule dialog. The decisions are in schedule.cpp; this file moves them
// between the registry record and the controls.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "power/power.h"
#include "resource.h"
#include "schedule/countdown_win32.h"
#include "schedule/schedule.h"
#include "shell/shell_win32.h"

namespace vorlane::shell {
namespace {

using schedule::Schedule;

// The process-wide record: a stored mode text that names no mode leaves the
// mode as the last load or save of this process set it.
Schedule g_schedule;

const int kModeButtons[] = {IDC_SCHEDULE_RESTART, IDC_SCHEDULE_RESTART_TO, IDC_SCHEDULE_SHUTDOWN,
                            IDC_SCHEDULE_STANDBY, IDC_SCHEDULE_HIBERNATE};

constexpr int kWarningMinSeconds = 1;
constexpr int kWarningMaxSeconds = 60;

bool checked(HWND dialog, int id) { return (IsDlgButtonChecked(dialog, id) & BST_CHECKED) != 0; }

void set_check(HWND dialog, int id, bool on) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string selected_entry(HWND dialog) {
    const LRESULT index = SendDlgItemMessageA(dialog, IDC_SCHEDULE_ENTRIES, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::string();
    // CB_GETLBTEXT writes the whole item: size the buffer by the item first.
    const LRESULT length = SendDlgItemMessageA(dialog, IDC_SCHEDULE_ENTRIES, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length < 0) return std::string();
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    if (SendDlgItemMessageA(dialog, IDC_SCHEDULE_ENTRIES, CB_GETLBTEXT, index,
                            reinterpret_cast<LPARAM>(text.data())) == CB_ERR)
        return std::string();
    return std::string(text.data());
}

void init_dialog(HWND dialog) {
    schedule::load_schedule(g_schedule);

    SYSTEMTIME when = {};
    when.wYear = g_schedule.year;
    when.wMonth = g_schedule.month;
    when.wDay = g_schedule.day;
    when.wHour = g_schedule.hour;
    when.wMinute = g_schedule.minute;
    // A moment that could not be read (month 0) is refused by the pickers,
    // which then keep showing the current date and time.
    SendDlgItemMessageA(dialog, IDC_SCHEDULE_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));
    SendDlgItemMessageA(dialog, IDC_SCHEDULE_TIME, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));

    set_check(dialog, g_schedule.enabled ? IDC_SCHEDULE_ENABLED : IDC_SCHEDULE_DISABLED, true);
    for (int id : kModeButtons)
        if (g_schedule.mode == static_cast<unsigned>(id)) set_check(dialog, id, true);

    const bootmenu::BootMenu& menu = g_app.menu;
    if (!menu.entries.empty()) {
        for (const bootmenu::Entry& entry : menu.entries)
            SendDlgItemMessageA(dialog, IDC_SCHEDULE_ENTRIES, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(entry.name.c_str()));
    } else {
        EnableWindow(GetDlgItem(dialog, IDC_SCHEDULE_RESTART_TO), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_SCHEDULE_ENTRIES), FALSE);
    }

    // A disabled button can still show the stored mode checked.
    EnableWindow(GetDlgItem(dialog, IDC_SCHEDULE_STANDBY), power::standby_allowed() ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SCHEDULE_HIBERNATE), power::hibernate_allowed() ? TRUE : FALSE);

    // The combo box's own prefix search, ignoring case. Every item begins
    // with the empty name, so that selects the first one, as Windows does;
    // Wine's list box finds nothing for it, so select that item ourselves.
    const LRESULT found = SendDlgItemMessageA(dialog, IDC_SCHEDULE_ENTRIES, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(g_schedule.restart_to_name.c_str()));
    if (found == CB_ERR && g_schedule.restart_to_name.empty())
        SendDlgItemMessageA(dialog, IDC_SCHEDULE_ENTRIES, CB_SETCURSEL, 0, 0);

    set_check(dialog, IDC_SCHEDULE_FORCE, g_schedule.force_terminate);
    set_check(dialog, IDC_SCHEDULE_WARNING, g_schedule.show_warning);

    // Position before range: the up-down control writes the position into its buddy edit.
    SendDlgItemMessageA(dialog, IDC_SCHEDULE_WARNING_SPIN, UDM_SETPOS, 0,
                        MAKELPARAM(static_cast<WORD>(g_schedule.warning_timeout & 0xFFFF), 0));
    SendDlgItemMessageA(dialog, IDC_SCHEDULE_WARNING_SPIN, UDM_SETRANGE, 0,
                        MAKELPARAM(kWarningMaxSeconds, kWarningMinSeconds));

    SetFocus(GetDlgItem(dialog, IDC_SCHEDULE_ENABLED));
    SetForegroundWindow(dialog);
}

void save_dialog(HWND dialog) {
    Schedule shown = g_schedule;
    shown.enabled = checked(dialog, IDC_SCHEDULE_ENABLED);

    // Only the date of the date picker and the time of the time picker count.
    // A picker that gives no time leaves zeros: a date that is never due.
    SYSTEMTIME date = {};
    SYSTEMTIME time = {};
    if (SendDlgItemMessageA(dialog, IDC_SCHEDULE_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date)) !=
        GDT_VALID)
        date = SYSTEMTIME();
    if (SendDlgItemMessageA(dialog, IDC_SCHEDULE_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) !=
        GDT_VALID)
        time = SYSTEMTIME();
    shown.month = date.wMonth;
    shown.day = date.wDay;
    shown.year = date.wYear;
    shown.hour = time.wHour;
    shown.minute = time.wMinute;

    for (int id : kModeButtons)
        if (checked(dialog, id)) shown.mode = static_cast<unsigned>(id);

    shown.restart_to_name = selected_entry(dialog);
    shown.force_terminate = checked(dialog, IDC_SCHEDULE_FORCE);
    shown.show_warning = checked(dialog, IDC_SCHEDULE_WARNING);
    // The high word is the control's error flag (the edit holds no number in
    // range); the low word is the position, which is what gets saved.
    const LRESULT position = SendDlgItemMessageA(dialog, IDC_SCHEDULE_WARNING_SPIN, UDM_GETPOS, 0, 0);
    shown.warning_timeout = static_cast<short>(LOWORD(position));

    schedule::save_schedule(shown);

    // Later uses load from the registry again; the mode is the field that
    // can outlive those loads.
    g_schedule.enabled = shown.enabled;
    g_schedule.mode = shown.mode;
    g_schedule.force_terminate = shown.force_terminate;
    g_schedule.show_warning = shown.show_warning;
    g_schedule.warning_timeout = shown.warning_timeout;
}

INT_PTR CALLBACK schedule_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            init_dialog(dialog);
            return TRUE;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
            if ((wparam == IDC_SCHEDULE_DATE || wparam == IDC_SCHEDULE_TIME) && header &&
                header->code == static_cast<UINT>(DTN_DATETIMECHANGE)) {
                // Changing the moment means the user wants the schedule on.
                g_schedule.enabled = true;
                set_check(dialog, IDC_SCHEDULE_ENABLED, true);
                set_check(dialog, IDC_SCHEDULE_DISABLED, false);
            }
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_SCHEDULE_ENTRIES) {
                if (HIWORD(wparam) == CBN_SELCHANGE) {
                    // Not CheckRadioButton: its id range would also clear the check boxes.
                    for (int id : kModeButtons) set_check(dialog, id, id == IDC_SCHEDULE_RESTART_TO);
                }
                return 0;
            }
            if (LOWORD(wparam) == IDOK) {
                save_dialog(dialog);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return 0;
        default:
            return 0;
    }
}

}  // namespace

bool schedule_tick(HWND main_window) {
    schedule::ScheduleUi ui;
    ui.warn = [main_window](const std::string& format, std::int32_t count) {
        return schedule::countdown_box(main_window, format, schedule::kWarningCaption, schedule::kWarningStyle,
                                       count, schedule::kWarningButton);
    };
    ui.send_command = [main_window](unsigned command) {
        SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    };
    return schedule::schedule_tick(g_schedule, g_app.menu, ui);
}

void run_schedule_dialog(HWND owner) {
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SCHEDULE), owner, schedule_dialog_proc, 0);
}

}  // namespace vorlane::shell
