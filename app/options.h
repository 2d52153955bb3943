// The tray menu's option items: each toggles one settings flag, and its check mark shows that flag.
#pragma once
#include <windows.h>

// Toggles the option of command `id` with its rules; false when `id` is no option item.
bool ToggleOption(HWND window, UINT id);
// Sets the check mark of every option item in `menu`.
void CheckOptionItems(HMENU menu);
