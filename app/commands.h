// The command dispatch: every user action ends here as a command id (app/ids.h).
#pragma once
#include <windows.h>

void DispatchCommand(HWND window, UINT id);
