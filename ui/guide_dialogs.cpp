// The already-running dialog of a second start and the opening dialog shown at start-up: both show where the tray
// icon lives, with the guide pictures of the notification area.
#include "ui/dialogs.h"

#include "base/program.h"
#include "settings/settings.h"
#include "settings/store.h"
#include "ui/dialog.h"
#include "ui/guide_ids.h"
#include "ui/layout.h"

namespace {

void ShowGuidePictures(HWND dialog) {
    SetItemBitmap(dialog, IDC_GUIDE_OLD, g_resources.guideImageOld);
    SetItemBitmap(dialog, IDC_GUIDE_NEW, g_resources.guideImageNew);
}

INT_PTR AlreadyRunningInit(HWND dialog) {
    ShowGuidePictures(dialog);
    SetForegroundWindow(dialog);
    ShowProgramIcons(dialog);
    MessageBeep(MB_OK);
    SendDlgItemMessageW(dialog, IDC_WARNING_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
    return TRUE;
}

INT_PTR AlreadyRunningCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDCANCEL:
    case IDC_FORCE_EXIT:
    case IDC_RUNNING_SETTINGS: EndDialog(dialog, id); return TRUE;
    }
    return FALSE;
}

INT_PTR AlreadyRunningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, void*) {
    switch (message) {
    case WM_INITDIALOG: return AlreadyRunningInit(dialog);
    case WM_COMMAND: return AlreadyRunningCommand(dialog, LOWORD(wParam));
    }
    return FALSE;
}

INT_PTR OpeningInit(HWND dialog) {
    EnlargeIfAsked(dialog, PlaceCentre);
    ShowGuidePictures(dialog);
    if (g_store.nonSaveMode) EnableItem(dialog, IDC_NO_OPENING_DIALOG, false);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    return TRUE;
}

INT_PTR OpeningCommand(HWND dialog, WORD id) {
    if (id != IDCANCEL) return FALSE;
    if (IsItemChecked(dialog, IDC_NO_OPENING_DIALOG)) {
        Settings.NoOpeningDlg = true;
        SaveSettings();
    }
    DestroyWindow(dialog);
    return TRUE;
}

INT_PTR OpeningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM, void*) {
    switch (message) {
    case WM_INITDIALOG: return OpeningInit(dialog);
    case WM_COMMAND: return OpeningCommand(dialog, LOWORD(wParam));
    }
    return FALSE;
}

} // namespace

INT_PTR RunAlreadyRunningDialog() {
    return RunModalDialog(IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN, nullptr, AlreadyRunningProc, nullptr);
}

void OpenOpeningDialog(HWND owner) { CreateModelessDialog(IDD_OPENING, owner, OpeningProc, nullptr); }
