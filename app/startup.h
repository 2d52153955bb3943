// Start-up helpers: language, command-line switches, executable-name modes, the current folder, pictures.
#pragma once
#include <windows.h>

#include "base/system.h" // SetCurrentDirectoryToExe, which start-up uses

#include <string>

enum class StartSwitch { None, P, P0, P1, R, U, X, OR, RO, Help, O, N, C, C0, C1 };

// The whole command-line text compared ignoring case with each switch; anything else is no switch.
StartSwitch ParseStartSwitch(const wchar_t* commandLine);

// PASTREL_LANG "JA" (any case) selects Japanese, any other non-empty value English; unset or empty, the system
// default language decides.
bool DecideJapaneseUi();

// "_o.exe" selects the ini store, "_n.exe" non-save mode (either case).
struct ExeNameModes {
    bool useIniFile = false;
    bool nonSaveMode = false;
};
ExeNameModes ExeNameModesFromPath(const std::wstring& exePath);

// Decodes PNG resource `id` of the named type "RT_RCDATA" into a GDI bitmap; GDI+ must be running.
HBITMAP LoadPngResource(HINSTANCE instance, int id);
