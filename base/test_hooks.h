// Observation points for the end-to-end tests, compiled into the test build only (PastrelTest.exe) and inert there
// unless their environment variables are set:
// PASTREL_TEST_LOG names a file to which Pastrel appends, as NUL-separated UTF-8 records, every balloon it shows
// ("notice <level> <text>"), every change of its tray icon ("tray <add|modify> <on|off|done>") and the state of the
// popup menu items each time the menu opens ("menu <id>:<flags> ...") and the commands asked for by message.
// PASTREL_FAULT_MARKER makes the clipboard
// code throw for a text containing that marker, at the point PASTREL_FAULT_POINT names ("recopy": after a line was
// re-copied; otherwise: before the text is converted), so that the paths that catch unexpected exceptions can be
// driven for real. The log exists because a tray balloon or a menu of another process cannot be read back through
// any API under Wine.
#pragma once
#include <windows.h>

#include <string_view>

void InitTestHooks();
void RecordShownNotice(unsigned level, const wchar_t* text);
void RecordTrayIcon(bool added, const wchar_t* iconName); // "on", "off" or "done"
void RecordMenuState(HMENU popup);
// A command another program, a hotkey or the floating button asked for ("command <id>").
void RecordCommand(UINT id);
enum class FaultPoint { Conversion, Recopy };
bool FaultRequestedFor(std::wstring_view text, FaultPoint point);
