// Control ids of the settings dialog (138 Japanese, 139 English), shared by its resource script and its code.
#pragma once

#define IDD_SETTINGS_JA 138
#define IDD_SETTINGS_EN 139

#define IDC_SET_BALLOON 33012        // check box: SHOW_BALLOON
#define IDC_SET_BIGDIALOG 1041       // check box: BIGDIALOG (Japanese only)
#define IDC_SET_SOUND 33013          // check box: PLAY_SOUND
#define IDC_SET_SOUND_FILE 1036      // edit: PLAY_SOUND_FNAME
#define IDC_SET_SOUND_BROWSE 1037    // push button: choose the sound file
#define IDC_SET_FLOATING 1013        // check box: SHOW_FLOATING
#define IDC_SET_OPACITY_LABEL 1020   // static
#define IDC_SET_OPACITY_LOW 1023     // static
#define IDC_SET_OPACITY 1021         // trackbar: ALPHA_FLOATING
#define IDC_SET_OPACITY_HIGH 1022    // static
#define IDC_SET_HOVER_LABEL 1024     // static
#define IDC_SET_HOVER_OPACITY 1025   // trackbar: ALPHA_FLOATING2
#define IDC_SET_CONFIRM_CLOSE 32892  // check box: CHKCLOSE_FLOATING
#define IDC_SET_FLOATING_TEXT 1032   // static: what the floating button does (Japanese only)
#define IDC_SET_STARTUP 32891        // check box: the start-up shortcut exists
#define IDC_SET_HOTKEYS 32996        // push button: the hotkey dialog
#define IDC_SET_RECOPY_INTERVAL 1034 // drop-down list: MultiDivSec
#define IDC_SET_DELAY 1031           // drop-down list: Delay1Sec
#define IDC_SET_DELAY_LABEL 1045     // static
#define IDC_SET_CMDLINE_ENABLE 1026  // check box: USE_CMDLINE
#define IDC_SET_CMDLINE_LABEL 1017   // static (Japanese only)
#define IDC_SET_CMDLINE 1027         // edit: CMDLINE
#define IDC_SET_CMDLINE_BROWSE 1015  // push button: choose the program
#define IDC_SET_CHARCODE_LABEL 1018  // static
#define IDC_SET_CHARCODE_ANSI 1028   // radio button: CMDLINE_CHARCODE 0
#define IDC_SET_CHARCODE_UTF16 1029  // radio button: CMDLINE_CHARCODE 1
#define IDC_SET_CHARCODE_UTF8 1030   // radio button: CMDLINE_CHARCODE 2
#define IDC_SET_FEEDBACK 1019        // push button: the maker's feedback page
#define IDC_SET_EXCLUDE_LABEL 1042   // static
#define IDC_SET_EXCLUDE 1043         // edit: ExcludePrograms
#define IDC_SET_EXCLUDE_ADD 1044     // push button: appends the program of the last copy made elsewhere
#define IDC_SET_HELP 9
