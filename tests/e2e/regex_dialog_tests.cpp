// The regular-expression dialog, opened from the tray menu and driven by control id as a user would.
#include "pastrel_test.h"

#include "ui/regex_ids.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

constexpr wchar_t kCaptionEn[] = L"Replaces substring by a regular expression";
constexpr wchar_t kCaptionJa[] = L"正規表現による置換";

int ComboCount(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0)); }

// What the user does: type into a combo box, pick a list entry.
void Type(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void Pick(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The screen's pixels under a window, as 32-bit BGRA rows.
std::vector<DWORD> ScreenPixels(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Opens the dialog through the tray menu's item and returns it.
HWND OpenRegexDialog(PastrelProcess& pastrel, const wchar_t* caption) {
    if (!pastrel.OpenTrayMenu()) return nullptr;
    pastrel.MenuKeys({'G'});
    return WaitForDialog(pastrel.ProcessId(), caption);
}

// The message box the dialog shows over itself: its text, after pressing its OK.
std::wstring AnswerBox(PastrelProcess& pastrel, HWND dialog) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND w : VisibleWindowsOf(pastrel.ProcessId(), L"#32770"))
            if (w != dialog) box = w;
        return box != nullptr;
    });
    if (!box) return L"(no box)";
    std::wstring text = DialogItemText(box, 0xFFFF);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}

std::wstring StoredMultiSz(const wchar_t* name, DWORD* type) {
    wchar_t data[256] = {};
    DWORD size = sizeof(data);
    *type = REG_NONE;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, type, data, &size) !=
        ERROR_SUCCESS)
        return L"(missing)";
    return std::wstring(data, size / sizeof(wchar_t));
}

void StoreMultiSz(const wchar_t* name, const std::wstring& data) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_MULTI_SZ, data.data(),
                    static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

std::wstring StoredString(const wchar_t* name) {
    DWORD type = 0;
    std::wstring value = StoredMultiSz(name, &type);
    if (type == REG_SZ && !value.empty()) value.pop_back();
    return value;
}

PastrelProcess::Options InLanguage(const std::wstring& language, const std::wstring& exePath = {}) {
    PastrelProcess::Options options;
    options.language = language;
    options.exePath = exePath;
    return options;
}

class RegexDialog : public PastrelTest {};

TEST_F(RegexDialog, ShowsTheStoredStateAndOkStoresRemembersAndConvertsTheNextCopy) {
    StoreSetting(L"REP_BEFORE", L"old");
    StoreSetting(L"REP_AFTER", L"x");
    StoreSetting(L"REP_ICASE", 1);
    StoreSetting(L"REP_NOTDOTNEWLINE", 1);
    StoreMultiSz(L"cbq_before", std::wstring(L"h1\0b+\0h3\0\0", 10));
    PastrelProcess pastrel;
    HWND dialog = OpenRegexDialog(pastrel, kCaptionEn);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(ItemChecked(dialog, IDC_REGEX_ENABLE));
    EXPECT_EQ(DialogItemText(dialog, IDC_REGEX_BEFORE), L"old");
    EXPECT_EQ(DialogItemText(dialog, IDC_REGEX_AFTER), L"x");
    EXPECT_TRUE(ItemChecked(dialog, IDC_REGEX_ICASE));
    EXPECT_FALSE(ItemChecked(dialog, IDC_REGEX_SINGLELINE));
    EXPECT_TRUE(ItemChecked(dialog, IDC_REGEX_NOTDOTNEWLINE));
    EXPECT_EQ(ComboCount(dialog, IDC_REGEX_BEFORE), 3);
    EXPECT_EQ(ComboCount(dialog, IDC_REGEX_AFTER), 0);
    EXPECT_EQ(ComboEntry(dialog, IDC_REGEX_TEMPLATES, 0), L"(You can choose from templates)");
    EXPECT_EQ(ComboEntry(dialog, IDC_REGEX_TEMPLATES, 1), L"Remove trailing blanks");
    EXPECT_GE(ComboCount(dialog, IDC_REGEX_TEMPLATES), 16);

    // Off: the fields are disabled and OK needs no pattern; on: OK needs one.
    for (int id : {IDC_REGEX_TEMPLATES, IDC_REGEX_BEFORE, IDC_REGEX_AFTER, IDC_REGEX_ICASE, IDC_REGEX_SINGLELINE})
        EXPECT_FALSE(ItemEnabled(dialog, id)) << id;
    Type(dialog, IDC_REGEX_BEFORE, L"");
    EXPECT_TRUE(ItemEnabled(dialog, IDOK));
    ClickCheckBox(dialog, IDC_REGEX_ENABLE);
    EXPECT_TRUE(ItemEnabled(dialog, IDC_REGEX_BEFORE));
    EXPECT_FALSE(ItemEnabled(dialog, IDOK));
    Type(dialog, IDC_REGEX_BEFORE, L"b+");
    EXPECT_TRUE(ItemEnabled(dialog, IDOK));
    Type(dialog, IDC_REGEX_AFTER, L"B");
    ClickCheckBox(dialog, IDC_REGEX_ICASE);

    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    // The settings are saved once the dialog has gone.
    EXPECT_TRUE(WaitUntil([] { return StoredString(L"REP_BEFORE") == L"b+"; }));
    EXPECT_EQ(StoredString(L"REP_AFTER"), L"B");
    EXPECT_EQ(StoredSettingDword(L"REP_REP"), 1u);
    EXPECT_EQ(StoredSettingDword(L"REP_ICASE"), 0u);
    DWORD type = 0;
    EXPECT_EQ(StoredMultiSz(L"cbq_before", &type), std::wstring(L"b+\0h1\0h3\0\0", 10)); // moved to the top
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(StoredMultiSz(L"cbq_after", &type), std::wstring(L"B\0\0", 3));

    ASSERT_TRUE(app.CopyFormattedText(L"abbbc ABC"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"aBc ABC");
}

TEST_F(RegexDialog, InvalidOrMissingPatternShowsABoxKeepsTheDialogAndStoresNothing) {
    struct Expected {
        const wchar_t *language, *caption, *regexError, *emptyError;
    };
    for (Expected e : {Expected{L"EN", kCaptionEn, L"regex error:\n", L"Before Text is empty."},
                       Expected{L"JA", kCaptionJa, L"正規表現（置換前文字列）のエラー：\n",
                                L"変更前文字列が入力されていません。"}}) {
        SCOPED_TRACE(ToUtf8(e.language));
        ClearStoredSettings(); // the previous round's program saved its settings as it ended
        StoreSetting(L"NoOpeningDlg", 1);
        PastrelProcess pastrel(InLanguage(e.language));
        HWND dialog = OpenRegexDialog(pastrel, e.caption);
        ASSERT_TRUE(dialog);
        // Off, yet the pattern is checked.
        Type(dialog, IDC_REGEX_BEFORE, L"a(b");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        std::wstring box = AnswerBox(pastrel, dialog);
        EXPECT_EQ(box.substr(0, wcslen(e.regexError)), e.regexError);
        EXPECT_GT(box.size(), wcslen(e.regexError));
        EXPECT_TRUE(IsWindow(dialog));
        ClickCheckBox(dialog, IDC_REGEX_ENABLE);
        Type(dialog, IDC_REGEX_BEFORE, L"");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(AnswerBox(pastrel, dialog), e.emptyError);
        EXPECT_TRUE(IsWindow(dialog));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        EXPECT_EQ(StoredString(L"REP_BEFORE"), L"(missing)");
        DWORD type = 0;
        EXPECT_EQ(StoredMultiSz(L"cbq_before", &type), L"(missing)");
    }
}

TEST_F(RegexDialog, ATemplateFillsTheFieldsAndTheDialogOnlyWidens) {
    StoreSetting(L"REP_REP", 1);
    StoreSetting(L"REP_SINGLELINE", 1);
    PastrelProcess pastrel(InLanguage(L"JA"));
    HWND dialog = OpenRegexDialog(pastrel, kCaptionJa);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ComboEntry(dialog, IDC_REGEX_TEMPLATES, 0), L"(テンプレートから選択できます)");
    EXPECT_EQ(ComboEntry(dialog, IDC_REGEX_TEMPLATES, 1), L"行末の空白を削除");
    Pick(dialog, IDC_REGEX_TEMPLATES, 1);
    EXPECT_EQ(DialogItemText(dialog, IDC_REGEX_BEFORE), L"[ \\t　]+$");
    EXPECT_EQ(DialogItemText(dialog, IDC_REGEX_AFTER), L"");
    EXPECT_FALSE(ItemChecked(dialog, IDC_REGEX_SINGLELINE));
    EXPECT_TRUE(ItemChecked(dialog, IDC_REGEX_NOTDOTNEWLINE));
    EXPECT_TRUE(ItemEnabled(dialog, IDOK));

    RECT opened, button, field;
    GetWindowRect(dialog, &opened);
    GetWindowRect(GetDlgItem(dialog, IDOK), &button);
    GetWindowRect(GetDlgItem(dialog, IDC_REGEX_BEFORE), &field);
    SetWindowPos(dialog, nullptr, 0, 0, opened.right - opened.left + 100, opened.bottom - opened.top + 60,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT widened, movedButton, widenedField;
    GetWindowRect(dialog, &widened);
    GetWindowRect(GetDlgItem(dialog, IDOK), &movedButton);
    GetWindowRect(GetDlgItem(dialog, IDC_REGEX_BEFORE), &widenedField);
    EXPECT_EQ(widened.right - widened.left, opened.right - opened.left + 100);
    EXPECT_EQ(widened.bottom - widened.top, opened.bottom - opened.top);
    EXPECT_EQ(movedButton.left - button.left, 100);
    EXPECT_EQ(widenedField.right - widenedField.left, field.right - field.left + 100);
    SetWindowPos(dialog, nullptr, 0, 0, (opened.right - opened.left) / 2, opened.bottom - opened.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT narrowed;
    GetWindowRect(dialog, &narrowed);
    EXPECT_EQ(narrowed.right - narrowed.left, opened.right - opened.left);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
}

TEST_F(RegexDialog, Utf8TemplatesCannotBeUsedAndNonSaveModeKeepsNoHistory) {
    std::wstring exe = CopyExeAs(L"Pastrel_n.exe");
    std::wstring dir = exe.substr(0, exe.rfind(L'\\') + 1);
    std::ofstream((dir + L"RegExpTemplate.def").c_str(), std::ios::binary) << "n\r\nj\r\na\r\nb\r\n";
    StoreMultiSz(L"cbq_before", std::wstring(L"kept\0\0", 6));
    PastrelProcess pastrel(InLanguage(L"EN", exe));
    HWND dialog = OpenRegexDialog(pastrel, kCaptionEn);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ComboCount(dialog, IDC_REGEX_TEMPLATES), 1);
    EXPECT_EQ(ComboEntry(dialog, IDC_REGEX_TEMPLATES, 0), L"(You cannot use RegExp templates)");
    EXPECT_EQ(ComboCount(dialog, IDC_REGEX_BEFORE), 0);
    Type(dialog, IDC_REGEX_BEFORE, L"new");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    pastrel.Stop();
    DWORD type = 0;
    EXPECT_EQ(StoredMultiSz(L"cbq_before", &type), std::wstring(L"kept\0\0", 6));
    EXPECT_EQ(StoredString(L"REP_BEFORE"), L"(missing)");
}

// Widened step by step as a mouse drag does, the buttons that move along the bottom edge are drawn whole at every
// step: what the screen shows equals a fresh painting of the whole dialog.
TEST_F(RegexDialog, ButtonsMovedByWideningAreDrawnWhole) {
    PastrelProcess pastrel(InLanguage(L"EN"));
    HWND dialog = OpenRegexDialog(pastrel, kCaptionEn);
    ASSERT_TRUE(dialog);
    SetForegroundWindow(dialog);
    RECT opened{};
    GetWindowRect(dialog, &opened);
    for (int step = 1; step <= 12; ++step) {
        SetWindowPos(dialog, nullptr, 0, 0, opened.right - opened.left + 7 * step, opened.bottom - opened.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        PumpFor(30);
    }
    PumpFor(300);
    std::vector<std::vector<DWORD>> drawn;
    for (int id : {IDOK, IDCANCEL, IDC_REGEX_HELP}) drawn.push_back(ScreenPixels(GetDlgItem(dialog, id)));
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    PumpFor(300);
    int index = 0;
    for (int id : {IDOK, IDCANCEL, IDC_REGEX_HELP}) {
        SCOPED_TRACE(id);
        std::vector<DWORD> fresh = ScreenPixels(GetDlgItem(dialog, id));
        EXPECT_FALSE(fresh.empty());
        EXPECT_TRUE(fresh == drawn[index++]) << "the button was drawn in part only";
    }
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
}

} // namespace
