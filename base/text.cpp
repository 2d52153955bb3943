#include "base/text.h"

#include <exception>

UiLanguage g_language;

namespace {
constexpr Text kUnknownException{L"予期せぬ例外が発生。", L"Unkown exception."};
constexpr wchar_t kExceptionCaption[] = L"パストレル 開発元へご連絡下さい - 予期せぬ例外を補足";
} // namespace

int ShowMessage(HWND owner, const Text& text, UINT iconFlags) {
    return MessageBoxW(owner, Tr(text), g_language.productTitle.c_str(), MB_OK | iconFlags);
}

void ShowExceptionBox(HWND owner) noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        try {
            MessageBoxW(owner, WidenAnsi(e.what()).c_str(), kExceptionCaption, MB_OK | MB_ICONERROR);
        } catch (...) {
            MessageBoxW(owner, L"", kExceptionCaption, MB_OK | MB_ICONERROR);
        }
    } catch (...) {
        ShowMessage(owner, kUnknownException, MB_ICONERROR);
    }
}

std::wstring WidenAnsi(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1)); // without the terminator
    return wide;
}
