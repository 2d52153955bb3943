// Watching the clipboard: the format listener or the viewer chain, chosen once at start-up, with exactly one
// registration at a time.
#pragma once
#include <windows.h>

#include <string>

// Timers of the main window that the clipboard watch runs.
inline constexpr UINT_PTR TIMER_CHAIN_REFRESH = 316548; // the viewer chain's re-join
inline constexpr UINT_PTR TIMER_PROCESS_DELAY = 455511; // Delay1Sec, or the single retry

// Set while the program changes its own registration or writes a re-copy; notifications that arrive meanwhile are
// the program's own and are not processed.
extern bool clipboardBusy;

// Holds clipboardBusy for a scope, on every way out of it.
class ClipboardBusyScope {
public:
    ClipboardBusyScope() : previous_(clipboardBusy) { clipboardBusy = true; }
    ~ClipboardBusyScope() { clipboardBusy = previous_; }
    ClipboardBusyScope(const ClipboardBusyScope&) = delete;
    ClipboardBusyScope& operator=(const ClipboardBusyScope&) = delete;

private:
    bool previous_;
};

// Chooses the mechanism: the format listener from Windows Vista on (user32 stays loaded while the returned module
// lives), else the viewer chain.
HMODULE LookUpClipboardListener();
bool ListenerMode();
void AttachClipboardWatch(HWND window);
bool DetachClipboardWatch(HWND window);

// Detaches the watch for a scope, so that the program's own write is not taken for a copy.
class WatchPause {
public:
    explicit WatchPause(HWND window) : window_(window) { DetachClipboardWatch(window); }
    ~WatchPause() { AttachClipboardWatch(window_); }
    WatchPause(const WatchPause&) = delete;
    WatchPause& operator=(const WatchPause&) = delete;

private:
    HWND window_;
};

// Call after closing the clipboard on a write of the program's own. Whether another program changed the clipboard
// since then (its sequence number moved).
void NoteOwnClipboardWrite();
bool ClipboardChangedSinceOwnWrite();
// The sequence number of a copy that was read: a notice for it that arrives later is not a new copy.
void NoteClipboardSeen(DWORD sequence);
// After the watch was attached again (or for the first time): a copy made while it was not attached sent no notice,
// so if the clipboard moved since the program last read or wrote it, the change is handled now.
void CatchUpMissedCopy(HWND window);

// The top floor's hook that shows a change of the clipboard (the floating button's viewer); nothing until installed.
// `ownText` is the text the program has just written as the clipboard's only format, or null for any other change.
using ClipboardChangeHook = void (*)(const std::wstring* ownText);
void SetClipboardChangeHook(ClipboardChangeHook announce);
void AnnounceClipboardChange(const std::wstring* ownText = nullptr);

// WM_CLIPBOARDUPDATE and WM_DRAWCLIPBOARD.
void OnClipboardChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnChangeClipboardChain(HWND window, WPARAM removed, LPARAM next);
void OnProcessDelayTimer(HWND window);
void OnChainRefreshTimer(HWND window);
// (Re)starts the 30-second re-join of the viewer chain; nothing in listener mode.
void RestartChainRefresh(HWND window);
