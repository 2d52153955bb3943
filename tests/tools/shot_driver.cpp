// Drives a running Pastrel for the README's screenshots: "menu" opens the tray menu with its per-line submenu,
// "balloon" copies formatted text so that the success balloon shows.
#include "e2e_support.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"menu";
    HWND pastrel = nullptr;
    WaitUntil([&] { return (pastrel = FindPastrelWindow()) != nullptr; }, 10000);
    if (!pastrel) return 1;
    if (mode == L"menu") {
        SetCursorPos(1000, 760);
        PostMessageW(pastrel, 32770, 156544, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); });
        PumpFor(300);
        PostMessageW(menu, WM_CHAR, L'y', 0);
        PumpFor(300);
        return 0;
    }
    ForeignApp app;
    app.CopyFormattedText(mode == L"balloon" ? L"<b>Pastrel</b> copied" : mode.c_str());
    PumpFor(500);
    return 0;
}
