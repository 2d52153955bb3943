// The About box as the user meets it: opened from the tray menu, its texts in both languages, the maker's links and
// the environment report copied to the clipboard.
#include "pastrel_test.h"

#include "about/about_ids.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::wstring TextOf(HWND window) {
    std::wstring text(20000, L'\0');
    // WM_GETTEXT itself: GetWindowText does not ask a window of another process.
    text.resize(
        static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}
std::wstring ItemOf(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }
std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}
size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A dialog font's base units as the dialog manager measures them: the average width of the letters and the height.
SIZE FontBaseUnits(const wchar_t* face, int points) {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, face);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SIZE letters{};
    const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(screen, alphabet, 52, &letters);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

class About : public PastrelTest {
protected:
    // Opens the About box through the tray menu, as the user does.
    HWND Open(PastrelProcess& pastrel) {
        HWND dialog = nullptr;
        if (!pastrel.OpenTrayMenu()) return nullptr;
        pastrel.MenuKeys({'A'});
        WaitUntil([&] { return (dialog = FindMessageBoxOf(pastrel.ProcessId())) != nullptr; });
        return dialog;
    }
    // A box of the About box's own, by its caption.
    static HWND Box(const wchar_t* caption) {
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindWindowW(L"#32770", caption)) != nullptr && IsWindowVisible(box); });
        return box;
    }
};

PastrelProcess::Options InLanguage(const wchar_t* language) {
    PastrelProcess::Options options;
    options.language = language;
    options.observed = true; // the test reads the balloons
    return options;
}

TEST_F(About, TitleFontControlsAndVersionInBothLanguages) {
    struct Expected {
        const wchar_t *language, *title, *face;
        int points;
        const wchar_t *close, *environment, *versionStart;
    };
    for (Expected e : {Expected{L"EN", L"About", L"MS Sans Serif", 8, L"&Close", L"&Environment Information",
                                L"Pastrel Version 1.5.6.14  ("},
                       Expected{L"JA", L"バージョン情報", L"MS UI Gothic", 9, L"閉じる(&C)",
                                L"環境情報の表示(問合せの際にご活用下さい)(&E)", L"パストレル Version 1.5.6.14  ("}}) {
        SCOPED_TRACE(ToUtf8(e.language));
        PastrelProcess pastrel(InLanguage(e.language));
        HWND dialog = Open(pastrel);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(TextOf(dialog), e.title);
        // The font shows in the box's size, measured in its dialog units. (Under Wine both languages' fonts happen to
        // measure alike; the font's own handle cannot be read from another process.)
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, MulDiv(239, FontBaseUnits(e.face, e.points).cx, 4));
        EXPECT_EQ(client.bottom, MulDiv(261, FontBaseUnits(e.face, e.points).cy, 8));

        std::vector<int> ids;
        std::vector<std::wstring> classes;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            ids.push_back(GetDlgCtrlID(child));
            classes.push_back(ClassOf(child));
        }
        EXPECT_EQ(ids, (std::vector<int>{IDC_ABOUT_FEEDBACK, IDC_ABOUT_CONTRIBUTION, IDC_ABOUT_NOTICE, IDCANCEL,
                                         IDC_ABOUT_ENVIRONMENT, IDC_ABOUT_ICON, IDC_ABOUT_VERSION, IDC_ABOUT_LINKS}));
        EXPECT_EQ(classes, (std::vector<std::wstring>{L"SysLink", L"SysLink", L"Edit", L"Button", L"Button", L"Static",
                                                      L"Edit", L"SysLink"}));
        EXPECT_EQ(ItemOf(dialog, IDCANCEL), e.close);
        EXPECT_EQ(ItemOf(dialog, IDC_ABOUT_ENVIRONMENT), e.environment);
        std::wstring version = ItemOf(dialog, IDC_ABOUT_VERSION);
        EXPECT_EQ(version.rfind(e.versionStart, 0), 0u) << ToUtf8(version);
        EXPECT_NE(version.find(L")\r\nCopyright (C) Brindlewox"), std::wstring::npos) << ToUtf8(version);
        EXPECT_NE(ItemOf(dialog, IDC_ABOUT_LINKS).find(L"<a id=\"https://pastrel.example.org/\">"), std::wstring::npos);
        EXPECT_TRUE(SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
        GUITHREADINFO thread{};
        thread.cbSize = sizeof(thread);
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
        EXPECT_EQ(thread.hwndFocus, GetDlgItem(dialog, IDC_ABOUT_CONTRIBUTION));

        // With the box open, the tray menu asks to close it first, and its About item opens no second one. (That
        // the box comes to the front cannot be seen under Wine, whose activation leaves the stacking order alone.)
        ASSERT_TRUE(pastrel.OpenTrayMenu());
        pastrel.MenuKeys({'A'});
        PumpFor(300);
        std::vector<Notice> notices = pastrel.Notices();
        ASSERT_FALSE(notices.empty());
        EXPECT_EQ(notices.back().level, 2u); // "close the dialog box"
        int open = 0;
        for (const wchar_t* title : {L"About", L"バージョン情報"})
            for (HWND w = FindWindowW(L"#32770", title); w; w = FindWindowExW(nullptr, w, L"#32770", title)) ++open;
        EXPECT_EQ(open, 1);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    }
}

// A click as the mouse gives it, at a point in dialog units from the control's top left.
void Click(HWND dialog, int id, int xUnits, int yUnits) {
    RECT client{};
    GetClientRect(dialog, &client);
    int x = xUnits * client.right / 239, y = yUnits * client.bottom / 261;
    HWND control = GetDlgItem(dialog, id);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST_F(About, LinksOpenInTheBrowserAndASecondClickWithinTheSecondDoesNothing) {
    RecordBrowserRequests();
    PastrelProcess pastrel;
    HWND dialog = Open(pastrel);
    ASSERT_TRUE(dialog);
    const std::string feedback = "https://pastrel.example.org/ifa.php?PASTREL\n";
    const std::string site = "https://pastrel.example.org/\n";
    Click(dialog, IDC_ABOUT_FEEDBACK, 8, 4);
    Click(dialog, IDC_ABOUT_FEEDBACK, 8, 4);
    Click(dialog, IDC_ABOUT_LINKS, 20, 12); // the site's address: these links stay usable
    ASSERT_TRUE(WaitUntil([&] { return BrowserRequests().find(site) != std::string::npos; }, 10000))
        << BrowserRequests();
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_ABOUT_ENVIRONMENT)) != FALSE; }));
    Click(dialog, IDC_ABOUT_FEEDBACK, 8, 4);
    ASSERT_TRUE(WaitUntil([&] { return Count(BrowserRequests(), "\n") >= 3; }, 10000)) << BrowserRequests();
    PumpFor(500);
    EXPECT_EQ(Count(BrowserRequests(), feedback), 2u) << BrowserRequests();
    EXPECT_EQ(Count(BrowserRequests(), site), 1u) << BrowserRequests();
}

TEST_F(About, EnvironmentReportIsCopiedOnOkOnlyAndABusyClipboardIsReported) {
    PastrelProcess pastrel;
    HWND dialog = Open(pastrel);
    ASSERT_TRUE(dialog);
    auto pressEnvironment = [&] {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_ENVIRONMENT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_ENVIRONMENT)));
        return Box(L"EnvProbe");
    };
    auto answer = [](HWND box, int button) {
        PostMessageW(box, WM_COMMAND, button, 0);
        return WaitUntil([&] { return !IsWindow(box); });
    };
    ASSERT_TRUE(app.CopyPlainText(L"before"));

    HWND report = pressEnvironment();
    ASSERT_TRUE(report);
    ASSERT_TRUE(answer(report, IDCANCEL));
    PumpFor(300);
    std::wstring text;
    EXPECT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"before");
    EXPECT_EQ(FindWindowW(L"#32770", L"EnvProbe"), nullptr);

    ASSERT_TRUE(OpenClipboard(app.Window())); // another program holds the clipboard
    report = pressEnvironment();
    ASSERT_TRUE(report);
    ASSERT_TRUE(answer(report, IDOK));
    HWND outcome = Box(L"EnvProbe");
    ASSERT_TRUE(outcome);
    EXPECT_EQ(MessageBoxText(outcome), L"Cannot open clipboard.");
    ASSERT_TRUE(answer(outcome, IDOK));
    CloseClipboard();

    report = pressEnvironment();
    ASSERT_TRUE(report);
    std::wstring shown = ItemOf(report, 0xFFFF);
    std::wstring version = ItemOf(dialog, IDC_ABOUT_VERSION);
    std::wstring client = L"\r\n[Client]\r\n " + version.substr(0, version.find(L'\r'));
    const std::wstring prompt = L"\r\n------------------------\r\nPlease click the [OK] button to copy to clipboard.";
    ASSERT_TRUE(answer(report, IDOK));
    outcome = Box(L"EnvProbe");
    ASSERT_TRUE(outcome);
    EXPECT_EQ(MessageBoxText(outcome), L"Writing data to the clipboard is complete.");
    answer(outcome, IDOK);
    // A copy like any other: Pastrel's own monitoring rewrites it, and plain text stays the same.
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text.rfind(L"EnvProbe ver.1.01.05 [Nov 17 2021]\r\n[Windows]\r\n", 0), 0u) << ToUtf8(text);
    ASSERT_GT(text.size(), client.size());
    EXPECT_EQ(text.substr(text.size() - client.size()), client) << ToUtf8(text);
    EXPECT_EQ(text.find(L"\r\n[Client]"), text.size() - client.size()) << "the client section is the last";
    EXPECT_EQ(text + prompt, shown);
}

} // namespace
