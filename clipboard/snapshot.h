// The formatted copy a rewrite replaced, kept so that the user can take it back until another copy is made.
#pragma once
#include <windows.h>

#include <vector>

// A snapshot holds at most this much; a larger copy keeps none.
inline constexpr SIZE_T kSnapshotLimitBytes = SIZE_T{256} << 20;

// The formats on the open clipboard in the order offered: in one call from Windows Vista on, else one per format.
std::vector<UINT> ClipboardFormatList();

// With the clipboard open, before the rewrite empties it: keeps a copy of every format that can be copied, in the
// order offered, unless the clipboard holds plain text alone. The previous snapshot goes first.
void TakeClipboardSnapshot();
// A write failed or another program copied: the snapshot's memory goes back.
void DropClipboardSnapshot();
// Whether a snapshot exists and the clipboard still holds the program's own write that replaced it.
bool FormattedCopyRestorable();

enum class RestoreResult { Restored, NothingToRestore, CannotOpen };
// Writes the snapshot back, formats in their order, and hands its memory to the clipboard. The write counts as the
// program's own, so it is not processed.
RestoreResult RestoreFormattedCopy(HWND window);
