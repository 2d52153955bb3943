// Putting plain text on the clipboard: the one writer of the rewrite, the line re-copy and the About box's report.
#pragma once
#include <windows.h>

#include <string>

enum class ClipboardWriteResult { Ok, AllocFailed, LockFailed, EmptyFailed, SetFailed };
// Puts `text` on the open clipboard as CF_UNICODETEXT, emptying it first when asked.
ClipboardWriteResult WriteClipboardText(const std::wstring& text, bool emptyFirst);
