// The hidden main window: the hub that receives clipboard notifications, tray messages, hotkeys, timers and
// commands.
#pragma once
#include <windows.h>

// Registers the window class and creates the hidden window; null when it cannot be created.
HWND CreateMainWindow(HINSTANCE instance);
