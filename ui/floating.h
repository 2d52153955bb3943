// The floating button and its mini clipboard viewer.
#pragma once
#include <windows.h>

// The button's window while it is open, else null.
HWND FloatingButtonWindow();
// Runs the button as a modal dialog box; returns when it is closed.
void OpenFloatingButton();
// Shows the current clipboard in the viewer, if the button and its viewer exist.
void RefreshFloatingViewer();
