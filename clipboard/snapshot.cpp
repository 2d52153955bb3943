#include "clipboard/snapshot.h"

#include "base/clipboard_text.h"
#include "base/handles.h"
#include "base/system.h"
#include "clipboard/monitor.h"

#include <algorithm>
#include <cstring>

namespace {

// One kept format: a memory block, or an enhanced metafile.
struct SavedFormat {
    UINT format = 0;
    GlobalBlock block;
    EnhMetaFile metafile;
};

struct Snapshot {
    std::vector<SavedFormat> formats; // CF_UNICODETEXT without a block when the text comes separately
    bool awaitsText = false;
    std::wstring text;
    SIZE_T bytes = 0; // of the formats kept as blocks or metafiles
};
Snapshot snapshot;

bool Contains(const std::vector<UINT>& formats, UINT format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

// Formats whose data is not a memory block the program could copy: GDI objects, owner-drawn and private formats,
// and the metafile picture, whose block holds a handle that goes with the clipboard's data.
bool CannotBeCopied(UINT format) {
    switch (format) {
    case CF_PALETTE:
    case CF_METAFILEPICT:
    case CF_OWNERDISPLAY:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
    case CF_DSPENHMETAFILE: return true;
    }
    return (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
           (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

GlobalBlock CopyBlock(HANDLE data, SIZE_T size) {
    GlobalBlock copy{GlobalAlloc(GMEM_MOVEABLE, size ? size : 1)};
    if (!copy) return copy;
    GlobalLockGuard<const char> from(data);
    GlobalLockGuard<char> to(copy.get());
    if (!from || !to) return GlobalBlock();
    memcpy(to.get(), from.get(), size);
    return copy;
}

// Which formats to keep and as what, in the order offered. The system synthesises CF_TEXT, CF_OEMTEXT and CF_LOCALE
// from CF_UNICODETEXT and the bitmap formats from each other, so these come back by themselves: a bitmap is kept once, as
// the device-independent format offered first (CF_DIB for a CF_BITMAP alone).
std::vector<UINT> FormatsToKeep(const std::vector<UINT>& offered) {
    const bool unicodeText = Contains(offered, CF_UNICODETEXT);
    std::vector<UINT> keep;
    bool bitmapKept = false;
    for (UINT format : offered) {
        if (format == CF_BITMAP || format == CF_DIB || format == CF_DIBV5) {
            if (bitmapKept) continue;
            bitmapKept = true;
            if (format == CF_BITMAP) format = Contains(offered, CF_DIBV5) && !Contains(offered, CF_DIB) ? CF_DIBV5 : CF_DIB;
        } else if (unicodeText && (format == CF_TEXT || format == CF_OEMTEXT || format == CF_LOCALE)) {
            continue;
        } else if (CannotBeCopied(format)) {
            continue;
        }
        keep.push_back(format);
    }
    return keep;
}

// A copy of these alone is what a rewrite writes anyway: there is no formatted copy to keep.
bool IsPlainTextFormat(UINT format) {
    return format == CF_UNICODETEXT || format == CF_TEXT || format == CF_OEMTEXT || format == CF_LOCALE;
}

} // namespace

std::vector<UINT> ClipboardFormatList() {
    using GetUpdatedFormatsFn = BOOL(WINAPI*)(UINT*, UINT, UINT*);
    static const auto getUpdatedFormats =
        GetProcedure<GetUpdatedFormatsFn>(GetModuleHandleW(L"user32.dll"), "GetUpdatedClipboardFormats");
    std::vector<UINT> formats(32);
    if (getUpdatedFormats) {
        UINT count = 0;
        while (!getUpdatedFormats(formats.data(), static_cast<UINT>(formats.size()), &count) &&
               GetLastError() == ERROR_INSUFFICIENT_BUFFER && formats.size() < 65536)
            formats.resize(formats.size() * 4);
        formats.resize(count <= formats.size() ? count : 0);
        return formats;
    }
    formats.clear();
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

void TakeClipboardSnapshot(const std::vector<UINT>& offered, bool textLater) {
    DropClipboardSnapshot();
    std::vector<UINT> formats = FormatsToKeep(offered);
    if (std::all_of(formats.begin(), formats.end(), IsPlainTextFormat)) return;
    Snapshot taken;
    SIZE_T total = 0;
    for (UINT format : formats) {
        if (format == CF_UNICODETEXT && textLater) {
            taken.formats.push_back(SavedFormat{format, {}, {}});
            taken.awaitsText = true;
            continue;
        }
        HANDLE data = GetClipboardData(format);
        if (!data) continue;
        SavedFormat saved;
        saved.format = format;
        if (format == CF_ENHMETAFILE) {
            saved.metafile.reset(CopyEnhMetaFile(static_cast<HENHMETAFILE>(data), nullptr));
            if (!saved.metafile) continue;
            total += GetEnhMetaFileBits(saved.metafile.get(), 0, nullptr);
        } else {
            SIZE_T size = GlobalSize(data);
            if (size > kSnapshotLimitBytes || total + size > kSnapshotLimitBytes) return; // too large: none kept
            saved.block = CopyBlock(data, size);
            if (!saved.block) continue;
            total += size;
        }
        if (total > kSnapshotLimitBytes) return;
        taken.formats.push_back(std::move(saved));
    }
    taken.bytes = total;
    snapshot = std::move(taken);
}

void KeepSnapshotText(std::wstring&& text) {
    if (!snapshot.awaitsText) return;
    const SIZE_T textBytes = (text.size() + 1) * sizeof(wchar_t);
    if (textBytes > kSnapshotLimitBytes || snapshot.bytes + textBytes > kSnapshotLimitBytes) {
        DropClipboardSnapshot();
        return;
    }
    snapshot.text = std::move(text);
    snapshot.awaitsText = false;
}

void DropClipboardSnapshot() { snapshot = Snapshot(); }

bool FormattedCopyRestorable() {
    return !snapshot.formats.empty() && !snapshot.awaitsText && !ClipboardChangedSinceOwnWrite();
}

RestoreResult RestoreFormattedCopy(HWND window) {
    if (!FormattedCopyRestorable()) {
        DropClipboardSnapshot();
        return RestoreResult::NothingToRestore;
    }
    ClipboardBusyScope busy; // the viewer chain is told while the clipboard closes
    ClipboardSession session;
    if (!OpenClipboardPatiently(session, window)) return RestoreResult::CannotOpen;
    if (ClipboardChangedSinceOwnWrite()) {
        DropClipboardSnapshot();
        return RestoreResult::NothingToRestore;
    }
    if (!EmptyClipboard()) return RestoreResult::CannotOpen;
    for (SavedFormat& saved : snapshot.formats) {
        // The clipboard owns what it accepted; whatever it refused is freed with the snapshot.
        if (saved.format == CF_UNICODETEXT && !saved.block) {
            WriteClipboardText(snapshot.text, false);
        } else if (saved.metafile) {
            if (SetClipboardData(saved.format, saved.metafile.get())) saved.metafile.release();
        } else if (SetClipboardData(saved.format, saved.block.get())) {
            saved.block.release();
        }
    }
    DropClipboardSnapshot();
    session.Close();
    NoteOwnClipboardWrite();
    return RestoreResult::Restored;
}
