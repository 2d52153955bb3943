// Reading the clipboard, converting its text (or the names of copied files) and writing it back as plain text.
#pragma once
#include <windows.h>

#include "base/clipboard_text.h"

#include <string>

// forced: the user asked (tray click, hotkey, "/R", monitoring switched on); otherwise automatic processing, which
// leaves alone the program's own text and copies marked as private. The clipboard is open only to read and to
// write: the result is written only if the clipboard still holds what was read. False when the clipboard could not
// be opened or the processing ended with an exception.
bool ProcessClipboard(HWND window, bool forced);
// Whether a run is under way (it may be waiting for an external command while the window answers messages).
bool ClipboardProcessingRunning();

// Under Wine a destroyed owner window takes its clipboard data with it, so Linux programs would paste nothing after
// the program ended; the text it owns is written once more with no owner window, which outlives it. On Windows the
// data stays anyway and nothing is done.
void KeepClipboardTextAfterExit(HWND window);


// Adds the error notice for a failed write; the text path words its clipboard failures with a hint at the timing
// settings, the file path and the re-copy plainly.
enum class WriteFailureWording { TextPath, Plain };
void ReportWriteFailure(ClipboardWriteResult result, WriteFailureWording wording);
