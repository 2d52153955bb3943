// Splitting a multi-line result into lines and copying them again one by one at a fixed interval.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

void StartLineRecopy(HWND window, const std::wstring& text);
void StopLineRecopy(HWND window);
void OnRecopyTimer(HWND window);

// The non-empty runs of characters between CR and LF characters, in text order.
std::vector<std::wstring> SplitRecopyLines(const std::wstring& text);
