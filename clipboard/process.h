// Reading the clipboard, converting its text (or the names of copied files) and writing it back as plain text.
#pragma once
#include <windows.h>

#include <string>

// forced: the user asked (tray click, hotkey, "/R", monitoring switched on); otherwise automatic processing, which
// leaves alone the program's own text and copies marked as private. False when the clipboard could not be opened
// or the processing ended with an exception.
bool ProcessClipboard(HWND window, bool forced);

enum class ClipboardWriteResult { Ok, AllocFailed, LockFailed, EmptyFailed, SetFailed };
// Puts `text` on the open clipboard as CF_UNICODETEXT, emptying it first when asked.
ClipboardWriteResult WriteClipboardText(const std::wstring& text, bool emptyFirst);

// The same, adding the error notice for a failure; the text path words its clipboard failures with a hint at the
// timing settings, the file path and the re-copy plainly.
enum class WriteFailureWording { TextPath, Plain };
bool WriteClipboardTextReporting(const std::wstring& text, bool emptyFirst, WriteFailureWording wording);
