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
// IDOK and IDCANCEL exist but stay hidden so Enter and Esc still close the
// dialog; IDC_ABOUT_HIDE is the OK button the user actually sees.
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
// Exit carries IDCANCEL; spelled out so this header needs no <windows.h>.
#define ID_EXIT                     2
// One command per BOOT.INI entry, inserted at run time: ID_ENTRY_BASE + index.
#define ID_ENTRY_BASE               30000

#endif // VORLANE_RESOURCE_H
