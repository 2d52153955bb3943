#include "ui/dialogs.h"

// These dialogs arrive with their own resources; until then every request ends as a cancel.
INT_PTR RunSettingsDialog() { return IDCANCEL; }
INT_PTR RunRegexDialog() { return IDCANCEL; }
INT_PTR RunMulByNDialog() { return IDCANCEL; }
