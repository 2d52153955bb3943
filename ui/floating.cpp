#include "ui/floating.h"

// The button comes with its own dialog; until then it never exists.
HWND FloatingButtonWindow() { return nullptr; }
void OpenFloatingButton() {}
void RefreshFloatingViewer() {}
