#include "clipboard/recopy.h"

#include "base/handles.h"
#include "base/notices.h"
#include "base/test_hooks.h"
#include "base/text.h"
#include "clipboard/monitor.h"
#include "clipboard/process.h"
#include "settings/settings.h"

#include <stdexcept>

namespace {

struct LineRecopy {
    std::wstring text;
    std::vector<uint32_t> starts;
    size_t cursor = 0;    // next line to copy; starts.size() is the end position
    bool ticking = false; // TIMER_RECOPY runs
};
LineRecopy recopy;

constexpr Text kLineCopied{L"1行テキストをコピー:", L"1 line text:"};

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

void EndLineRecopy(HWND window) {
    StopLineRecopy(window);
    recopy = LineRecopy();
}

void CopyNextLine(HWND window) {
    ClipboardBusyScope busy;
    ClipboardSession session(window);
    if (!session.IsOpen()) return; // the same line is tried again at the next tick
    if (recopy.cursor >= recopy.starts.size()) recopy.cursor = 0;
    std::wstring line(RecopyLineAt(recopy.text, recopy.starts[recopy.cursor]));
    ++recopy.cursor; // a line whose writing fails is skipped too
    ClearNotices();
    ClipboardWriteResult written = WriteClipboardText(line, true);
    ReportWriteFailure(written, WriteFailureWording::Plain);
    session.Close();
    if (written == ClipboardWriteResult::Ok) {
        NoteOwnClipboardWrite();
        if (FaultRequestedFor(line, FaultPoint::Recopy)) throw std::runtime_error("re-copy fault requested");
        if (Settings.SHOW_BALLOON) AddNotice(Tr(kLineCopied) + line, NOTICE_INFO);
        PlayDoneSound();
    }
    ShowNotices();
}

} // namespace

std::vector<uint32_t> RecopyLineStarts(std::wstring_view text) {
    std::vector<uint32_t> starts;
    if (text.size() > UINT32_MAX) return starts;
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (!IsBreak(text[i]) && (i == 0 || IsBreak(text[i - 1]))) ++count;
    starts.reserve(count);
    for (size_t i = 0; i < text.size(); ++i)
        if (!IsBreak(text[i]) && (i == 0 || IsBreak(text[i - 1]))) starts.push_back(static_cast<uint32_t>(i));
    return starts;
}

std::wstring_view RecopyLineAt(std::wstring_view text, size_t start) {
    size_t end = start;
    while (end < text.size() && !IsBreak(text[end])) ++end;
    return text.substr(start, end - start);
}

void StartLineRecopy(HWND window, std::wstring text) {
    recopy.starts.clear();
    recopy.starts.shrink_to_fit();
    recopy.text = std::move(text);
    recopy.starts = RecopyLineStarts(recopy.text);
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
    // Another program copied since the last line: its copy is the user's now and must not be overwritten. It is
    // processed on its own notification, which may start a new cycle.
    if (ClipboardChangedSinceOwnWrite()) {
        EndLineRecopy(window);
        return;
    }
    if (recopy.starts.size() >= 2 && !clipboardBusy) CopyNextLine(window);
    recopy.ticking = SetTimer(window, TIMER_RECOPY, static_cast<UINT>(Settings.MultiDivSec), nullptr) != 0;
}
