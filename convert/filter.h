// Filtering the text through the user's command line: standard input, output and error through temporary files.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct SettingsRecord;

// A command that has not ended after this long is ended with everything it started, and the text is kept.
inline constexpr DWORD kFilterTimeoutMs = 30000;

// Runs CMDLINE through CMD.EXE in the encoding of CMDLINE_CHARCODE; the command's output becomes the text. Returns
// the warnings to show (failures and whatever the command wrote to its error stream).
std::vector<std::wstring> RunExternalFilter(const SettingsRecord& settings, std::wstring& text,
                                            DWORD timeoutMs = kFilterTimeoutMs);
