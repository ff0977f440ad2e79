// Resource identifiers shared by vorlane.rc and the C++ sources.
// Only #defines here: the resource compiler reads this file too.
#ifndef VORLANE_RESOURCE_H
#define VORLANE_RESOURCE_H

// ---- Dialogs, menus and icons -------------------------------------------------
#define IDD_ABOUT                   101
#define IDR_TRAYMENU                103
#define IDI_ABOUT                   110
#define IDI_TRAY_NEW                111
#define IDI_TRAY_OLD                112
#define IDI_TRAY_SCHEDULE_NEW       113
#define IDI_TRAY_SCHEDULE_OLD       114
#define IDD_SCHEDULE                130

// ---- About dialog (IDD_ABOUT) ---------------------------------------------------
// IDOK and IDCANCEL exist but stay hidden: Enter runs the double-click action
// and Esc (or a close request) exits; IDC_ABOUT_HIDE is the OK the user sees.
// IDOK_COMMAND is IDOK, spelled out for the portable code.
#define IDOK_COMMAND                1
#define IDC_ABOUT_HIDE              3
#define IDC_LINK                    1000

// ---- Tray menu (IDR_TRAYMENU) ---------------------------------------------------
#define ID_DOUBLECLICK_DISABLED     126
#define ID_DOUBLECLICK_RESTART      127
#define ID_DOUBLECLICK_SHUTDOWN     128
#define ID_SCHEDULE                 129
#define ID_DOUBLECLICK_SCHEDULE     131
#define ID_MAINTAIN_DEFAULT         40000
#define ID_LOCATE_BOOTINI           40001
#define ID_LOCATE_VORLANEINI        40002
#define ID_SORT_LIST                40003
#define ID_SHUTDOWN                 40004
#define ID_ABOUT                    40005
#define ID_STANDBY                  40008
#define ID_HIBERNATE                40009
#define ID_SIMPLIFIED_MENU          40011
#define ID_RUN_AT_STARTUP           40013
// A restart that switches nothing: a scheduled Restart whose default is none
// of the menu's entries. In the command table only, never in the menu.
#define ID_RESTART                  40014
// Inserted at run time above the entries, where they apply.
#define ID_CANCEL_ONE_TIME          40015
#define ID_SHOW_EVERY_MENU          40016
// Exit carries IDCANCEL; spelled out so this header needs no <windows.h>.
#define ID_EXIT                     2
// One command per BOOT.INI entry, inserted at run time: ID_ENTRY_BASE + index.
#define ID_ENTRY_BASE               30000

// ---- Schedule dialog (IDD_SCHEDULE) ---------------------------------------------
// The five mode buttons' identifiers are also the schedule's stored mode values.
#define IDC_SCHEDULE_ENABLED        1001
#define IDC_SCHEDULE_DISABLED       1002
#define IDC_SCHEDULE_DATE           1003
#define IDC_SCHEDULE_TIME           1004
#define IDC_SCHEDULE_RESTART        1005
#define IDC_SCHEDULE_RESTART_TO     1006
#define IDC_SCHEDULE_ENTRIES        1007
#define IDC_SCHEDULE_SHUTDOWN       1008
#define IDC_SCHEDULE_STANDBY        1009
#define IDC_SCHEDULE_FORCE          1010
#define IDC_SCHEDULE_WARNING        1011
#define IDC_SCHEDULE_WARNING_SPIN   1012
#define IDC_SCHEDULE_WARNING_EDIT   1013
#define IDC_SCHEDULE_HIBERNATE      1014

#endif // VORLANE_RESOURCE_H
