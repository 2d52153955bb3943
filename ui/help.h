// The help: the pages of Pastrel.chm in the HTML Help viewer on Windows, the same pages from their plain HTML copy
// in the desktop's browser under Wine (whose HTML Help viewer has no HTML engine on a Linux desktop).
#pragma once
#include <windows.h>

// Opens `topic` ("HLP000018.html#shortcutkey", or null for the start page) owned by `owner`. When the help cannot be
// shown, a message box owned by `owner` says so with the page's path, and the result is false; once the help control
// could not be loaded, every later call fails at once.
bool ShowHelp(HWND owner, const wchar_t* topic);
// The "/?" switch: the topic in a help viewer of its own ("hh.exe", or the browser under Wine). When it could not be
// started, the same message box (without owner) and false.
bool OpenHelpViewer(const wchar_t* topic);
