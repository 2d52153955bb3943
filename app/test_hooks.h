// Observation points for the end-to-end tests, inert unless their environment variables are set:
// PASTREL_TEST_LOG names a file to which Pastrel appends, as NUL-separated UTF-8 records, every balloon it shows
// ("notice <level> <text>"), every change of its tray icon ("tray <add|modify> <on|off|done>") and the state of the
// popup menu items each time the menu opens ("menu <id>:<flags> ..."); PASTREL_FAULT_MARKER makes the pipeline
// throw for a text containing that marker, so that the exception path of the clipboard processing can be driven
// for real.
#pragma once
#include <windows.h>

#include <string_view>

void InitTestHooks();
void RecordShownNotice(unsigned level, const wchar_t* text);
void RecordTrayIcon(bool added, HICON icon);
void RecordMenuState(HMENU popup);
bool FaultRequestedFor(std::wstring_view text);
