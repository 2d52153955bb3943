// Entry points of the program's dialogs. Each modal one returns the dialog's result (1 OK, 2 Cancel).
#pragma once
#include <windows.h>

// The already-running dialog of a second instance: 6 Force Exit, 2 Cancel, 33016 Settings.
INT_PTR RunAlreadyRunningDialog();
INT_PTR RunSettingsDialog();
INT_PTR RunRegexDialog();
INT_PTR RunMulByNDialog();
INT_PTR RunAboutDialog();
// The modeless opening dialog owned by the main window.
void OpenOpeningDialog(HWND owner);
// Opens a topic of Pastrel.chm.
void ShowHelp(HWND owner, const wchar_t* topic);

#include <array>
// The program's modal dialogs that are open, in the order settings, About, multiply-by-N, regular expression
// (null where closed).
std::array<HWND, 4> OpenModalDialogs();
