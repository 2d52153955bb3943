#include "base/clipboard_text.h"

#include "base/handles.h"

#include <cstring>

bool OpenClipboardPatiently(ClipboardSession& session, HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (session.Open(owner)) return true;
        Sleep(5);
    }
    return false;
}

ClipboardWriteResult WriteClipboardText(const std::wstring& text, bool emptyFirst) {
    SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalBlock block{GlobalAlloc(GMEM_MOVEABLE, bytes)};
    if (!block) return ClipboardWriteResult::AllocFailed;
    {
        GlobalLockGuard<wchar_t> target(block.get());
        if (!target) return ClipboardWriteResult::LockFailed;
        memcpy(target.get(), text.c_str(), bytes);
    }
    if (emptyFirst && !EmptyClipboard()) return ClipboardWriteResult::EmptyFailed;
    if (!SetClipboardData(CF_UNICODETEXT, block.get())) return ClipboardWriteResult::SetFailed;
    block.release(); // the system owns it now
    return ClipboardWriteResult::Ok;
}
