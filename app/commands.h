// The command dispatch: every user action ends here as a command id (app/ids.h).
#pragma once
#include <windows.h>

// Set while the settings, regular-expression, multiply-by-N or About dialog runs; a second one is refused meanwhile.
extern bool modalDialogOpen;

void DispatchCommand(HWND window, UINT id);
