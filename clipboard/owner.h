// Which program a copy came from: the executable of the process that owns the clipboard.
#pragma once
#include <string>

// The base file name of the executable of the clipboard owner's process ("WINWORD.EXE"); empty for an owner-less
// copy, an owner that has ended or a process that cannot be opened.
std::wstring ClipboardOwnerProgram();

// The watch notes the owner of every copy made by another program; the settings dialog offers the last one.
void NoteForeignCopyOwner(std::wstring program);
const std::wstring& LastForeignCopyProgram();
