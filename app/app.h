// Process-wide start-up state: language, icons, store selection and the main window. Set once during start-up and
// read by every subsystem.
#pragma once
#include <windows.h>

#include <string>

using AddClipboardFormatListenerFn = BOOL(WINAPI*)(HWND);
using RemoveClipboardFormatListenerFn = BOOL(WINAPI*)(HWND);

struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    bool uiJapanese = true;
    std::wstring productTitle = L"パストレル";
    HICON iconApp = nullptr;
    HICON iconWatchOn = nullptr;
    HICON iconWatchOff = nullptr;
    HICON iconDone = nullptr;
    HICON iconDoneLarge = nullptr;
    HBITMAP guideImageOld = nullptr;
    HBITMAP guideImageNew = nullptr;
    bool useIniFile = false;
    bool nonSaveMode = false;
    // Both set (listener mode) or both null (viewer-chain mode).
    AddClipboardFormatListenerFn addListener = nullptr;
    RemoveClipboardFormatListenerFn removeListener = nullptr;
};

extern AppState g_app;

// Whether the program runs under Wine (ntdll exports wine_get_version), where a few things work differently.
bool RunningUnderWine();

// Reports the exception being handled (call only inside a catch block) in a message box owned by `owner`: a
// standard exception with its own text, anything else as unknown.
void ShowExceptionBox(HWND owner) noexcept;

// Names that are never translated.
inline constexpr wchar_t kMainWindowClass[] = L"PastrelClipboardText";
inline constexpr wchar_t kMutexName[] = L"PastrelClipboardText";
inline constexpr wchar_t kProductTitleJa[] = L"パストレル";
inline constexpr wchar_t kProductTitleEn[] = L"Pastrel";
