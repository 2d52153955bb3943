// Who made a copy that came from an X program (Linux desktop, X11 companion running): under Wine the clipboard's owner
// is Wine's own clipboard window, so only the X side can tell.
#pragma once

#include <string>

// The names the X program that owns the current copy is known by, separated by ';' (its executable's file name, its
// process name, its WM_CLASS name and class: "soffice.bin;libreoffice-writer;..."), as the X11 companion reported
// them when that program took the X clipboard. Empty when no companion runs, when Wine itself owns the X clipboard,
// or when the companion could not tell.
std::wstring X11CopyOwner();
