// Splitting a multi-line result into lines and copying them again one by one at a fixed interval.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The main window's timer of the re-copy, every MultiDivSec.
inline constexpr UINT_PTR TIMER_RECOPY = 954012;

// Takes the text over; the cycle starts with its first line after MultiDivSec.
void StartLineRecopy(HWND window, std::wstring text);
void StopLineRecopy(HWND window);
void OnRecopyTimer(HWND window);

// Where the non-empty runs of characters between CR and LF characters begin, in text order. The lines are kept as
// positions in the one text, so a huge copy of short lines costs a few bytes per line. A text of 4 Gi units or more
// has no lines to re-copy.
std::vector<uint32_t> RecopyLineStarts(std::wstring_view text);
// The line that begins at `start`: up to the next CR or LF.
std::wstring_view RecopyLineAt(std::wstring_view text, size_t start);
