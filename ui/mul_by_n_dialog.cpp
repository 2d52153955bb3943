// The multiply-by-N dialog: the multiplier of every number the CSV/TSV stage finds.
#include "ui/dialogs.h"

#include "base/program.h"
#include "base/text.h"
#include "settings/settings.h"
#include "ui/dialog.h"
#include "ui/help.h"
#include "ui/layout.h"
#include "ui/mul_by_n_ids.h"

namespace {

constexpr size_t kMaxMultiplierLength = 79;
constexpr Text kNotANumber{L"数値を入力して下さい。1を入力すると、本設定はOFFとなります。",
                           L"Please enter a numerical value."};
constexpr Text kCaption{L"数値を N 倍にする", L"Multiply by N"};

INT_PTR OnInitDialog(HWND dialog) {
    SetItemText(dialog, IDC_MULTIPLIER, Settings.MUL_BY_N);
    ShowProgramIcons(dialog);
    EnlargeIfAsked(dialog, PlaceBottomRight);
    return TRUE;
}

void OnOk(HWND dialog) {
    std::wstring text = ItemText(dialog, IDC_MULTIPLIER).substr(0, kMaxMultiplierLength);
    if (!IsMultiplierText(text)) {
        MessageBoxW(dialog, Tr(kNotANumber), Tr(kCaption), MB_OK | MB_ICONERROR);
        return;
    }
    Settings.MUL_BY_N = text;
    EndDialog(dialog, IDOK);
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK: OnOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case IDC_MUL_BY_N_HELP: ShowHelp(dialog, L"HLP000017.html#mul_by_n"); return TRUE;
    }
    return FALSE;
}

INT_PTR MulByNProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, void*) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    }
    return FALSE;
}

} // namespace

INT_PTR RunMulByNDialog() {
    return RunModalDialog(IDD_MUL_BY_N_JA, IDD_MUL_BY_N_EN, nullptr, MulByNProc, nullptr, DialogSlot::MulByN);
}
