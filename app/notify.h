// The feedback channels: the tray icon, collected notices shown as one balloon, the completion sound and the done
// icon.
#pragma once
#include <windows.h>

enum NoticeLevel : unsigned { NOTICE_INFO = 1, NOTICE_WARNING = 2, NOTICE_ERROR = 3 };

void TrayAdd(HWND window, HICON icon);
void TrayModify(HWND window, HICON icon);
void TrayDelete(HWND window);
// The icon for the current monitoring state.
HICON MonitoringIcon();

// The notice accumulator. No window and no text: clear. Text: append after "\r\n-----\r\n" and raise the level.
// Window: show what was collected, if anything, as one balloon (the buffer is kept).
void Notify(HWND window, const wchar_t* text, unsigned level);

void PlayDoneSound();
// Shows the done icon for 300 ms on the tray and on the floating button.
void FlashDoneIcon(HWND window);
