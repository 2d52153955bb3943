#include "app/app.h"

#include "app/text.h"

AppState g_app;

int ShowMessage(HWND owner, const Text& text, UINT iconFlags) {
    return MessageBoxW(owner, Tr(text), g_app.productTitle.c_str(), MB_OK | iconFlags);
}
