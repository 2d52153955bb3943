// The program's commands and the main window's private messages, named once for every floor, the resource scripts
// and the tests: a command id is a tray menu item's id, the floating button's icon id and the wParam of WMU_COMMAND.
// Plain defines so that the resource scripts can use the same names.
#pragma once

// The main window's private messages: the tray icon's and the floating button's mouse messages (the floating button
// also takes WMU_TRAY as the request to flash), a command id in wParam, and the request to open the floating button
// once the current message is done.
#define WMU_TRAY 32770          // WM_APP + 2
#define WMU_COMMAND 32772       // WM_APP + 4
#define WMU_OPEN_FLOATING 32773 // WM_APP + 5

// Commands.
#define IDM_TOGGLE_MONITOR 32780
#define IDM_PROCESS_NOW 32782
#define IDM_RESTORE_FORMATTED 33060
#define IDM_SETTINGS 33016
#define IDM_CONVERT_NONE 32784
#define IDM_CONVERT_FIRST 32785 // 100 slots, 32785 to 32884, filled from Convert.def
#define IDM_CONVERT_LAST 32884
#define IDM_DEL_SPACE 32893
#define IDM_DEL_ENTER 32994
#define IDM_DEL_TAB 32995
#define IDM_REGEX 32998
#define IDM_TRIMLEFT 33005
#define IDM_TRIMLEFT_FPSPACE 33019
#define IDM_TRIMLEFT_TAB 33026
#define IDM_TRIMLEFT_ZERO 33027
#define IDM_TRIMLEFT_FPZERO 33028
#define IDM_TRIMRIGHT 33006
#define IDM_TRIMRIGHT_FPSPACE 33021
#define IDM_TRIMRIGHT_TAB 33029
#define IDM_SORTASC 33007
#define IDM_SORTDSC 33008
#define IDM_UNIQ 33009
#define IDM_DELBLANKLINE 33034
#define IDM_TAB4SPACE 33040
#define IDM_TAB8SPACE 33041
#define IDM_LC_LF 33050
#define IDM_LC_CR 33051
#define IDM_FILES_NONE 32775
#define IDM_FILES_NAMES 32776
#define IDM_FILES_FULLPATHS 32777
#define IDM_CSV_CHANGEROWCOL 33055
#define IDM_MUL_BY_N 33056
#define IDM_MULTIDIV 33036
#define IDM_EMPTY_CLIPBOARD 32781
#define IDM_HELP 32783
#define IDM_ABOUT 32779
#define IDM_EXIT 32778
#define IDM_MONITOR_OFF 33000
#define IDM_MONITOR_ON 33001
