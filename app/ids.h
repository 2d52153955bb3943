// The main window's own timer, hotkey and tray icon ids; the commands and private messages it shares with the
// floors below are in base/commands.h. Plain defines so that the resource scripts can use the same names.
#pragma once
#include "../base/commands.h"

// Timers of the main window (the clipboard's own are named in clipboard/).
#define TIMER_SINGLE_CLICK 98416
#define TIMER_ICON_RESTORE 457411
#define TIMER_OPEN_FLOATING 561203

// Hotkey ids.
#define HOTKEY_MONITOR 1
#define HOTKEY_REWRITE 2
#define HOTKEY_RESTORE 3

// The tray icon's id.
#define TRAY_ICON_ID 156544
