#include "clipboard/recopy.h"

#include "app/handles.h"
#include "app/ids.h"
#include "app/notify.h"
#include "app/text.h"
#include "clipboard/monitor.h"
#include "clipboard/process.h"
#include "settings/settings.h"

namespace {

struct LineRecopy {
    std::vector<std::wstring> lines;
    size_t cursor = 0;    // next line to copy; lines.size() is the end position
    bool ticking = false; // TIMER_RECOPY runs
};
LineRecopy recopy;

constexpr Text kLineCopied{L"1行テキストをコピー:", L"1 line text:"};

void CopyNextLine(HWND window) {
    clipboardBusy = true;
    {
        ClipboardSession session(window);
        if (session.IsOpen()) {
            if (recopy.cursor >= recopy.lines.size()) recopy.cursor = 0;
            const std::wstring& line = recopy.lines[recopy.cursor];
            Notify(nullptr, nullptr, 0);
            if (WriteClipboardTextReporting(line, true, WriteFailureWording::Plain)) {
                if (Settings.SHOW_BALLOON) Notify(nullptr, (Tr(kLineCopied) + line).c_str(), NOTICE_INFO);
                PlayDoneSound();
            }
            session.Close();
            ++recopy.cursor; // a line whose writing failed is skipped too
            Notify(window, nullptr, 0);
        }
    }
    clipboardBusy = false;
}

} // namespace

std::vector<std::wstring> SplitRecopyLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t i = 0, n = text.size();
    while (i < n) {
        while (i < n && (text[i] == L'\r' || text[i] == L'\n')) ++i;
        size_t start = i;
        while (i < n && text[i] != L'\r' && text[i] != L'\n') ++i;
        if (i > start) lines.emplace_back(text, start, i - start);
    }
    return lines;
}

void StartLineRecopy(HWND window, const std::wstring& text) {
    recopy.lines = SplitRecopyLines(text);
    recopy.cursor = 0;
    recopy.ticking = SetTimer(window, TIMER_RECOPY, static_cast<UINT>(Settings.MultiDivSec), nullptr) != 0;
}

// Called on every processing run; the timer is only touched when it runs, which keeps the rewrite path short.
void StopLineRecopy(HWND window) {
    if (!recopy.ticking) return;
    KillTimer(window, TIMER_RECOPY);
    recopy.ticking = false;
}

void OnRecopyTimer(HWND window) {
    StopLineRecopy(window);
    if (!Settings.CBWatchEnabled || !Settings.MultiDiv) return;
    if (recopy.lines.size() >= 2 && !clipboardBusy) CopyNextLine(window);
    recopy.ticking = SetTimer(window, TIMER_RECOPY, static_cast<UINT>(Settings.MultiDivSec), nullptr) != 0;
}
