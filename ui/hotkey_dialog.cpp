// The hotkey dialog: the three global hotkeys, edited in the Settings record; its caller registers and saves them.
#include "ui/dialogs.h"

#include "base/program.h"
#include "base/text.h"
#include "settings/settings.h"
#include "ui/dialog.h"
#include "ui/help.h"
#include "ui/hotkey_ids.h"
#include "ui/hotkey_keys.h"
#include "ui/layout.h"

#include <iterator>

namespace {

constexpr Text kSameHotkey{L"同じホットキーは指定できません。", L"Do not specify the same hotkey."};
constexpr Text kBareHotkey{L"Shift、Ctrl、Alt のいずれかも選んでください。",
                           L"Please choose Shift, Ctrl or Alt as well."};
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
    {IDC_HOTKEY3_SHIFT, L"Shiftキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY3_CTRL, L"Ctrlキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY3_ALT, L"Altキーを押しっぱなしで右記のキーを押下することを意味します"},
    {IDC_HOTKEY3_KEY, L"このキーを押すと、直前に属性を除去したコピーを書式付きの元の内容に戻します"},
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
    {IDC_HOTKEY3_SHIFT, L"Combines the Shift key as a modifier key."},
    {IDC_HOTKEY3_CTRL, L"Combines the Ctrl key as a modifier key."},
    {IDC_HOTKEY3_ALT, L"Combines the Alt key as a modifier key."},
    {IDOK, L"Saves settings and close this dialog box."},
    {IDCANCEL, L"Closes this dialog box without saving any changes."},
    {IDC_HOTKEY_HELP, L"Displays Japanese Help for this dialogbox."},
    {0, nullptr},
};

// The controls of one hotkey.
struct HotkeyControls {
    int shift, ctrl, alt, key;
};
constexpr HotkeyControls kHotkeyControls[] = {
    {IDC_HOTKEY1_SHIFT, IDC_HOTKEY1_CTRL, IDC_HOTKEY1_ALT, IDC_HOTKEY1_KEY},
    {IDC_HOTKEY2_SHIFT, IDC_HOTKEY2_CTRL, IDC_HOTKEY2_ALT, IDC_HOTKEY2_KEY},
    {IDC_HOTKEY3_SHIFT, IDC_HOTKEY3_CTRL, IDC_HOTKEY3_ALT, IDC_HOTKEY3_KEY},
};
constexpr size_t kHotkeyCount = std::size(kHotkeyControls);

// The Settings fields of each hotkey, in the order of the controls.
struct HotkeyFields {
    bool SettingsRecord::*shift;
    bool SettingsRecord::*ctrl;
    bool SettingsRecord::*alt;
    BYTE SettingsRecord::*code;
};
constexpr HotkeyFields kHotkeyFields[] = {
    {&SettingsRecord::SK1_SHIFT, &SettingsRecord::SK1_CTRL, &SettingsRecord::SK1_ALT, &SettingsRecord::SK1_VKEY},
    {&SettingsRecord::SK2_SHIFT, &SettingsRecord::SK2_CTRL, &SettingsRecord::SK2_ALT, &SettingsRecord::SK2_VKEY},
    {&SettingsRecord::SK3_SHIFT, &SettingsRecord::SK3_CTRL, &SettingsRecord::SK3_ALT, &SettingsRecord::SK3_VKEY},
};
static_assert(std::size(kHotkeyFields) == kHotkeyCount);

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
    for (size_t i = 0; i < kHotkeyCount; ++i) {
        const HotkeyFields& f = kHotkeyFields[i];
        ShowHotkey(dialog, kHotkeyControls[i],
                   {Settings.*f.shift, Settings.*f.ctrl, Settings.*f.alt, Settings.*f.code});
    }
    AddTooltips(dialog, g_language.uiJapanese ? kTooltipsJa : kTooltipsEn);
    ShowProgramIcons(dialog);
    if (Settings.BIGDIALOG) ScaleDialogToWorkArea(hotkeyDialog.scale, dialog, PlaceBottomRight);
    return TRUE;
}

// The first refusal the hotkeys meet, or null when they can be stored.
const Text* Refusal(const HotkeyChoice (&hotkeys)[kHotkeyCount]) {
    for (const HotkeyChoice& hotkey : hotkeys)
        if (IsBareHotkey(hotkey)) return &kBareHotkey;
    for (size_t i = 0; i < kHotkeyCount; ++i)
        for (size_t j = i + 1; j < kHotkeyCount; ++j)
            if (IsSameHotkey(hotkeys[i], hotkeys[j])) return &kSameHotkey;
    return nullptr;
}

void OnOk(HWND dialog) {
    HotkeyChoice hotkeys[kHotkeyCount];
    for (size_t i = 0; i < kHotkeyCount; ++i) hotkeys[i] = ReadHotkey(dialog, kHotkeyControls[i]);
    if (const Text* refusal = Refusal(hotkeys)) {
        MessageBoxW(dialog, Tr(*refusal), Tr(kCaption), MB_OK | MB_ICONERROR);
        return;
    }
    for (size_t i = 0; i < kHotkeyCount; ++i) {
        const HotkeyFields& f = kHotkeyFields[i];
        Settings.*f.shift = hotkeys[i].shift;
        Settings.*f.ctrl = hotkeys[i].ctrl;
        Settings.*f.alt = hotkeys[i].alt;
        Settings.*f.code = hotkeys[i].code;
    }
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
