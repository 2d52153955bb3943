// The settings dialog: notifications and sound, the floating button and its opacity, the start-up shortcut, the
// hotkeys, the re-copy interval, the programs whose copies are left alone, the processing delay, the external filter
// and the enlarged-dialog option.
#include "ui/settings_dialog.h"

#include "base/program.h"
#include "base/system.h"
#include "base/text.h"
#include "clipboard/owner.h"
#include "settings/program_list.h"
#include "settings/settings.h"
#include "settings/store.h"
#include "ui/dialog.h"
#include "ui/dialogs.h"
#include "ui/help.h"
#include "ui/layout.h"
#include "ui/settings_ids.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <vector>

HWND settingsDialogWindow = nullptr;
bool settingsPreviewActive = false;
int previewAlpha = 255;
int previewAlphaHover = 255;

namespace {

constexpr Text kNonSaveTitle{L"設定 - パストレル (変更した設定は保存されません)",
                             L"Settings - Pastrel (Non-Save Mode)"};
constexpr wchar_t kBalloonCaptionBeforeToasts[] = L"テキスト属性を除去したらバルーンチップで知らせる(&A)";
constexpr Text kNoCommandLine{L"コマンドラインを入力して下さい。", L"Please specify the command line."};
constexpr wchar_t kCommandLineCaption[] = L"コマンドライン指定";
constexpr Text kProgramListTooLong{
    L"除外するプログラムの一覧が長すぎます。2049 文字以内にしてください。",
    L"The list of excluded programs is too long. Please keep it within 2049 characters."};
constexpr Text kNoSoundFile{L"サウンドファイル名を入力して下さい。", L"Please specify the sound file name."};
constexpr wchar_t kSoundFileCaption[] = L"サウンドファイル指定";
constexpr Text kCannotCreateShortcut{L"ショートカットの作成に失敗しました。\n\n",
                                     L"Cannot create a shortcut file.\n\n"};
constexpr Text kCannotDeleteShortcut{L"ショートカットの削除に失敗しました。\n\n",
                                     L"Cannot delete a shortcut file.\n\n"};
constexpr wchar_t kBigDialogCaption[] = L"設定画面強制拡大";
constexpr wchar_t kBigDialogOn[] = L"「設定画面強制拡大」はテスト中の機能です。このチェックをONにすると、次回設定画面を"
                                   L"開いたときから、ダイアログのサイ"
                                   L"ズが強制的に拡大されます。無理やり拡大をしているため、一部表示の乱れる部分があるか"
                                   L"もしれませんが、テスト中の機能と"
                                   L"いうことで、ご容赦ください。";
constexpr wchar_t kBigDialogOff[] = L"次回設定画面を開いたときから、元のサイズに戻ります。";
constexpr Text kFeedbackCaption{L"フィードバックページを表示", L"Browse"};
constexpr wchar_t kCannotBrowseJa[] =
    L"ブラウザを開けません。\nブラウザが正しくインストールされているかを確認してください。\n"
    L"次のフィードバックページをブラウザで直接開いてください：";
constexpr wchar_t kCannotBrowseEn[] = L"Cannot open web page.";

// Filters are (description, pattern) pairs, each ended by a NUL, the whole list by a second one.
constexpr Text kSoundFilter{L"サウンドファイル(*.wav)\0*.wav\0すべてのファイル(*.*)\0*.*\0",
                            L"Sound files(*.wav)\0*.wav\0All files(*.*)\0*.*\0"};
constexpr Text kSoundTitle{L"サウンドファイル選択", L"Choose a sound file"};
constexpr Text kProgramFilter{L"すべてのファイル(*.*)\0*.*\0", L"All files(*.*)\0*.*\0"};
constexpr Text kProgramTitle{L"ファイル選択", L"Choose a file"};

constexpr const wchar_t* kRecopyIntervalTexts[][2] = {
    {L"0.5秒間隔", L"0.5 second"}, {L"1秒間隔", L"1.0 second"},  {L"1.5秒間隔", L"1.5 second"},
    {L"2秒間隔", L"2 seconds"},    {L"4秒間隔", L"4 seconds"},   {L"6秒間隔", L"6 seconds"},
    {L"8秒間隔", L"8 seconds"},    {L"10秒間隔", L"10 seconds"},
};
constexpr const wchar_t* kProcessingDelayTexts[][2] = {
    {L"即時反応", L"Immediately"},       {L"0.1秒遅れ", L"0.1 second delay"}, {L"0.2秒遅れ", L"0.2 second delay"},
    {L"0.5秒遅れ", L"0.5 second delay"}, {L"0.7秒遅れ", L"0.7 second delay"}, {L"1.0秒遅れ", L"1.0 second delay"},
};
static_assert(std::size(kRecopyIntervalTexts) == std::size(kRecopyIntervals));
static_assert(std::size(kProcessingDelayTexts) == std::size(kProcessingDelays));

constexpr Tooltip kTooltipsJa[] = {
    {IDOK, L"設定を保存し、このダイアログを閉じます"},
    {IDCANCEL, L"設定を保存せず、このダイアログを閉じます"},
    {IDC_SET_HELP, L"このダイアログに関するヘルプを表示します"},
    {IDC_SET_STARTUP, L"現在のユーザーにログオンしたときに本ソフトを自動起動するためのショートカットを作成します"},
    {IDC_SET_BIGDIALOG, L"設定ダイアログ等を画面いっぱいに開きます(テスト中の機能です)"},
    {IDC_SET_BALLOON,
     L"テキストから属性を除去したり、ファイル名をテキストに変換したり、本ソフトが動作した場合に、それを"
     L"トースト通知orバルーンチップで知らせます"},
    {IDC_SET_CONFIRM_CLOSE,
     L"実行ボタンの上にある[×]ボタンを誤って押してしまい、ウィンドウを閉じてしまう問題が作者の環境"
     L"で頻発したため、それに対する対策です"},
    {IDC_SET_CMDLINE_ENABLE,
     L"任意のコマンドラインを実行し、パイプ経由で文字列を入力して文字列加工できるようにします。詳細"
     L"はヘルプを参照してください"},
    {IDC_SET_FEEDBACK,
     L"標準のブラウザで、作者へのフィードバックを送るためのページを表示できます。インターネットに接続さ"
     L"れた環境が必要です"},
    {IDC_SET_EXCLUDE, L"ここに挙げたプログラム(実行ファイル名、; で区切る)でコピーした内容は、自動では加工しません。"
                      L"「クリップボード内のテキストの属性を除去する」を実行すれば加工されます"},
    {IDC_SET_EXCLUDE_ADD, L"最後にほかのプログラムでコピーしたときの、そのプログラムを一覧に加えます"},
    {0, nullptr},
};
constexpr Tooltip kTooltipsEn[] = {
    {IDOK, L"Save settings and close this dialog box."},
    {IDCANCEL, L"Close this dialog box without saving any changes."},
    {IDC_SET_HELP, L"Displays Japanese Help for this dialogbox."},
    {IDC_SET_EXCLUDE, L"Copies made in these programs (file names separated by ;) are not processed automatically. "
                      L"Processing the clipboard now still processes them."},
    {IDC_SET_EXCLUDE_ADD, L"Adds the program in which the last copy was made to the list."},
    {0, nullptr},
};

// The controls that only matter while their check box is on.
constexpr int kSoundControls[] = {IDC_SET_SOUND_FILE, IDC_SET_SOUND_BROWSE};
constexpr int kFloatingControls[] = {
    IDC_SET_OPACITY_LABEL, IDC_SET_OPACITY_LOW, IDC_SET_OPACITY_HIGH,  IDC_SET_HOVER_LABEL,
    IDC_SET_FLOATING_TEXT, IDC_SET_OPACITY,     IDC_SET_HOVER_OPACITY, IDC_SET_CONFIRM_CLOSE,
};
constexpr int kCommandLineControls[] = {
    IDC_SET_CMDLINE_LABEL, IDC_SET_CMDLINE,        IDC_SET_CMDLINE_BROWSE, IDC_SET_CHARCODE_LABEL,
    IDC_SET_CHARCODE_ANSI, IDC_SET_CHARCODE_UTF16, IDC_SET_CHARCODE_UTF8,
};

constexpr int kTrackbarPage = 25;

struct SettingsDialog {
    DialogScale scale;    // kept for the dialog type: the scaling is undone when the dialog is destroyed
    FontHandle glyphFont; // a label's font when the dialog's lacks some of its characters
    std::wstring shortcutPath;
    HotkeysChanged hotkeysChanged = nullptr;
};
SettingsDialog settingsDialog;

template <size_t N> void EnableItems(HWND dialog, const int (&ids)[N], bool enabled) {
    for (int id : ids) EnableItem(dialog, id, enabled);
}

int IndexOf(const int* values, size_t count, int value, int fallback) {
    for (size_t i = 0; i < count; ++i)
        if (values[i] == value) return static_cast<int>(i);
    return fallback;
}

int ValueAt(const int* values, size_t count, int index, int fallback) {
    return index >= 0 && static_cast<size_t>(index) < count ? values[index] : fallback;
}

// The whole text of an edit box, however long; ItemText stops at the stored length limit.
std::wstring WholeItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void AddLastProgram(HWND dialog) {
    const std::wstring& program = LastForeignCopyProgram();
    if (program.empty()) return;
    SetItemText(dialog, IDC_SET_EXCLUDE, AddProgramToList(WholeItemText(dialog, IDC_SET_EXCLUDE), program));
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The standard open-file dialog proposing `file`; false (and `file` emptied) when nothing was chosen.
bool ChooseFile(HWND owner, const wchar_t* filter, std::wstring& file, const wchar_t* title) {
    wchar_t buffer[kMaxTextLength + 1] = {};
    file.copy(buffer, kMaxTextLength);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = buffer;
    request.nMaxFile = kMaxTextLength + 1;
    request.lpstrTitle = title;
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    bool chosen = GetOpenFileNameW(&request);
    // A proposal the dialog cannot take as a file name (a path with wildcards, say) keeps it from opening at all.
    if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        buffer[0] = L'\0';
        chosen = GetOpenFileNameW(&request);
    }
    file = chosen ? buffer : L"";
    return chosen;
}

void ChooseInto(HWND dialog, int editId, const Text& filter, const Text& title) {
    std::wstring file = ItemText(dialog, editId);
    if (ChooseFile(dialog, Tr(filter), file, Tr(title))) SetItemText(dialog, editId, file);
}

void FillList(HWND dialog, int id, const wchar_t* const (*texts)[2], size_t count, int selected) {
    HWND list = GetDlgItem(dialog, id);
    for (size_t i = 0; i < count; ++i)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i][g_language.uiJapanese ? 0 : 1]));
    SelectComboEntry(dialog, id, selected);
}

void InitTrackbar(HWND dialog, int id, int position) {
    HWND trackbar = GetDlgItem(dialog, id);
    SendMessageW(trackbar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 255));
    SendMessageW(trackbar, TBM_SETTICFREQ, 1, 0);
    SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageW(trackbar, TBM_SETPAGESIZE, 0, kTrackbarPage);
}

int TrackbarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

// Keeps the dialog's size and puts its bottom-right corner on that of the primary work area.
void PlaceBottomRightOfWorkArea(HWND dialog) {
    RECT work{}, window{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(dialog, &window)) return;
    SetWindowPos(dialog, nullptr, work.right - (window.right - window.left), work.bottom - (window.bottom - window.top),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Whether `font` draws every character of `text` from its own glyphs.
bool FontHasGlyphs(HWND window, HFONT font, const std::wstring& text) {
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    std::vector<WORD> glyphs(text.size());
    DWORD converted =
        GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return converted == GDI_ERROR || std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

// The English delay label holds an ideographic space, which the English dialog font may lack (it then shows as a
// box): the label then takes the Japanese UI font at the same height, which has it.
void FitLabelFont(HWND dialog, int id) {
    HWND label = GetDlgItem(dialog, id);
    auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    LOGFONTW log{};
    if (!label || !font || GetObjectW(font, sizeof(log), &log) != sizeof(log)) return;
    if (FontHasGlyphs(label, font, ItemText(dialog, id))) return;
    lstrcpynW(log.lfFaceName, L"MS UI Gothic", LF_FACESIZE);
    log.lfCharSet = DEFAULT_CHARSET;
    settingsDialog.glyphFont.reset(CreateFontIndirectW(&log));
    if (settingsDialog.glyphFont)
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(settingsDialog.glyphFont.get()), FALSE);
}

INT_PTR OnInitDialog(HWND dialog) {
    const SettingsRecord& s = Settings;
    if (g_store.nonSaveMode) SetWindowTextW(dialog, Tr(kNonSaveTitle));
    CheckItem(dialog, IDC_SET_BALLOON, s.SHOW_BALLOON);
    if (g_language.uiJapanese && GetOsVersionNumber() < 1000)
        SetItemText(dialog, IDC_SET_BALLOON, kBalloonCaptionBeforeToasts);
    CheckItem(dialog, IDC_SET_SOUND, s.PLAY_SOUND);
    EnableItems(dialog, kSoundControls, s.PLAY_SOUND);
    SetItemText(dialog, IDC_SET_SOUND_FILE, s.PLAY_SOUND_FNAME);
    CheckItem(dialog, IDC_SET_FLOATING, s.SHOW_FLOATING);
    EnableItems(dialog, kFloatingControls, s.SHOW_FLOATING);
    CheckItem(dialog, IDC_SET_CONFIRM_CLOSE, s.CHKCLOSE_FLOATING);
    InitTrackbar(dialog, IDC_SET_OPACITY, s.ALPHA_FLOATING);
    InitTrackbar(dialog, IDC_SET_HOVER_OPACITY, s.ALPHA_FLOATING2);
    previewAlpha = s.ALPHA_FLOATING;
    previewAlphaHover = s.ALPHA_FLOATING2;
    settingsPreviewActive = true;
    settingsDialog.shortcutPath = StartupShortcutPath();
    CheckItem(dialog, IDC_SET_STARTUP, StartupShortcutExists(settingsDialog.shortcutPath));
    FillList(dialog, IDC_SET_RECOPY_INTERVAL, kRecopyIntervalTexts, std::size(kRecopyIntervalTexts),
             RecopyIntervalIndex(s.MultiDivSec));
    FillList(dialog, IDC_SET_DELAY, kProcessingDelayTexts, std::size(kProcessingDelayTexts),
             ProcessingDelayIndex(s.Delay1Sec));
    SetItemText(dialog, IDC_SET_EXCLUDE, s.ExcludePrograms);
    CheckItem(dialog, IDC_SET_CMDLINE_ENABLE, s.USE_CMDLINE);
    EnableItems(dialog, kCommandLineControls, s.USE_CMDLINE);
    SetItemText(dialog, IDC_SET_CMDLINE, s.CMDLINE);
    int charcodeButton = s.CMDLINE_CHARCODE == 1   ? IDC_SET_CHARCODE_UTF16
                         : s.CMDLINE_CHARCODE == 2 ? IDC_SET_CHARCODE_UTF8
                                                   : IDC_SET_CHARCODE_ANSI;
    CheckRadioButton(dialog, IDC_SET_CHARCODE_ANSI, IDC_SET_CHARCODE_UTF8, charcodeButton);
    CheckItem(dialog, IDC_SET_BIGDIALOG, s.BIGDIALOG);
    AddTooltips(dialog, g_language.uiJapanese ? kTooltipsJa : kTooltipsEn);
    ShowProgramIcons(dialog);
    settingsDialogWindow = dialog;
    if (s.BIGDIALOG) ScaleDialogToWorkArea(settingsDialog.scale, dialog, PlaceBottomRight);
    else PlaceBottomRightOfWorkArea(dialog);
    FitLabelFont(dialog, IDC_SET_DELAY_LABEL); // after the scaling, which gives every control its font
    return TRUE;
}

void ShowError(HWND dialog, const std::wstring& text, const wchar_t* caption) {
    MessageBoxW(dialog, text.c_str(), caption, MB_OK | MB_ICONERROR);
}

// The shortcut follows the check box at once; a failure is reported and the rest of OK goes on.
void ApplyStartupShortcut(HWND dialog) {
    const std::wstring& path = settingsDialog.shortcutPath;
    bool wanted = IsItemChecked(dialog, IDC_SET_STARTUP);
    bool exists = StartupShortcutExists(path);
    const wchar_t* caption = g_language.productTitle.c_str();
    if (wanted && !exists && !CreateStartupShortcut(path, ProgramPath()))
        ShowError(dialog, Tr(kCannotCreateShortcut) + path, caption);
    if (!wanted && exists && !DeleteFileW(path.c_str())) ShowError(dialog, Tr(kCannotDeleteShortcut) + path, caption);
}

void ApplyBigDialog(HWND dialog) {
    bool big = IsItemChecked(dialog, IDC_SET_BIGDIALOG);
    if (g_language.uiJapanese && big != Settings.BIGDIALOG)
        MessageBoxW(dialog, big ? kBigDialogOn : kBigDialogOff, kBigDialogCaption, MB_OK | MB_ICONINFORMATION);
    Settings.BIGDIALOG = big;
}

void OnOk(HWND dialog) {
    if (IsItemChecked(dialog, IDC_SET_CMDLINE_ENABLE) && ItemText(dialog, IDC_SET_CMDLINE).empty())
        return ShowError(dialog, Tr(kNoCommandLine), kCommandLineCaption);
    if (IsItemChecked(dialog, IDC_SET_SOUND) && ItemText(dialog, IDC_SET_SOUND_FILE).empty())
        return ShowError(dialog, Tr(kNoSoundFile), kSoundFileCaption);
    std::wstring excluded = TidyProgramList(WholeItemText(dialog, IDC_SET_EXCLUDE));
    if (excluded.size() > static_cast<size_t>(kMaxTextLength)) {
        ShowError(dialog, Tr(kProgramListTooLong), g_language.productTitle.c_str());
        SetFocus(GetDlgItem(dialog, IDC_SET_EXCLUDE));
        return;
    }
    SettingsRecord& s = Settings;
    s.SHOW_BALLOON = IsItemChecked(dialog, IDC_SET_BALLOON);
    s.PLAY_SOUND = IsItemChecked(dialog, IDC_SET_SOUND);
    s.PLAY_SOUND_FNAME = ItemText(dialog, IDC_SET_SOUND_FILE);
    ApplyStartupShortcut(dialog);
    s.MultiDivSec = RecopyIntervalAt(ComboSelection(dialog, IDC_SET_RECOPY_INTERVAL));
    s.Delay1Sec = ProcessingDelayAt(ComboSelection(dialog, IDC_SET_DELAY));
    s.ExcludePrograms = excluded;
    s.SHOW_FLOATING = IsItemChecked(dialog, IDC_SET_FLOATING);
    s.ALPHA_FLOATING = TrackbarPosition(dialog, IDC_SET_OPACITY);
    s.ALPHA_FLOATING2 = TrackbarPosition(dialog, IDC_SET_HOVER_OPACITY);
    s.CHKCLOSE_FLOATING = IsItemChecked(dialog, IDC_SET_CONFIRM_CLOSE);
    s.USE_CMDLINE = IsItemChecked(dialog, IDC_SET_CMDLINE_ENABLE);
    s.CMDLINE = ItemText(dialog, IDC_SET_CMDLINE);
    s.CMDLINE_CHARCODE = IsItemChecked(dialog, IDC_SET_CHARCODE_UTF16)  ? 1
                         : IsItemChecked(dialog, IDC_SET_CHARCODE_UTF8) ? 2
                                                                        : 0;
    ApplyBigDialog(dialog);
    settingsPreviewActive = false;
    EndDialog(dialog, IDOK);
}

void OnCancel(HWND dialog) {
    settingsPreviewActive = false;
    EndDialog(dialog, IDCANCEL);
}

// The hotkeys are registered and saved as soon as their dialog confirms them, whatever this dialog does afterwards.
void ChangeHotkeys(HWND dialog) {
    if (RunHotkeyDialog(dialog) != IDOK) return;
    if (settingsDialog.hotkeysChanged) settingsDialog.hotkeysChanged();
    SaveSettings();
}

// The page opens with the system folder current, so that the browser does not hold on to the program's folder.
void OpenFeedbackPage(HWND dialog) {
    std::wstring page = std::wstring(kMakerSite) + kMakerFeedbackPage;
    wchar_t systemDir[MAX_PATH] = {};
    GetSystemDirectoryW(systemDir, MAX_PATH);
    SetCurrentDirectoryW(systemDir);
    auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(dialog, L"open", page.c_str(), nullptr, systemDir, SW_SHOWNORMAL));
    if (result <= 32) {
        std::wstring text = g_language.uiJapanese ? kCannotBrowseJa + page : kCannotBrowseEn;
        ShowError(dialog, text, Tr(kFeedbackCaption));
    }
    SetCurrentDirectoryToExe();
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK: OnOk(dialog); return TRUE;
    case IDCANCEL: OnCancel(dialog); return TRUE;
    case IDC_SET_HELP: ShowHelp(dialog, L"HLP000018.html"); return TRUE;
    case IDC_SET_FLOATING: EnableItems(dialog, kFloatingControls, IsItemChecked(dialog, id)); return TRUE;
    case IDC_SET_SOUND: EnableItems(dialog, kSoundControls, IsItemChecked(dialog, id)); return TRUE;
    case IDC_SET_CMDLINE_ENABLE: EnableItems(dialog, kCommandLineControls, IsItemChecked(dialog, id)); return TRUE;
    case IDC_SET_SOUND_BROWSE: ChooseInto(dialog, IDC_SET_SOUND_FILE, kSoundFilter, kSoundTitle); return TRUE;
    case IDC_SET_CMDLINE_BROWSE: ChooseInto(dialog, IDC_SET_CMDLINE, kProgramFilter, kProgramTitle); return TRUE;
    case IDC_SET_FEEDBACK: OpenFeedbackPage(dialog); return TRUE;
    case IDC_SET_HOTKEYS: ChangeHotkeys(dialog); return TRUE;
    case IDC_SET_EXCLUDE_ADD: AddLastProgram(dialog); return TRUE;
    }
    return FALSE;
}

void OnHScroll(HWND dialog) {
    previewAlpha = TrackbarPosition(dialog, IDC_SET_OPACITY);
    previewAlphaHover = TrackbarPosition(dialog, IDC_SET_HOVER_OPACITY);
}

void OnDestroy(HWND dialog) {
    if (settingsDialog.glyphFont)
        SendDlgItemMessageW(dialog, IDC_SET_DELAY_LABEL, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    settingsDialog.glyphFont.reset();
    if (settingsDialog.scale.factor != 0 && settingsDialog.scale.dialog) RestoreDialogFont(settingsDialog.scale);
    settingsDialog.scale = DialogScale{};
    settingsDialogWindow = nullptr;
    settingsPreviewActive = false; // also when the dialog ended another way than OK or Cancel
}

INT_PTR SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, void*) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    case WM_HSCROLL: OnHScroll(dialog); return TRUE;
    case WM_DESTROY: OnDestroy(dialog); return FALSE;
    }
    return FALSE;
}

} // namespace

int RecopyIntervalIndex(int milliseconds) {
    return IndexOf(kRecopyIntervals, std::size(kRecopyIntervals), milliseconds, 1);
}
int ProcessingDelayIndex(int milliseconds) {
    return IndexOf(kProcessingDelays, std::size(kProcessingDelays), milliseconds, 0);
}
int RecopyIntervalAt(int index) { return ValueAt(kRecopyIntervals, std::size(kRecopyIntervals), index, 1000); }
int ProcessingDelayAt(int index) { return ValueAt(kProcessingDelays, std::size(kProcessingDelays), index, 0); }

std::wstring StartupShortcutPath() {
    wchar_t folder[MAX_PATH] = {};
    // Without verification the path comes back even when something else stands where the folder belongs; the
    // shortcut then cannot be made, and the user is told so.
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    std::wstring path = std::wstring(folder) + L"\\" + g_language.productTitle + L".lnk";
    return path.size() < 520 ? path : std::wstring();
}

bool StartupShortcutExists(const std::wstring& path) {
    if (path.empty()) return false;
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    SetErrorMode(previous);
    return exists;
}

bool CreateStartupShortcut(const std::wstring& path, const std::wstring& target) {
    if (path.empty()) return false;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    link->SetPath(target.c_str());
    link->SetShowCmd(SW_SHOW);
    link->SetWorkingDirectory(L"");
    link->SetIconLocation(L"", 0);
    link->SetHotkey(0);
    link->SetDescription(L"");
    link->SetArguments(L"");
    bool saved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(path.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

void SetHotkeysChangedHandler(HotkeysChanged handler) { settingsDialog.hotkeysChanged = handler; }

INT_PTR RunSettingsDialog() {
    return RunModalDialog(IDD_SETTINGS_JA, IDD_SETTINGS_EN, nullptr, SettingsDialogProc, nullptr, DialogSlot::Settings);
}
