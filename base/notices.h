// The notice accumulator and the other feedback of work done: work that reports clears the notices, adds its own,
// and finally shows them together as one balloon; the completion sound; the done icon. The top floor shows them on
// its tray icon; until it installs its display, nothing is shown.
#pragma once
#include <string>

enum NoticeLevel : unsigned { NOTICE_INFO = 1, NOTICE_WARNING = 2, NOTICE_ERROR = 3 };

void ClearNotices();
// Appends `text` after "\r\n-----\r\n" and raises the level to `level`.
void AddNotice(const std::wstring& text, NoticeLevel level);
// Shows what was collected, if anything, as one balloon; the notices are kept.
void ShowNotices();
// Clears the notices and shows this one alone.
void ShowNotice(const std::wstring& text, NoticeLevel level);

void PlayDoneSound();
// The done icon for 300 ms on the tray and on the floating button.
void FlashDoneIcon();

struct FeedbackDisplay {
    void (*showBalloon)(const std::wstring& text, unsigned level) = nullptr;
    void (*playDoneSound)() = nullptr;
    void (*flashDoneIcon)() = nullptr;
};
void SetFeedbackDisplay(const FeedbackDisplay& display);
