// Putting plain text on the clipboard: the one writer of the rewrite, the line re-copy and the About box's report.
#pragma once
#include <windows.h>

#include "base/handles.h"

#include <string>

// Opens the clipboard for a write. Wine's clipboard manager opens it for a moment after every change to hand it to X;
// a short wait rides that out. A program that holds it longer is left to the caller's retry.
bool OpenClipboardPatiently(ClipboardSession& session, HWND owner);

enum class ClipboardWriteResult { Ok, AllocFailed, LockFailed, EmptyFailed, SetFailed };
// Puts `text` on the open clipboard as CF_UNICODETEXT, emptying it first when asked.
ClipboardWriteResult WriteClipboardText(const std::wstring& text, bool emptyFirst);
