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

std::string EncodeUtf8(const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::wstring DecodeUtf8(const std::string& bytes) {
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(units > 0 ? static_cast<size_t>(units) : 0, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), units);
    return text;
}
