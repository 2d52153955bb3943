// Entry points of the program's dialogs. Each modal one returns the dialog's result (1 OK, 2 Cancel, or 0 when
// another modal dialog of the program was open).
#pragma once
#include <windows.h>

// The already-running dialog of a second start: IDC_FORCE_EXIT, IDCANCEL or IDC_RUNNING_SETTINGS (ui/guide_ids.h).
INT_PTR RunAlreadyRunningDialog();
INT_PTR RunSettingsDialog();
INT_PTR RunRegexDialog();
INT_PTR RunMulByNDialog();
// The three global hotkeys, opened from the settings dialog: IDOK once the twelve hotkey fields of the Settings
// record are stored, IDCANCEL when nothing changed. It registers and saves nothing; the caller does.
INT_PTR RunHotkeyDialog(HWND owner);
// The modeless opening dialog owned by the main window.
void OpenOpeningDialog(HWND owner);

// Hotkeys changed in the settings dialog take effect at once: the main window, which owns the hotkeys, installs
// what registers them again (this floor cannot reach it).
using HotkeysChanged = void (*)();
void SetHotkeysChangedHandler(HotkeysChanged handler);
