// The tray icon, and the feedback of work done shown on it: balloons, the completion sound and the done icon.
#pragma once
#include <windows.h>

void TrayAdd(HWND window, HICON icon);
void TrayModify(HWND window, HICON icon);
void TrayDelete(HWND window);
// The icon for the current monitoring state.
HICON MonitoringIcon();

// Shows the notices, the sound and the done icon of every subsystem on the main window's tray icon.
void InstallTrayFeedback();
