// Process-wide state of the top floor: the instance, the main window, icons and pictures. Set once during start-up.
#pragma once
#include <windows.h>

struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HICON iconApp = nullptr;
    HICON iconWatchOn = nullptr;
    HICON iconWatchOff = nullptr;
    HICON iconDone = nullptr;
    HICON iconDoneLarge = nullptr;
    HBITMAP guideImageOld = nullptr;
    HBITMAP guideImageNew = nullptr;
};

extern AppState g_app;

// Names that are never translated.
inline constexpr wchar_t kMainWindowClass[] = L"PastrelClipboardText";
inline constexpr wchar_t kMutexName[] = L"PastrelClipboardText";
