#include "clipboard/process.h"

#include "base/handles.h"
#include "base/system.h"
#include "base/notices.h"
#include "base/test_hooks.h"
#include "base/text.h"
#include "clipboard/file_list.h"
#include "clipboard/monitor.h"
#include "clipboard/owner.h"
#include "clipboard/recopy.h"
#include "clipboard/snapshot.h"
#include "convert/pipeline.h"
#include "settings/program_list.h"
#include "settings/settings.h"

#include <cstring>
#include <vector>
#include <stdexcept>

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

// What a run read, converted and wrote. The clipboard is open only while reading and while writing: other programs
// can copy and paste while the text is converted (an external filter may take seconds).
struct RunOutcome {
    bool convert = false;   // something was read that is to be converted and written back
    bool textPath = true;   // CF_UNICODETEXT was read; otherwise a file list
    DWORD readSequence = 0; // the clipboard's sequence number when it was read
    std::wstring text;      // the text read (or the file-list text), converted in place
    std::string fileList;   // the copied files' DROPFILES block, turned into text once the clipboard is closed
    FileListMode fileListMode = FileListMode::Names;
    bool rewritten = false;
    bool showNotices = false;
    std::vector<UINT> formats; // what the clipboard offered, in its order
    bool snapshotTakesText = false; // the rewrite is the text read, which the snapshot takes over afterwards
};

void AddError(const Text& text) { AddNotice(Tr(text), NOTICE_ERROR); }

// Wine shows each X target of an X application's copy as a registered format of the same name.
constexpr wchar_t kPasswordHintFormat[] = L"x-kde-passwordManagerHint";

// What the clipboard offers, from one enumeration: under Wine every single availability query costs a round trip
// to the X clipboard, so the rewrite path asks once.
struct OfferedFormats {
    std::vector<UINT> all;
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
    offered.all = ClipboardFormatList();
    for (UINT format : offered.all) {
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

// Text path, with the clipboard open: a copy of the text to convert.
void ReadTextPath(HWND window, HWND owner, bool forced, RunOutcome& outcome) {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ClearNotices();
    outcome.showNotices = true;
    if (!forced && owner == window) return; // our own text
    if (!data) {
        AddError(kNoDataHandle);
        return;
    }
    StopLineRecopy(window);
    outcome.convert = CopyClipboardText(data, outcome.text);
}

// File path, with the clipboard open: a copy of the list of the copied files.
void ReadFilePath(HWND window, bool fileListOffered, RunOutcome& outcome) {
    outcome.textPath = false;
    StopLineRecopy(window);
    if (!fileListOffered || Settings.FileFolderCopy == 0) return;
    HANDLE drop = GetClipboardData(CF_HDROP);
    if (!drop) return;
    GlobalLockGuard<const char> block(drop);
    if (!block) return;
    outcome.fileList.assign(block.get(), GlobalSize(drop));
    outcome.fileListMode = Settings.FileFolderCopy == 2 ? FileListMode::FullPaths : FileListMode::Names;
}

// The names or full paths of the copied files as text. Under Wine a full path is the file's Linux path, which
// Linux programs can open; looking it up asks the file system, so it is done with the clipboard closed.
void BuildFileText(RunOutcome& outcome) {
    PathMapper mapFullPath;
    if (RunningUnderWine()) mapFullPath = UnixFileName;
    outcome.convert = BuildFileListText(outcome.fileList.data(), outcome.fileList.size(), outcome.fileListMode,
                                        outcome.text, mapFullPath);
    outcome.fileList.clear();
}

// Copies from the programs the user listed keep their formatting, unless the user asks.
bool FromExcludedProgram(HWND owner) {
    if (Settings.ExcludePrograms.empty()) return false;
    for (const std::wstring& name : CopyOwnerNames(owner))
        if (ProgramListed(Settings.ExcludePrograms, name)) return true;
    return false;
}

// Takes what is to be converted and closes the clipboard again; false when it could not be opened. Reading
// changes nothing, so the watch stays attached.
bool ReadClipboard(HWND window, bool forced, RunOutcome& outcome) {
    ClipboardSession session(window);
    if (!session.IsOpen()) return false;
    OfferedFormats offered = ScanOfferedFormats();
    const HWND owner = GetClipboardOwner();
    if (!forced && (CarriesPrivacyMarker(offered) || FromExcludedProgram(owner))) StopLineRecopy(window);
    else if (offered.unicodeText) ReadTextPath(window, owner, forced, outcome);
    else ReadFilePath(window, offered.fileList, outcome);
    outcome.readSequence = GetClipboardSequenceNumber();
    NoteClipboardSeen(outcome.readSequence);
    outcome.formats = std::move(offered.all);
    return true;
}

void Convert(RunOutcome& outcome) {
    if (FaultRequestedFor(outcome.text, FaultPoint::Conversion))
        throw std::runtime_error("conversion fault requested by PASTREL_FAULT_MARKER");
    ConversionBuffers buffers; // given back before the clipboard block is allocated
    ConvertTextInPlace(Settings.StrConvID, outcome.text, buffers);
    if (outcome.textPath) return;
    // The file path reports only its own outcome: the conversion's warnings are dropped.
    ClearNotices();
    outcome.showNotices = true;
}

// Puts the result on the clipboard if it still holds what was read: a copy made while the text was converted is
// newer, is processed on its own notification and must not be overwritten. What the rewrite replaces is kept first,
// so that it can be restored. False when the clipboard could not be opened.
bool WriteUnwatched(HWND window, RunOutcome& outcome) {
    WatchPause pause(window);
    ClipboardSession session;
    if (!OpenClipboardPatiently(session, window)) return false;
    if (GetClipboardSequenceNumber() != outcome.readSequence) return true;
    // With no stage on, the rewrite writes the text it read: the snapshot takes that text over once the work is done
    // instead of copying it now (a large copy would pay for the fresh memory while the clipboard is open). The line
    // re-copy takes the text itself.
    outcome.snapshotTakesText = outcome.textPath && !Settings.MultiDiv && ConversionLeavesTextAsIs(Settings.StrConvID);
    TakeClipboardSnapshot(outcome.formats, outcome.snapshotTakesText);
    ClipboardWriteResult written = WriteClipboardText(outcome.text, true);
    ReportWriteFailure(written, outcome.textPath ? WriteFailureWording::TextPath : WriteFailureWording::Plain);
    // Emptied but not set: one more try in a new block, so that the clipboard does not stay empty.
    if (written == ClipboardWriteResult::SetFailed) WriteClipboardText(outcome.text, false);
    session.Close();
    if (written != ClipboardWriteResult::Ok) {
        DropClipboardSnapshot();
        return true;
    }
    NoteOwnClipboardWrite();
    outcome.rewritten = true;
    return true;
}

// A copy made while the watch was detached sent no notice: it is caught up once the watch is back.
bool WriteResult(HWND window, RunOutcome& outcome) {
    bool opened = WriteUnwatched(window, outcome);
    CatchUpMissedCopy(window);
    if (!opened || !outcome.rewritten) return opened;
    if (Settings.SHOW_BALLOON) AddNotice(Tr(outcome.textPath ? kTextRewritten : kFilesRewritten), NOTICE_INFO);
    return true;
}

void GiveFeedback(HWND window, RunOutcome& outcome) {
    if (outcome.rewritten) {
        PlayDoneSound();
        if (Settings.MultiDiv && outcome.text.find(L'\n') != std::wstring::npos)
            StartLineRecopy(window, std::move(outcome.text));
        FlashDoneIcon();
    }
    if (outcome.showNotices) ShowNotices();
}

bool RunProcessing(HWND window, bool forced) {
    RunOutcome outcome;
    if (!ReadClipboard(window, forced, outcome)) return false;
    if (!outcome.fileList.empty()) BuildFileText(outcome);
    if (outcome.convert) {
        Convert(outcome);
        if (!WriteResult(window, outcome)) return false;
    }
    // The viewer is handed the rewrite's text: reading the program's own data back costs memory under Wine.
    AnnounceClipboardChange(outcome.rewritten ? &outcome.text : nullptr);
    GiveFeedback(window, outcome);
    if (outcome.rewritten && outcome.snapshotTakesText) KeepSnapshotText(std::move(outcome.text));
    return true;
}

} // namespace

void ReportWriteFailure(ClipboardWriteResult result, WriteFailureWording wording) {
    const bool textPath = wording == WriteFailureWording::TextPath;
    switch (result) {
    case ClipboardWriteResult::Ok: break;
    case ClipboardWriteResult::AllocFailed: AddError(kAllocBlock); break;
    case ClipboardWriteResult::LockFailed: AddError(kLockBlock); break;
    case ClipboardWriteResult::EmptyFailed: AddError(textPath ? kEmptyTextPath : kEmptyPlain); break;
    case ClipboardWriteResult::SetFailed: AddError(textPath ? kSetTextPath : kSetPlain); break;
    }
}

void KeepClipboardTextAfterExit(HWND window) {
    if (!RunningUnderWine() || GetClipboardOwner() != window) return;
    std::wstring text;
    {
        ClipboardSession session(window);
        HANDLE data = session.IsOpen() ? GetClipboardData(CF_UNICODETEXT) : nullptr;
        if (!data || !CopyClipboardText(data, text)) return;
    }
    ClipboardSession session(nullptr);
    if (session.IsOpen()) WriteClipboardText(text, true);
}

// While a run waits for an external command, the window keeps answering: a copy or a request that arrives meanwhile
// is run after it, once, instead of beside it.
namespace {

struct ProcessingState {
    bool running = false;
    bool pending = false;
    bool pendingForced = false;
};
ProcessingState processing;

} // namespace

bool ProcessClipboard(HWND window, bool forced) {
    if (clipboardBusy) return true;
    if (processing.running) {
        processing.pending = true;
        processing.pendingForced = processing.pendingForced || forced;
        return true;
    }
    bool result = true;
    for (;;) {
        processing.running = true;
        try {
            result = RunProcessing(window, forced);
        } catch (...) {
            processing.running = false;
            ShowExceptionBox(window);
            result = false;
        }
        processing.running = false;
        if (!processing.pending) return result;
        forced = processing.pendingForced;
        processing.pending = processing.pendingForced = false;
    }
}

bool ClipboardProcessingRunning() { return processing.running; }
