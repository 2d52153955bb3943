// Texts and languages: every user-visible message exists in Japanese and English, written side by side where it is
// used and chosen here by the UI language, which is decided once at start-up.
#pragma once
#include <windows.h>

#include <string>

struct UiLanguage {
    bool uiJapanese = true;
    std::wstring productTitle = L"パストレル"; // the caption of every message box and balloon
};
extern UiLanguage g_language;

// Built from both halves, so that a text missing one of its languages does not compile.
struct Text {
    constexpr Text(const wchar_t* japanese, const wchar_t* english) : ja(japanese), en(english) {}
    const wchar_t* ja;
    const wchar_t* en;
};

inline const wchar_t* Tr(const Text& text) { return g_language.uiJapanese ? text.ja : text.en; }

// Names that are never translated.
inline constexpr wchar_t kProductTitleJa[] = L"パストレル";
inline constexpr wchar_t kProductTitleEn[] = L"Pastrel";

// An exception's narrow text (ANSI code page) as wide text.
std::wstring WidenAnsi(const char* text);
// UTF-8 and back, for files and addresses shared with other programs.
std::string EncodeUtf8(const std::wstring& text);
std::wstring DecodeUtf8(const std::string& bytes);

// A message box owned by `owner` (may be null) with the product title as caption.
int ShowMessage(HWND owner, const Text& text, UINT iconFlags);
// Reports the exception being handled (call only inside a catch block) in a message box owned by `owner`: a
// standard exception with its own text, anything else as unknown.
void ShowExceptionBox(HWND owner) noexcept;
