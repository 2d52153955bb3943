// Control ids of the hotkey dialog (134 Japanese, 135 English), shared by its resource script and its code.
#pragma once

#define IDD_HOTKEY_JA 134
#define IDD_HOTKEY_EN 135

// Hotkey 1 switches clipboard watching off and on; hotkey 2 rewrites the clipboard now; hotkey 3 restores the formatted
// copy that the last rewrite replaced.
#define IDC_HOTKEY1_SHIFT 1000
#define IDC_HOTKEY1_CTRL 1001
#define IDC_HOTKEY1_ALT 1002
#define IDC_HOTKEY1_KEY 1003
#define IDC_HOTKEY2_SHIFT 1004
#define IDC_HOTKEY2_CTRL 1005
#define IDC_HOTKEY2_ALT 1006
#define IDC_HOTKEY2_KEY 1007
#define IDC_HOTKEY3_SHIFT 1008
#define IDC_HOTKEY3_CTRL 1009
#define IDC_HOTKEY3_ALT 1010
#define IDC_HOTKEY3_KEY 1011
#define IDC_HOTKEY_HELP 9
