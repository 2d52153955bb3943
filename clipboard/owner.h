// Which program a copy came from: the executable of the process that owns the clipboard.
#pragma once
#include <string>
#include <vector>

// The base file name of the executable of the clipboard owner's process ("WINWORD.EXE"); empty for an owner-less
// copy, an owner that has ended or a process that cannot be opened.
std::wstring ClipboardOwnerProgram();

// The names the program behind the current copy goes by: its executable's base name, or, for a copy made in an X
// program on a Linux desktop (owned by Wine's own clipboard window), the names the X11 companion reported for it
// (executable, process, window class). Empty when nobody can tell.
std::vector<std::wstring> CopyOwnerNames();

// The watch notes the owner of every copy made by another program; the settings dialog offers the last one.
void NoteForeignCopyOwner(std::wstring program);
const std::wstring& LastForeignCopyProgram();
