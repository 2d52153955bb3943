// Drives a running Pastrel for the README's screenshots: "menu" opens the tray menu with its per-line submenu,
// "balloon" copies formatted text so that the success balloon shows, "dismiss" cancels Pastrel's open dialogs,
// "escape" closes the open menu, "about" opens the About box from the menu.
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
        for (const wchar_t* title : {L"Pastrel", L"パストレル", L"About", L"バージョン情報"})
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
    if (mode == L"menu" || mode == L"about") {
        SetCursorPos(1000, 760);
        PostMessageW(pastrel, 32770, 156544, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); });
        PumpFor(300);
        PostMessageW(menu, WM_CHAR, mode == L"about" ? L'a' : L'y', 0);
        PumpFor(300);
        return 0;
    }
    ForeignApp app;
    app.CopyFormattedText(mode == L"balloon" ? L"<b>Pastrel</b> copied" : mode.c_str());
    PumpFor(500);
    return 0;
}
