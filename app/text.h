// Every user-visible message exists in Japanese and English, written side by side where it is used and chosen here.
#pragma once
#include "app/app.h"

struct Text {
    const wchar_t* ja;
    const wchar_t* en;
};

inline const wchar_t* Tr(const Text& text) { return g_app.uiJapanese ? text.ja : text.en; }

#include <string>

// An exception's narrow text (ANSI code page) as wide text.
std::wstring WidenAnsi(const char* text);

// A message box owned by `owner` (may be null) with the product title as caption.
int ShowMessage(HWND owner, const Text& text, UINT iconFlags);
