// The floating button: a small translucent window that rewrites the clipboard with one click and, widened, shows
// what the clipboard holds. It runs as a modal dialog box without owner; while it is open its loop serves the
// whole thread.
#pragma once
#include <windows.h>

#include <string>

// The button's window while it is open, else null.
HWND FloatingButtonWindow();
// Runs the button; returns when it is closed. `mainWindow` receives its commands and mouse messages.
void OpenFloatingButton(HWND mainWindow);
// Shows the current clipboard in the viewer, if the button is open.
void RefreshFloatingViewer();
// Shows `text`, which the program has just written to the clipboard as its only format, without reading it back:
// under Wine every read of the program's own clipboard data costs about a kilobyte that is never given back.
void ShowOwnWriteInFloatingViewer(const std::wstring& text);
// Writes the button's restored position and size into the settings (for an exit that does not destroy it).
void StoreFloatingButtonPlacement();

// The opacity one fade tick after `current` on the way to `target`: steps of 10, the last step exact.
int NextOpacity(int current, int target);
