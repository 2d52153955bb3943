// The tray icon's mouse actions and its popup menu with check marks that mirror the settings.
#pragma once
#include <windows.h>

// Loads menu 129 or 130 by UI language and fills its conversion submenu.
void LoadTrayMenu();
void DestroyTrayMenu();
// WMU_TRAY from the shell or the floating button.
void OnTrayMessage(HWND window, WPARAM wParam, LPARAM lParam);
// The popup menu, its lower right corner at the point; the chosen command is dispatched.
void ShowPopupMenu(HWND window, POINT at);
