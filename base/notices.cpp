#include "base/notices.h"

namespace {

struct NoticeBuffer {
    std::wstring text;
    unsigned level = 0;
    FeedbackDisplay display;
};
NoticeBuffer notices;

} // namespace

void ClearNotices() {
    notices.text.clear();
    notices.level = 0;
}

void AddNotice(const std::wstring& text, NoticeLevel level) {
    if (!notices.text.empty()) notices.text += L"\r\n-----\r\n";
    notices.text += text;
    if (level > notices.level) notices.level = level;
}

void ShowNotices() {
    if (!notices.text.empty() && notices.display.showBalloon) notices.display.showBalloon(notices.text, notices.level);
}

void ShowNotice(const std::wstring& text, NoticeLevel level) {
    ClearNotices();
    AddNotice(text, level);
    ShowNotices();
}

void PlayDoneSound() {
    if (notices.display.playDoneSound) notices.display.playDoneSound();
}

void FlashDoneIcon() {
    if (notices.display.flashDoneIcon) notices.display.flashDoneIcon();
}

void SetFeedbackDisplay(const FeedbackDisplay& display) { notices.display = display; }
