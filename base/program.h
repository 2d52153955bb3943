// What the program loads at start-up for every floor: its module, the shared icons and the guide pictures. Shared
// icons are never destroyed; the pictures live until the process ends.
#pragma once
#include <windows.h>

#include "base/commands.h" // the private messages other windows send the main window

struct ProgramResources {
    HINSTANCE instance = nullptr;
    HICON iconApp = nullptr;
    HICON iconWatchOn = nullptr;
    HICON iconWatchOff = nullptr;
    HICON iconDone = nullptr;
    HICON iconDoneLarge = nullptr;
    HBITMAP guideImageOld = nullptr; // the notification area of Windows 7/8/8.1
    HBITMAP guideImageNew = nullptr; // and of Windows 10/11
};
extern ProgramResources g_resources;

// Names that are never translated.
inline constexpr wchar_t kMainWindowClass[] = L"PastrelClipboardText";
inline constexpr wchar_t kMutexName[] = L"PastrelClipboardText";

// The maker's web pages. One host for all of them (the About box and the settings dialog's feedback button) until
// the project has a site of its own.
inline constexpr wchar_t kMakerSite[] = L"https://pastrel.example.org/";
inline constexpr wchar_t kMakerContactPage[] = L"mail.html";
inline constexpr wchar_t kMakerContributionPage[] = L"kifu.html";
inline constexpr wchar_t kMakerFeedbackPage[] = L"ifa.php?PASTREL";
