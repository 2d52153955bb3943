#include "ui/dialogs.h"

// The hotkey dialog arrives with its own resources; until then every request ends as a cancel.
INT_PTR RunHotkeyDialog(HWND) { return IDCANCEL; }
