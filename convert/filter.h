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

// How the command is waited for: true once the process has ended, false when timeoutMs passed first. By default the
// calling thread just blocks; the program installs a wait that keeps its windows answering meanwhile.
using FilterWait = bool (*)(HANDLE process, DWORD timeoutMs);
void SetFilterWait(FilterWait wait);

// Whether a command runs now (its wait may be dispatching the program's messages).
bool ExternalFilterRunning();
// The program is closing while a command runs: ends it with everything it started and removes its files.
void CancelExternalFilter();
// Removes the temporary files of runs that were ended from outside (the program was killed while a command ran).
void RemoveLeftoverFilterFiles();
