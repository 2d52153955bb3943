#include "ui/dialogs.h"

// These dialogs arrive with their own resources; until then every request ends as a cancel.
INT_PTR RunSettingsDialog() { return IDCANCEL; }
