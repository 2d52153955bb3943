#include "app/app.h"

#include "app/text.h"

AppState g_app;

int ShowMessage(HWND owner, const Text& text, UINT iconFlags) {
    return MessageBoxW(owner, Tr(text), g_app.productTitle.c_str(), MB_OK | iconFlags);
}

std::wstring WidenAnsi(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1)); // without the terminator
    return wide;
}
