// Watching the clipboard: the format listener or the viewer chain, chosen once at start-up, with exactly one
// registration at a time.
#pragma once
#include <windows.h>

// Set while the program changes its own registration or writes a re-copy; notifications that arrive meanwhile are
// the program's own and are not processed.
extern bool clipboardBusy;

bool ListenerMode();
void AttachClipboardWatch(HWND window);
bool DetachClipboardWatch(HWND window);

// WM_CLIPBOARDUPDATE and WM_DRAWCLIPBOARD.
void OnClipboardChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnChangeClipboardChain(HWND window, WPARAM removed, LPARAM next);
void OnProcessDelayTimer(HWND window);
void OnChainRefreshTimer(HWND window);
// (Re)starts the 30-second re-join of the viewer chain; nothing in listener mode.
void RestartChainRefresh(HWND window);
