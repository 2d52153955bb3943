// Drives a running Pastrel for the README's screenshots: "menu" opens the tray menu with its per-line submenu,
// "balloon" copies formatted text so that the success balloon shows, "dismiss" cancels Pastrel's open dialogs,
// "escape" closes the open menu, "mulbyn" opens the multiply-by-N dialog from the menu.
#include "e2e_support.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"menu";
    if (mode == L"escape") {
        if (HWND menu = FindWindowW(L"#32768", nullptr)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpFor(300);
        return 0;
    }
    if (mode == L"dismiss") {
        for (const wchar_t* title : {L"Pastrel", L"パストレル", L"Multiply by N", L"数値を N 倍にする"})
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
    if (mode == L"menu" || mode == L"mulbyn") {
        SetCursorPos(1000, 760);
        PostMessageW(pastrel, 32770, 156544, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); });
        PumpFor(300);
        for (wchar_t key : std::wstring(mode == L"menu" ? L"y" : L"cm")) {
            PostMessageW(FindWindowW(L"#32768", nullptr), WM_CHAR, key, 0);
            PumpFor(300);
        }
        return 0;
    }
    ForeignApp app;
    app.CopyFormattedText(mode == L"balloon" ? L"<b>Pastrel</b> copied" : mode.c_str());
    PumpFor(500);
    return 0;
}
