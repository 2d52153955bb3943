#include "ui/dialogs.h"

// The dialogs arrive with their own resources; until then every request ends as a cancel.
INT_PTR RunAlreadyRunningDialog() { return IDCANCEL; }
INT_PTR RunSettingsDialog() { return IDCANCEL; }
INT_PTR RunRegexDialog() { return IDCANCEL; }
INT_PTR RunMulByNDialog() { return IDCANCEL; }
INT_PTR RunAboutDialog() { return IDCANCEL; }
void OpenOpeningDialog(HWND) {}
void ShowHelp(HWND, const wchar_t*) {}
std::array<HWND, 4> OpenModalDialogs() { return {}; }
