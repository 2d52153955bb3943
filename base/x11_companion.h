// The folder that Pastrel shares with its X11 companion on a Linux desktop (linux/pastrel_x11.c): tools/run.sh names
// it in PASTREL_X11_DIR when it starts both. Without that variable (on Windows, or Pastrel started by hand) there is
// no companion and these do nothing.
#pragma once
#include <windows.h>

#include <string>

// The Windows path of a file in the shared folder, or empty when no companion runs beside Pastrel.
std::wstring X11CompanionFile(const wchar_t* name);
// Replaces the file with `text` (UTF-8) in one step, so that the companion never reads half of it. False when there
// is no companion or the file cannot be written.
bool WriteX11CompanionFile(const wchar_t* name, const std::string& text);
