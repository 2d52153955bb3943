// Drives a running Pastrel for the README's screenshots: "menu" opens the tray menu with its per-line submenu,
// "regex" opens the regular-expression dialog from that menu and fills it in (dismissing it changes nothing),
// "mulbyn" opens the multiply-by-N dialog from the menu, "settings" the settings dialog, "hotkeys" the hotkey dialog
// over it, "about" the About box,
// "balloon" copies formatted text so that the success balloon shows, "dismiss" cancels Pastrel's open dialogs, "escape"
// closes the open menu. For the X-side tests, "hotkey2 LETTER" sets the second hotkey to Ctrl+Alt+LETTER in the hotkey
// dialog, says OK and closes the settings dialog.
#include "e2e_support.h"
#include "ui/hotkey_ids.h"
#include "ui/regex_ids.h"

#include <cstdio>
#include <cwctype>
#include <string>

// The date template at work, replacement switched on.
void FillRegexDialog() {
    HWND dialog = nullptr;
    WaitUntil([&] {
        for (const wchar_t* title : {L"Replaces substring by a regular expression", L"正規表現による置換"})
            if (!dialog) dialog = FindWindowW(L"#32770", title);
        return dialog != nullptr;
    });
    if (!dialog) return;
    CheckDlgButton(dialog, IDC_REGEX_ENABLE, BST_CHECKED);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_REGEX_ENABLE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_REGEX_ENABLE)));
    SendDlgItemMessageW(dialog, IDC_REGEX_TEMPLATES, CB_SETCURSEL, 15, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_REGEX_TEMPLATES, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_REGEX_TEMPLATES)));
    PumpFor(300);
}

// Ctrl+Alt+letter as the second hotkey, through the open hotkey dialog; the settings dialog is then cancelled, which
// keeps hotkeys already saved.
bool ChooseSecondHotkey(HWND settings, wchar_t letter) {
    HWND hotkeys = nullptr;
    WaitUntil([&] {
        for (const wchar_t* title : {L"Assigns Hotkeys", L"ホットキーの割当て"})
            if (!hotkeys) hotkeys = FindWindowW(L"#32770", title);
        return hotkeys && IsWindowVisible(hotkeys);
    });
    if (!hotkeys || !settings) return false;
    SendDlgItemMessageW(hotkeys, IDC_HOTKEY2_KEY, CB_SETCURSEL, 1 + (towupper(letter) - L'A'), 0); // row 0: none
    CheckDlgButton(hotkeys, IDC_HOTKEY2_SHIFT, BST_UNCHECKED);
    CheckDlgButton(hotkeys, IDC_HOTKEY2_CTRL, BST_CHECKED);
    CheckDlgButton(hotkeys, IDC_HOTKEY2_ALT, BST_CHECKED);
    PostMessageW(hotkeys, WM_COMMAND, IDOK, 0);
    if (!WaitUntil([&] { return !IsWindow(hotkeys); })) return false;
    PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
    return WaitUntil([&] { return !IsWindow(settings); });
}

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"menu";
    if (mode == L"escape") {
        if (HWND menu = FindWindowW(L"#32768", nullptr)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpFor(300);
        return 0;
    }
    if (mode == L"dismiss") {
        // The hotkey dialog first: it is modal over the settings dialog.
        for (const wchar_t* title :
             {L"Assigns Hotkeys", L"ホットキーの割当て", L"Pastrel", L"パストレル", L"Multiply by N",
              L"数値を N 倍にする", L"Replaces substring by a regular expression", L"正規表現による置換", L"About",
              L"バージョン情報", L"Settings - Pastrel", L"設定 - パストレル"})
            while (HWND dialog = FindWindowW(L"#32770", title)) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                PumpFor(500);
                if (IsWindow(dialog)) return 1;
            }
        return 0;
    }
    HWND pastrel = nullptr;
    WaitUntil([&] { return (pastrel = FindPastrelWindow()) != nullptr; }, 10000);
    if (!pastrel) return 1;
    if (mode == L"menu" || mode == L"mulbyn" || mode == L"regex" || mode == L"about" || mode == L"settings" ||
        mode == L"hotkeys" || mode == L"hotkey2") {
        SetCursorPos(1000, 760);
        PostMessageW(pastrel, 32770, 156544, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); });
        PumpFor(300);
        const wchar_t* keys = mode == L"menu"                                                   ? L"y"
                              : mode == L"mulbyn"                                               ? L"cm"
                              : mode == L"about"                                                ? L"a"
                              : mode == L"settings" || mode == L"hotkeys" || mode == L"hotkey2" ? L"s"
                                                                                                : L"g";
        for (const wchar_t* key = keys; *key; ++key) {
            PostMessageW(FindWindowW(L"#32768", nullptr), WM_CHAR, *key, 0);
            PumpFor(300);
        }
        if (mode == L"regex") {
            PumpFor(700);
            FillRegexDialog();
        }
        if (mode == L"hotkeys" || mode == L"hotkey2") {
            HWND settings = nullptr;
            WaitUntil([&] {
                for (const wchar_t* title : {L"Settings - Pastrel", L"設定 - パストレル"})
                    if (!settings) settings = FindWindowW(L"#32770", title);
                return settings != nullptr;
            });
            if (settings) PostMessageW(settings, WM_COMMAND, 32996, 0); // the hotkeys button
            PumpFor(700);
            if (mode == L"hotkey2") return ChooseSecondHotkey(settings, argc > 2 ? argv[2][0] : L'R') ? 0 : 1;
        }
        return 0;
    }
    ForeignApp app;
    app.CopyFormattedText(mode == L"balloon" ? L"<b>Pastrel</b> copied" : mode.c_str());
    PumpFor(500);
    return 0;
}
