// The regular-expression dialog: the six settings of the replacement stage, with templates and a history of the
// patterns and replacements confirmed before.
#include "ui/dialogs.h"

#include "base/program.h"
#include "base/text.h"
#include "convert/regex_stage.h"
#include "settings/settings.h"
#include "settings/store.h"
#include "ui/combobox_queue.h"
#include "ui/dialog.h"
#include "ui/help.h"
#include "ui/layout.h"
#include "ui/regex_ids.h"
#include "ui/regex_templates.h"

#include <memory>

namespace {

constexpr Text kCaption{L"正規表現による置換", L"Replaces substring by a regular expression"};
constexpr Text kEmptyPattern{L"変更前文字列が入力されていません。", L"Before Text is empty."};
constexpr Text kRegexError{L"正規表現（置換前文字列）のエラー：\n", L"regex error:\n"};
constexpr Text kUnexpected{L"予期せぬ例外が発生", L"unknow exception"};
constexpr Text kTemplatePrompt{L"(テンプレートから選択できます)", L"(You can choose from templates)"};
constexpr Text kNoTemplates{L"(テンプレートが読み込めませんでした)", L"(You cannot use RegExp templates)"};

constexpr Tooltip kTooltipsJa[] = {
    {IDC_REGEX_ENABLE, L"ここにチェックを入れると、正規表現による置換機能が有効になります"},
    {IDC_REGEX_ICASE, L"正規表現による文字列サーチを行う際、アルファベットの大文字と小文字の差異は無視されます"},
    {IDC_REGEX_SINGLELINE, L"正規表現による文字列サーチを行う際、全体を一行と見なすようにします"},
    {IDC_REGEX_NOTDOTNEWLINE,
     L"正規表現による文字列サーチを行う際、'.'(ドット…すべての1文字にマッチ)が改行記号とマッチしないようにします"},
    {IDOK, L"設定を保存し、このダイアログを閉じます"},
    {IDCANCEL, L"設定を保存せず、このダイアログを閉じます"},
    {IDC_REGEX_HELP, L"このダイアログに関するヘルプを表示します"},
    {0, nullptr},
};
constexpr Tooltip kTooltipsEn[] = {
    {IDC_REGEX_ENABLE, L"Enables replacing string by regular expression."},
    {IDOK, L"Save settings and close this dialog box."},
    {IDCANCEL, L"Close this dialog box without saving any changes."},
    {IDC_REGEX_HELP, L"Displays Japanese Help for this dialogbox."},
    {0, nullptr},
};

// The two text fields stretch with the width; the buttons stay in the bottom-right corner.
constexpr AnchorRow kLayout[] = {
    {IDC_REGEX_BEFORE, AnchorMode::StretchWidth},  {IDC_REGEX_AFTER, AnchorMode::StretchWidth},
    {IDOK, AnchorMode::KeepBottomRight},           {IDCANCEL, AnchorMode::KeepBottomRight},
    {IDC_REGEX_HELP, AnchorMode::KeepBottomRight}, {0, AnchorMode::KeepRight},
};

// The controls that only matter while the replacement is on.
constexpr int kReplacementControls[] = {
    IDC_REGEX_TEMPLATE_LABEL, IDC_REGEX_TEMPLATES,   IDC_REGEX_BEFORE_LABEL,
    IDC_REGEX_BEFORE,         IDC_REGEX_AFTER_LABEL, IDC_REGEX_AFTER,
    IDC_REGEX_ICASE,          IDC_REGEX_SINGLELINE,  IDC_REGEX_NOTDOTNEWLINE,
};

// Kept for the dialog type: the scaling is undone when the dialog is destroyed.

struct RegexDialogState {
    DialogAnchors anchors;
    std::unique_ptr<ComboboxQueue> beforeHistory; // none in non-save mode
    std::unique_ptr<ComboboxQueue> afterHistory;
};

// OK needs a pattern only while the replacement is on; an empty pattern is harmless while it is off.
void UpdateOk(HWND dialog) {
    EnableItem(dialog, IDOK, !IsItemChecked(dialog, IDC_REGEX_ENABLE) || !ItemText(dialog, IDC_REGEX_BEFORE).empty());
}

void ApplyEnabling(HWND dialog) {
    bool enable = IsItemChecked(dialog, IDC_REGEX_ENABLE);
    for (int id : kReplacementControls) EnableItem(dialog, id, enable);
    UpdateOk(dialog);
}

void LoadHistories(HWND dialog, RegexDialogState& state) {
    if (g_store.nonSaveMode) return;
    state.beforeHistory = std::make_unique<ComboboxQueue>();
    state.afterHistory = std::make_unique<ComboboxQueue>();
    HWND before = GetDlgItem(dialog, IDC_REGEX_BEFORE);
    HWND after = GetDlgItem(dialog, IDC_REGEX_AFTER);
    if (g_store.useIniFile) {
        state.beforeHistory->InitIni(before, L"cbq_before");
        state.afterHistory->InitIni(after, L"cbq_after");
    } else {
        state.beforeHistory->InitReg(before, L"cbq_before");
        state.afterHistory->InitReg(after, L"cbq_after");
    }
}

void FillTemplates(HWND dialog) {
    const std::vector<RegexTemplate>& templates = RegexTemplates();
    HWND combo = GetDlgItem(dialog, IDC_REGEX_TEMPLATES);
    auto add = [combo](const wchar_t* text) { SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); };
    add(Tr(templates.empty() ? kNoTemplates : kTemplatePrompt));
    for (const RegexTemplate& t : templates) add(t.name.c_str());
    SelectComboEntry(dialog, IDC_REGEX_TEMPLATES, 0);
}

INT_PTR OnInitDialog(HWND dialog, RegexDialogState& state) {
    EnlargeIfAsked(dialog, PlaceBottomRight);
    LoadHistories(dialog, state);
    CheckItem(dialog, IDC_REGEX_ENABLE, Settings.REP_REP);
    SetItemText(dialog, IDC_REGEX_BEFORE, Settings.REP_BEFORE);
    SetItemText(dialog, IDC_REGEX_AFTER, Settings.REP_AFTER);
    CheckItem(dialog, IDC_REGEX_ICASE, Settings.REP_ICASE);
    CheckItem(dialog, IDC_REGEX_SINGLELINE, Settings.REP_SINGLELINE);
    CheckItem(dialog, IDC_REGEX_NOTDOTNEWLINE, Settings.REP_NOTDOTNEWLINE);
    ApplyEnabling(dialog);
    FillTemplates(dialog);
    AddTooltips(dialog, g_language.uiJapanese ? kTooltipsJa : kTooltipsEn);
    ShowProgramIcons(dialog);
    // Only wider: the height and the smallest width are those it opened with.
    if (state.anchors.Init(dialog, kLayout)) {
        state.anchors.maxTrackWidth = DialogAnchors::NoLimit;
        state.anchors.maxTrackHeight = state.anchors.initialHeight;
    }
    return TRUE;
}

void ChooseTemplate(HWND dialog) {
    int index = ComboSelection(dialog, IDC_REGEX_TEMPLATES);
    const std::vector<RegexTemplate>& templates = RegexTemplates();
    if (index <= 0 || static_cast<size_t>(index) > templates.size()) return;
    const RegexTemplate& chosen = templates[static_cast<size_t>(index) - 1];
    // The templates are written line by line: "^" and "$" at every line, "." within a line.
    CheckItem(dialog, IDC_REGEX_SINGLELINE, false);
    CheckItem(dialog, IDC_REGEX_NOTDOTNEWLINE, true);
    SetItemText(dialog, IDC_REGEX_BEFORE, chosen.before);
    SetItemText(dialog, IDC_REGEX_AFTER, chosen.after);
    EnableItem(dialog, IDOK, true);
}

void ShowError(HWND dialog, const std::wstring& text) {
    MessageBoxW(dialog, text.c_str(), Tr(kCaption), MB_OK | MB_ICONERROR);
}

void OnOk(HWND dialog, RegexDialogState& state) {
    bool enable = IsItemChecked(dialog, IDC_REGEX_ENABLE);
    std::wstring before = ItemText(dialog, IDC_REGEX_BEFORE);
    if (before.empty() && enable) return ShowError(dialog, Tr(kEmptyPattern));
    std::string description;
    switch (CheckRegexPattern(before, description)) {
    case PatternCheck::Compiles: break;
    case PatternCheck::RegexError: return ShowError(dialog, Tr(kRegexError) + WidenAnsi(description.c_str()));
    case PatternCheck::OtherFailure: return ShowError(dialog, Tr(kUnexpected));
    }
    Settings.REP_BEFORE = before;
    Settings.REP_AFTER = ItemText(dialog, IDC_REGEX_AFTER);
    Settings.REP_REP = enable;
    Settings.REP_ICASE = IsItemChecked(dialog, IDC_REGEX_ICASE);
    Settings.REP_SINGLELINE = IsItemChecked(dialog, IDC_REGEX_SINGLELINE);
    Settings.REP_NOTDOTNEWLINE = IsItemChecked(dialog, IDC_REGEX_NOTDOTNEWLINE);
    if (state.beforeHistory && !Settings.REP_BEFORE.empty()) state.beforeHistory->Push(Settings.REP_BEFORE);
    if (state.afterHistory && !Settings.REP_AFTER.empty()) state.afterHistory->Push(Settings.REP_AFTER);
    EndDialog(dialog, IDOK);
}

INT_PTR OnCommand(HWND dialog, WORD id, WORD code, RegexDialogState& state) {
    switch (id) {
    case IDOK: OnOk(dialog, state); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case IDC_REGEX_HELP: ShowHelp(dialog, L"HLP000011.html"); return TRUE;
    case IDC_REGEX_ENABLE:
        if (code == BN_CLICKED) ApplyEnabling(dialog);
        return TRUE;
    case IDC_REGEX_BEFORE:
        if (code == CBN_EDITCHANGE) UpdateOk(dialog);
        if (code == CBN_SELCHANGE) EnableItem(dialog, IDOK, true);
        return TRUE;
    case IDC_REGEX_TEMPLATES:
        if (code == CBN_SELCHANGE) ChooseTemplate(dialog);
        return TRUE;
    }
    return FALSE;
}

void OnDestroy(RegexDialogState& state) {
    if (state.beforeHistory) state.beforeHistory->Free();
    if (state.afterHistory) state.afterHistory->Free();
    state.anchors.Free();
}

INT_PTR RegexDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, void* data) {
    auto& state = *static_cast<RegexDialogState*>(data);
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, state);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), state);
    case WM_SIZE: state.anchors.Apply(); return FALSE;
    case WM_GETMINMAXINFO: state.anchors.ApplyMinMax(reinterpret_cast<MINMAXINFO*>(lParam)); return FALSE;
    case WM_DESTROY: OnDestroy(state); return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR RunRegexDialog() {
    RegexDialogState state;
    return RunModalDialog(IDD_REGEX_JA, IDD_REGEX_EN, nullptr, RegexDialogProc, &state, DialogSlot::Regex);
}
