// The settings dialog's value lists and the start-up shortcut.
#pragma once
#include <windows.h>

#include <string>

// The re-copy intervals (MultiDivSec) and processing delays (Delay1Sec) offered by the two lists, in list order.
inline constexpr int kRecopyIntervals[] = {500, 1000, 1500, 2000, 4000, 6000, 8000, 10000};
inline constexpr int kProcessingDelays[] = {0, 100, 200, 500, 700, 1000};
// The list entry of a stored value: a value the list does not offer shows the usual choice (1 second, no delay).
int RecopyIntervalIndex(int milliseconds);
int ProcessingDelayIndex(int milliseconds);
// The value of a list entry; no selection (-1) or anything out of range reads as the usual choice.
int RecopyIntervalAt(int index);
int ProcessingDelayAt(int index);

// The Startup folder's shortcut named after the product title of the UI language; empty when the folder is unknown.
std::wstring StartupShortcutPath();
bool StartupShortcutExists(const std::wstring& path);
// A shell link to `target` saved at `path`; COM must be initialised.
bool CreateStartupShortcut(const std::wstring& path, const std::wstring& target);
