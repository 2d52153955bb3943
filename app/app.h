// Process-wide state of the top floor: the main window, set once during start-up.
#pragma once
#include "base/program.h"

struct AppState {
    HWND mainWindow = nullptr;
};

extern AppState g_app;
