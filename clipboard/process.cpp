#include "clipboard/process.h"

#include "app/app.h"
#include "app/handles.h"
#include "app/ids.h"
#include "app/memory.h"
#include "app/notify.h"
#include "app/text.h"
#include "clipboard/file_list.h"
#include "clipboard/monitor.h"
#include "clipboard/recopy.h"
#include "convert/pipeline.h"
#include "settings/settings.h"
#include "ui/floating.h"

#include <cstring>
#include <exception>
#include <new>

namespace {

constexpr Text kNoDataHandle{
    L"クリップボードのデータ取得失敗。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
    L"GetClipboardData() failed."};
constexpr Text kLockClipboardData{
    L"クリップボードのメモリのロックに失敗。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
    L"GlobalLock() failed."};
constexpr Text kCopyBuffer{L"既存メモリのコピー用メモリ領域取得に失敗。", L"_tcsdup() failed."};
constexpr Text kEmptyTextPath{
    L"クリップボードの内容を空にできませんでした。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
    L"Cannot empty clipboard."};
constexpr Text kAllocBlock{L"メモリ確保に失敗。", L"GlobalAlloc() failed."};
constexpr Text kLockBlock{L"メモリのロックに失敗。", L"GlobalLock() failed."};
constexpr Text kSetTextPath{
    L"クリップボードへの書き込みができませんでした。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
    L"SetClipboardData() failed."};
constexpr Text kEmptyPlain{L"クリップボードの内容を空にできませんでした。", L"Cannot empty clipboard."};
constexpr Text kSetPlain{L"クリップボードへ書き込めませんでした。", L"Cannot write to clipboard."};
constexpr Text kTextRewritten{L"クリップボード文字列の属性を除去しました。", L"Deleted attributes of clipboard text."};
constexpr Text kFilesRewritten{L"ファイル名をテキスト変換しました。", L"Conveted file names to text."};
constexpr Text kUnknownException{L"予期せぬ例外が発生。", L"Unkown exception."};
constexpr wchar_t kExceptionCaption[] = L"パストレル 開発元へご連絡下さい - 予期せぬ例外を補足";

// What one run leaves for after the clipboard is closed.
struct RunOutcome {
    bool rewritten = false;
    std::wstring result; // the text written, for the line re-copy
    bool showNotices = false;
    // Text path: the original text once the clipboard was emptied, so that a failure can put it back.
    std::wstring original;
    bool clipboardEmptied = false;
};

void AddError(const Text& text) { Notify(nullptr, Tr(text), NOTICE_ERROR); }

// Wine shows each X target of an X application's copy as a registered format of the same name.
constexpr wchar_t kPasswordHintFormat[] = L"x-kde-passwordManagerHint";

// What the clipboard offers, from one enumeration: under Wine every single availability query costs a round trip
// to the X clipboard, so the rewrite path asks once.
struct OfferedFormats {
    bool unicodeText = false;
    bool fileList = false;
    bool monitorExcluded = false; // marked private outright
    bool historyFlag = false;     // carry a DWORD; 0 marks the copy private
    bool cloudFlag = false;
    bool passwordHint = false; // from X11 password managers through Wine; "secret" marks the copy private
};

OfferedFormats ScanOfferedFormats() {
    static const UINT exclude = RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    static const UINT viewerIgnore = RegisterClipboardFormatW(L"Clipboard Viewer Ignore");
    static const UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    static const UINT cloud = RegisterClipboardFormatW(L"CanUploadToCloudClipboard");
    static const UINT passwordHint = RegisterClipboardFormatW(kPasswordHintFormat);
    OfferedFormats offered;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        if (format == CF_UNICODETEXT) offered.unicodeText = true;
        else if (format == CF_HDROP) offered.fileList = true;
        else if (format == exclude || format == viewerIgnore) offered.monitorExcluded = true;
        else if (format == history) offered.historyFlag = true;
        else if (format == cloud) offered.cloudFlag = true;
        else if (format == passwordHint) offered.passwordHint = true;
    }
    return offered;
}

// The first `size` bytes of a format's data (fewer when the block is smaller); empty when it cannot be read.
std::string MarkerBytes(const wchar_t* formatName, size_t size) {
    HANDLE data = GetClipboardData(RegisterClipboardFormatW(formatName));
    if (!data) return {};
    GlobalLockGuard<const char> bytes(data);
    if (!bytes) return {};
    SIZE_T available = GlobalSize(data);
    return std::string(bytes.get(), available < size ? available : size);
}

bool FlagIsZero(const wchar_t* formatName) {
    std::string bytes = MarkerBytes(formatName, sizeof(DWORD));
    if (bytes.size() < sizeof(DWORD)) return false;
    DWORD value = 1;
    memcpy(&value, bytes.data(), sizeof(value));
    return value == 0;
}

// The hint arrives as the X target's bytes, sometimes with a terminating NUL.
bool HintSaysSecret() {
    constexpr char kSecret[] = "secret";
    std::string hint = MarkerBytes(kPasswordHintFormat, sizeof(kSecret));
    return hint.compare(0, hint.find('\0'), kSecret) == 0;
}

// Password managers mark their copies so that monitors leave them alone; rewriting one would also defeat the
// manager's own clearing of the clipboard.
bool CarriesPrivacyMarker(const OfferedFormats& offered) {
    return offered.monitorExcluded || (offered.historyFlag && FlagIsZero(L"CanIncludeInClipboardHistory")) ||
           (offered.cloudFlag && FlagIsZero(L"CanUploadToCloudClipboard")) ||
           (offered.passwordHint && HintSaysSecret());
}

// Copies the CF_UNICODETEXT block up to its first NUL, never past the block's end.
bool CopyClipboardText(HANDLE data, std::wstring& copy) {
    GlobalLockGuard<const wchar_t> text(data);
    if (!text) {
        AddError(kLockClipboardData);
        return false;
    }
    size_t units = GlobalSize(data) / sizeof(wchar_t);
    size_t length = wcsnlen(text.get(), units);
    try {
        copy.assign(text.get(), length);
    } catch (const std::bad_alloc&) {
        AddError(kCopyBuffer);
        return false;
    }
    return true;
}

void RunTextPath(HWND window, bool forced, RunOutcome& outcome) {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    Notify(nullptr, nullptr, 0);
    outcome.showNotices = true;
    if (!forced && GetClipboardOwner() == window) return; // our own text
    if (!data) {
        AddError(kNoDataHandle);
        return;
    }
    StopLineRecopy(window);
    if (!CopyClipboardText(data, outcome.original)) return;
    if (!EmptyClipboard()) {
        AddError(kEmptyTextPath);
        return;
    }
    outcome.clipboardEmptied = true;
    std::wstring converted;
    ConvertText(Settings.StrConvID, outcome.original, converted);
    if (!WriteClipboardTextReporting(converted, false, WriteFailureWording::TextPath)) return;
    outcome.rewritten = true;
    outcome.result = std::move(converted);
    if (Settings.SHOW_BALLOON) Notify(nullptr, Tr(kTextRewritten), NOTICE_INFO);
}

void RunFilePath(HWND window, bool fileListOffered, RunOutcome& outcome) {
    StopLineRecopy(window);
    if (!fileListOffered || Settings.FileFolderCopy == 0) return;
    HANDLE drop = GetClipboardData(CF_HDROP);
    if (!drop) return;
    std::wstring list;
    {
        GlobalLockGuard<const void> block(drop);
        if (!block) return;
        FileListMode mode = Settings.FileFolderCopy == 2 ? FileListMode::FullPaths : FileListMode::Names;
        if (!BuildFileListText(block.get(), GlobalSize(drop), mode, list)) return; // not a file list after all
    }
    std::wstring converted;
    ConvertText(Settings.StrConvID, list, converted);
    // Warnings of the conversion are dropped here; the file path reports only its own outcome.
    Notify(nullptr, nullptr, 0);
    outcome.showNotices = true;
    if (!WriteClipboardTextReporting(converted, true, WriteFailureWording::Plain)) return;
    outcome.rewritten = true;
    outcome.result = std::move(converted);
    if (Settings.SHOW_BALLOON) Notify(nullptr, Tr(kFilesRewritten), NOTICE_INFO);
}

// After a failure in the text path the clipboard is empty; the copy taken before emptying goes back so that
// nothing the user copied is lost.
void RestoreOriginal(RunOutcome& outcome) {
    if (!outcome.clipboardEmptied || outcome.rewritten) return;
    WriteClipboardText(outcome.original, false);
}

void GiveFeedback(HWND window, const RunOutcome& outcome) {
    if (outcome.rewritten) {
        PlayDoneSound();
        if (Settings.MultiDiv && outcome.result.find(L'\n') != std::wstring::npos)
            StartLineRecopy(window, outcome.result);
        FlashDoneIcon(window);
    }
    if (outcome.showNotices) Notify(window, nullptr, 0);
}

} // namespace

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

bool WriteClipboardTextReporting(const std::wstring& text, bool emptyFirst, WriteFailureWording wording) {
    const bool textPath = wording == WriteFailureWording::TextPath;
    switch (WriteClipboardText(text, emptyFirst)) {
    case ClipboardWriteResult::Ok: return true;
    case ClipboardWriteResult::AllocFailed: AddError(kAllocBlock); break;
    case ClipboardWriteResult::LockFailed: AddError(kLockBlock); break;
    case ClipboardWriteResult::EmptyFailed: AddError(textPath ? kEmptyTextPath : kEmptyPlain); break;
    case ClipboardWriteResult::SetFailed: AddError(textPath ? kSetTextPath : kSetPlain); break;
    }
    return false;
}

bool ProcessClipboard(HWND window, bool forced) {
    if (clipboardBusy) return true;
    DetachClipboardWatch(window);
    ClipboardSession session(window);
    if (!session.IsOpen()) {
        AttachClipboardWatch(window);
        return false;
    }
    RunOutcome outcome;
    // The memory a run leaves for reuse goes back to the system once copies stop coming.
    SetTimer(window, TIMER_RELEASE_MEMORY, kMemoryReleaseDelayMs, nullptr);
    try {
        OfferedFormats offered = ScanOfferedFormats();
        if (!forced && CarriesPrivacyMarker(offered)) StopLineRecopy(window);
        else if (offered.unicodeText) RunTextPath(window, forced, outcome);
        else RunFilePath(window, offered.fileList, outcome);
        if (!outcome.rewritten) RestoreOriginal(outcome);
    } catch (const std::exception& e) {
        RestoreOriginal(outcome);
        session.Close();
        MessageBoxW(window, WidenAnsi(e.what()).c_str(), kExceptionCaption, MB_OK | MB_ICONERROR);
        AttachClipboardWatch(window);
        return false;
    } catch (...) {
        RestoreOriginal(outcome);
        session.Close();
        ShowMessage(window, kUnknownException, MB_ICONERROR);
        AttachClipboardWatch(window);
        return false;
    }
    // Feedback waits until the clipboard is free again, so that other programs are never held up by the shell.
    session.Close();
    AttachClipboardWatch(window);
    RefreshFloatingViewer();
    GiveFeedback(window, outcome);
    return true;
}
