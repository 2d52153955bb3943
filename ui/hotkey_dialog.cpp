// The hotkey dialog: the two global hotkeys, edited in the Settings record; its caller registers and saves them.
#include "ui/dialogs.h"

#include "base/program.h"
#include "base/text.h"
#include "settings/settings.h"
#include "ui/dialog.h"
#include "ui/help.h"
#include "ui/hotkey_ids.h"
#include "ui/hotkey_keys.h"
#include "ui/layout.h"

namespace {

constexpr Text kSameHotkey{L"同じホットキーは指定できません。", L"Do not specify the same hotkey."};
constexpr Text kCaption{L"ホットキーの割り当て", L"Assigns Hotkeys"};

constexpr Tooltip kTooltipsJa[] = {
    {IDC_HOTKEY1_SHIFT, L"Shiftキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY2_SHIFT, L"Shiftキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY1_CTRL, L"Ctrlキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY2_CTRL, L"Ctrlキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY1_ALT, L"Altキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY2_ALT, L"Altキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY1_KEY, L"このキーを押すと、クリップボードの監視を一時的にOFFにするための機能が動作します"},
    {IDC_HOTKEY2_KEY, L"このキーを押すと、クリップボード内のテキストの属性を除去する機能が動作します"},
    {IDOK, L"設定を保存し、このダイアログを閉じます"},
    {IDCANCEL, L"設定を保存せず、このダイアログを閉じます"},
    {IDC_HOTKEY_HELP, L"このダイアログに関するヘルプを表示します"},
    {0, nullptr},
};
constexpr Tooltip kTooltipsEn[] = {
    {IDC_HOTKEY1_SHIFT, L"Combines the Shift key as a modifier key."},
    {IDC_HOTKEY2_SHIFT, L"Combines the Shift key as a modifier key."},
    {IDC_HOTKEY1_CTRL, L"Combines the Ctrl key as a modifier key."},
    {IDC_HOTKEY2_CTRL, L"Combines the Ctrl key as a modifier key."},
    {IDC_HOTKEY1_ALT, L"Combines the Alt key as a modifier key."},
    {IDC_HOTKEY2_ALT, L"Combines the Alt key as a modifier key."},
    {IDOK, L"Saves settings and close this dialog box."},
    {IDCANCEL, L"Closes this dialog box without saving any changes."},
    {IDC_HOTKEY_HELP, L"Displays Japanese Help for this dialogbox."},
    {0, nullptr},
};

// The controls of one hotkey.
struct HotkeyControls {
    int shift, ctrl, alt, key;
};
constexpr HotkeyControls kHotkey1{IDC_HOTKEY1_SHIFT, IDC_HOTKEY1_CTRL, IDC_HOTKEY1_ALT, IDC_HOTKEY1_KEY};
constexpr HotkeyControls kHotkey2{IDC_HOTKEY2_SHIFT, IDC_HOTKEY2_CTRL, IDC_HOTKEY2_ALT, IDC_HOTKEY2_KEY};

struct HotkeyDialog {
    DialogScale scale;
};
HotkeyDialog hotkeyDialog;

void ShowHotkey(HWND dialog, const HotkeyControls& controls, const HotkeyChoice& hotkey) {
    CheckItem(dialog, controls.shift, hotkey.shift);
    CheckItem(dialog, controls.ctrl, hotkey.ctrl);
    CheckItem(dialog, controls.alt, hotkey.alt);
    for (const HotkeyKey& key : HotkeyKeyTable(g_language.uiJapanese))
        SendDlgItemMessageW(dialog, controls.key, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key.text.c_str()));
    SelectComboEntry(dialog, controls.key, HotkeyKeyRow(hotkey.code));
}

HotkeyChoice ReadHotkey(HWND dialog, const HotkeyControls& controls) {
    const std::vector<HotkeyKey>& table = HotkeyKeyTable(g_language.uiJapanese);
    int row = ComboSelection(dialog, controls.key);
    BYTE code = row >= 0 && row < static_cast<int>(table.size()) ? table[static_cast<size_t>(row)].code : 0;
    return {IsItemChecked(dialog, controls.shift), IsItemChecked(dialog, controls.ctrl),
            IsItemChecked(dialog, controls.alt), code};
}

INT_PTR OnInitDialog(HWND dialog) {
    ShowHotkey(dialog, kHotkey1, {Settings.SK1_SHIFT, Settings.SK1_CTRL, Settings.SK1_ALT, Settings.SK1_VKEY});
    ShowHotkey(dialog, kHotkey2, {Settings.SK2_SHIFT, Settings.SK2_CTRL, Settings.SK2_ALT, Settings.SK2_VKEY});
    AddTooltips(dialog, g_language.uiJapanese ? kTooltipsJa : kTooltipsEn);
    ShowProgramIcons(dialog);
    if (Settings.BIGDIALOG) ScaleDialogToWorkArea(hotkeyDialog.scale, dialog, PlaceBottomRight);
    return TRUE;
}

void OnOk(HWND dialog) {
    HotkeyChoice first = ReadHotkey(dialog, kHotkey1);
    HotkeyChoice second = ReadHotkey(dialog, kHotkey2);
    if (IsSameHotkey(first, second)) {
        MessageBoxW(dialog, Tr(kSameHotkey), Tr(kCaption), MB_OK | MB_ICONERROR);
        return;
    }
    Settings.SK1_SHIFT = first.shift;
    Settings.SK1_CTRL = first.ctrl;
    Settings.SK1_ALT = first.alt;
    Settings.SK1_VKEY = first.code;
    Settings.SK2_SHIFT = second.shift;
    Settings.SK2_CTRL = second.ctrl;
    Settings.SK2_ALT = second.alt;
    Settings.SK2_VKEY = second.code;
    EndDialog(dialog, IDOK);
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK: OnOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case IDC_HOTKEY_HELP: ShowHelp(dialog, L"HLP000018.html#shortcutkey"); return TRUE;
    }
    return FALSE;
}

INT_PTR HotkeyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, void*) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    case WM_DESTROY: RestoreDialogFont(hotkeyDialog.scale); return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR RunHotkeyDialog(HWND owner) { return RunModalDialog(IDD_HOTKEY_JA, IDD_HOTKEY_EN, owner, HotkeyProc, nullptr); }
