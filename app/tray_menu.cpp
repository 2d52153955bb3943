#include "app/tray_menu.h"

#include "app/app.h"
#include "app/commands.h"
#include "base/handles.h"
#include "app/ids.h"
#include "app/options.h"
#include "app/tray_icon.h"
#include "base/notices.h"
#include "base/test_hooks.h"
#include "base/text.h"
#include "clipboard/snapshot.h"
#include "convert/definitions.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "ui/floating.h"
#include "ui/dialog.h"

#include <algorithm>

namespace {

struct TrayMenu {
    MenuHandle resource;
    HMENU popup = nullptr;
    HMENU conversionSubmenu = nullptr;
    HMENU deleteSubmenu = nullptr;
};
TrayMenu trayMenu;

constexpr UINT kConversionSubmenuPos = 5;
constexpr UINT kDeleteSubmenuPos = 6;
constexpr UINT kPerLineSubmenuPos = 8;
constexpr UINT kFilesSubmenuPos = 9;
constexpr UINT kCsvSubmenuPos = 10;

constexpr Text kCloseTheDialog{L"現在開いているダイアログボックスを閉じてください。", L"Close the dialog box."};

void Check(UINT id, bool on) { CheckMenuItem(trayMenu.popup, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); }
void CheckPosition(UINT pos, bool on) {
    CheckMenuItem(trayMenu.popup, pos, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
}

void UpdateCheckMarks() {
    const SettingsRecord& s = Settings;
    Check(IDM_TOGGLE_MONITOR, !s.CBWatchEnabled);
    EnableMenuItem(trayMenu.popup, IDM_PROCESS_NOW, MF_BYCOMMAND | (s.CBWatchEnabled ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(trayMenu.popup, IDM_RESTORE_FORMATTED,
                   MF_BYCOMMAND | (FormattedCopyRestorable() ? MF_ENABLED : MF_GRAYED));

    int selected = FindConversionEntry(ConversionTable, s.StrConvID);
    if (selected <= 99) {
        UINT radio = selected >= 0 ? IDM_CONVERT_FIRST + selected : IDM_CONVERT_NONE;
        CheckMenuRadioItem(trayMenu.popup, IDM_CONVERT_NONE, IDM_CONVERT_LAST, radio, MF_BYCOMMAND);
    } else {
        // The selected entry lies beyond the menu's 100 slots: no item carries the mark.
        for (UINT id = IDM_CONVERT_NONE; id <= IDM_CONVERT_LAST; ++id) Check(id, false);
    }
    CheckPosition(kConversionSubmenuPos, selected >= 0);

    CheckOptionItems(trayMenu.popup);
    CheckPosition(kDeleteSubmenuPos, s.DelSpace || s.DelEnter || s.DelTab);
    Check(IDM_REGEX, s.REP_REP);

    CheckPosition(kPerLineSubmenuPos, AnyLineOption(s));

    UINT files = s.FileFolderCopy == 2 ? IDM_FILES_FULLPATHS : s.FileFolderCopy == 1 ? IDM_FILES_NAMES : IDM_FILES_NONE;
    CheckMenuRadioItem(trayMenu.popup, IDM_FILES_NONE, IDM_FILES_FULLPATHS, files, MF_BYCOMMAND);
    CheckPosition(kFilesSubmenuPos, s.FileFolderCopy != 0);

    bool multiply = s.MUL_BY_N != L"1";
    Check(IDM_MUL_BY_N, multiply);
    CheckPosition(kCsvSubmenuPos, s.CSVTSV_CHANGEROWCOL || multiply);
}

// The submenu holds 100 placeholder items after "None": the first entries of the table take their places (with the
// Japanese or the English label), the rest go; a file that could not be read leaves only "None".
void FillConversionSubmenu(bool loaded) {
    HMENU submenu = trayMenu.conversionSubmenu;
    if (!submenu) return;
    size_t count = loaded ? std::min<size_t>(ConversionTable.size(), 100) : 0;
    for (size_t i = 100; i-- > count;) DeleteMenu(submenu, static_cast<UINT>(IDM_CONVERT_FIRST + i), MF_BYCOMMAND);
    for (size_t i = 0; i < count; ++i) {
        const ConversionEntry& entry = ConversionTable[i];
        const std::wstring& label = g_language.uiJapanese ? entry.displayName : entry.identifier;
        UINT id = static_cast<UINT>(IDM_CONVERT_FIRST + i);
        ModifyMenuW(submenu, id, MF_BYCOMMAND | MF_STRING, id, label.c_str());
    }
}

// A missing button is opened after the menu: its loop would otherwise keep the menu from appearing.
void BringFloatingButtonForward(HWND window) {
    if (!Settings.SHOW_FLOATING) return;
    if (HWND floating = FloatingButtonWindow()) {
        SetWindowPos(floating, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        SetWindowPos(floating, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else {
        PostMessageW(window, WMU_OPEN_FLOATING, 0, 0);
    }
}

void BringModalDialogsForward() {
    if (!modalDialogOpen) return;
    for (HWND dialog : OpenModalDialogs())
        if (dialog) SetForegroundWindow(dialog);
    ShowNotice(Tr(kCloseTheDialog), NOTICE_WARNING);
}

} // namespace

void LoadTrayMenu() {
    trayMenu.resource.reset(
        LoadMenuW(g_resources.instance, MAKEINTRESOURCEW(g_language.uiJapanese ? IDM_MENU_JA : IDM_MENU_EN)));
    trayMenu.popup = trayMenu.resource ? GetSubMenu(trayMenu.resource.get(), 0) : nullptr;
    if (!trayMenu.popup) return;
    SetMenuDefaultItem(trayMenu.popup, 0, TRUE);
    trayMenu.conversionSubmenu = GetSubMenu(trayMenu.popup, kConversionSubmenuPos);
    trayMenu.deleteSubmenu = GetSubMenu(trayMenu.popup, kDeleteSubmenuPos);
    FillConversionSubmenu(LoadConversionDefinitions());
}

void DestroyTrayMenu() {
    trayMenu.resource.reset();
    trayMenu.popup = trayMenu.conversionSubmenu = trayMenu.deleteSubmenu = nullptr;
}

void ShowPopupMenu(HWND window, POINT at) {
    BringFloatingButtonForward(window);
    BringModalDialogsForward();
    if (!trayMenu.popup) return;
    UpdateCheckMarks();
    RecordMenuState(trayMenu.popup);
    SetForegroundWindow(window);
    UINT command = static_cast<UINT>(TrackPopupMenu(trayMenu.popup,
                                                    TPM_RETURNCMD | TPM_NONOTIFY | TPM_BOTTOMALIGN | TPM_RIGHTALIGN,
                                                    at.x, at.y, 0, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    if (command != 0) DispatchCommand(window, command);
}

void OnTrayMessage(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (lParam) {
    case WM_LBUTTONDOWN: SetTimer(window, TIMER_SINGLE_CLICK, GetDoubleClickTime(), nullptr); break;
    case WM_LBUTTONDBLCLK:
        KillTimer(window, TIMER_SINGLE_CLICK);
        DispatchCommand(window, IDM_TOGGLE_MONITOR);
        break;
    case WM_MBUTTONUP: DispatchCommand(window, IDM_EMPTY_CLIPBOARD); break;
    case WM_RBUTTONUP: {
        POINT cursor{};
        GetCursorPos(&cursor);
        ShowPopupMenu(window, cursor);
        break;
    }
    case WM_CONTEXTMENU:
        ShowPopupMenu(window, POINT{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))});
        break;
    }
}
