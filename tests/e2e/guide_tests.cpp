// Where Pastrel lives: the already-running dialog of a second start, the opening dialog, and the help pages.
#include "pastrel_test.h"

#include "ui/guide_ids.h"
#include "ui/mul_by_n_ids.h"

#include <gtest/gtest.h>

namespace {

class Guide : public PastrelTest {};

// A second start with no switch, in `language`, and the dialog it shows.
struct SecondStart {
    explicit SecondStart(const std::wstring& language) : process(Options(language)) {
        WaitUntil([&] { return (dialog = FindMessageBoxOf(process.ProcessId())) != nullptr; });
    }
    static PastrelProcess::Options Options(const std::wstring& language) {
        PastrelProcess::Options options;
        options.language = language;
        options.waitForWindow = false;
        return options;
    }
    PastrelProcess process;
    HWND dialog = nullptr;
};

PastrelProcess::Options InLanguage(const std::wstring& language, const std::wstring& args = L"") {
    PastrelProcess::Options options;
    options.language = language;
    options.args = args;
    return options;
}

TEST_F(Guide, SecondStartShowsTheAlreadyRunningDialogAndCancelLeavesTheFirst) {
    struct Expected {
        const wchar_t* language;
        const wchar_t *title, *forceExit, *settings, *cancel;
    };
    for (Expected e : {Expected{L"EN", L"Pastrel", L"&Force Exit", L"&Settings...", L"Cancel"},
                       Expected{L"JA", L"パストレル", L"強制終了(&F)", L"設定(&S)...", L"キャンセル"}}) {
        SCOPED_TRACE(ToUtf8(e.language));
        PastrelProcess first(InLanguage(e.language));
        SecondStart second(e.language);
        ASSERT_TRUE(second.dialog);
        EXPECT_EQ(WindowTitle(second.dialog), e.title);
        EXPECT_EQ(DialogItemText(second.dialog, IDC_FORCE_EXIT), e.forceExit);
        EXPECT_EQ(DialogItemText(second.dialog, IDC_RUNNING_SETTINGS), e.settings);
        EXPECT_EQ(DialogItemText(second.dialog, IDCANCEL), e.cancel);
        EXPECT_NE(GetDlgItem(second.dialog, IDC_GUIDE_OLD), nullptr);
        PostMessageW(second.dialog, WM_COMMAND, IDCANCEL, 0);
        DWORD code = 1;
        EXPECT_TRUE(second.process.WaitExit(5000, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(IsWindow(first.Window()));
        EXPECT_TRUE(first.Commands().empty());
    }
}

TEST_F(Guide, ForceExitEndsTheRunningInstanceBeforeTheSecondStartEnds) {
    PastrelProcess first;
    ASSERT_TRUE(first.OpenTrayMenu()); // a modal loop of its own must not keep it alive
    ClearStoredSettings();
    SecondStart second(L"EN");
    ASSERT_TRUE(second.dialog);
    PostMessageW(second.dialog, WM_COMMAND, IDC_FORCE_EXIT, 0);
    ASSERT_TRUE(second.process.WaitExit(20000));
    EXPECT_EQ(WaitForSingleObject(first.Handle(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(StoredSettingsExist());
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"PastrelClipboardText");
    EXPECT_EQ(mutex, nullptr);
    if (mutex) CloseHandle(mutex);
}

TEST_F(Guide, SettingsButtonAsksTheRunningInstance) {
    PastrelProcess first(Observed());
    SecondStart second(L"EN");
    ASSERT_TRUE(second.dialog);
    PostMessageW(second.dialog, WM_COMMAND, IDC_RUNNING_SETTINGS, 0);
    ASSERT_TRUE(second.process.WaitExit(5000));
    EXPECT_TRUE(WaitUntil([&] { return first.Commands() == std::vector<UINT>{33016}; }));
    EXPECT_TRUE(IsWindow(first.Window()));
    // The running instance opens its settings dialog.
    HWND settings = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (settings = FindWindowW(L"#32770", L"Settings - Pastrel")) != nullptr; }));
    DWORD owner = 0;
    GetWindowThreadProcessId(settings, &owner);
    EXPECT_EQ(owner, first.ProcessId());
    PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
}

TEST_F(Guide, OpeningDialogInJapaneseOnlyAndItsBoxIsStoredAtOnce) {
    StoreSetting(L"NoOpeningDlg", 0);
    {
        PastrelProcess english(InLanguage(L"EN"));
        PumpFor(500);
        EXPECT_EQ(FindMessageBoxOf(english.ProcessId()), nullptr);
    }
    {
        PastrelProcess nonSave(InLanguage(L"JA", L"/N"));
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = FindMessageBoxOf(nonSave.ProcessId())) != nullptr; }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_NO_OPENING_DIALOG)));
    }
    PastrelProcess japanese(InLanguage(L"JA"));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindMessageBoxOf(japanese.ProcessId())) != nullptr; }));
    EXPECT_EQ(WindowTitle(dialog), L"パストレル");
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_NO_OPENING_DIALOG)));
    SendDlgItemMessageW(dialog, IDC_NO_OPENING_DIALOG, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(StoredSettingDword(L"NoOpeningDlg"), 1u);
    EXPECT_TRUE(IsWindow(japanese.Window()));
}

// With big dialogs asked for, the opening dialog fills the work area as far as its shape allows, centred.
TEST_F(Guide, BigOpeningDialogFillsTheWorkAreaCentred) {
    StoreSetting(L"NoOpeningDlg", 0);
    StoreSetting(L"BIGDIALOG", 1);
    PastrelProcess japanese(InLanguage(L"JA"));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindMessageBoxOf(japanese.ProcessId())) != nullptr; }));
    RECT window{}, work{};
    GetWindowRect(dialog, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    LONG width = window.right - window.left, height = window.bottom - window.top;
    LONG workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    EXPECT_TRUE(width == workWidth || height == workHeight) << width << "x" << height;
    EXPECT_LE(width, workWidth);
    EXPECT_LE(height, workHeight);
    EXPECT_EQ(window.left, work.left + workWidth / 2 - width / 2);
    EXPECT_EQ(window.top, work.top + workHeight / 2 - height / 2);
    // The controls grew with it: the close button keeps its share of the dialog's width (61 of 367 units).
    RECT button{};
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &button);
    double share = static_cast<double>(button.right - button.left) / static_cast<double>(width);
    EXPECT_NEAR(share, 61.0 / 367.0, 0.02);
}

// Under Wine the help opens in the desktop's browser; here the browser is a recorder beside the tests.
class Help : public Guide {
protected:
    void SetUp() override {
        Guide::SetUp();
        RecordBrowserRequests();
    }
    std::string Opened() { return BrowserRequests(); }
};

TEST_F(Help, SwitchAndMenuOpenTheirPagesInTheBrowser) {
    EXPECT_EQ(RunPastrel(L"/?"), 0u);
    ASSERT_TRUE(WaitUntil([&] { return Opened().find("help/HLP000021.html") != std::string::npos; }, 10000))
        << Opened();
    PastrelProcess pastrel;
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({'H'});
    EXPECT_TRUE(WaitUntil([&] { return Opened().find("help/HLP000001.html") != std::string::npos; }, 10000))
        << Opened();
}

// A topic with an anchor reaches the browser as a Linux file address that leads to the page with the anchor kept.
TEST_F(Help, AnchoredTopicsOpenAsLinuxFileAddresses) {
    PastrelProcess pastrel;
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({'C', 'M'}); // CSV/TSV, Multiply by N
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowW(L"#32770", L"Multiply by N")) != nullptr; }));
    PostMessageW(dialog, WM_COMMAND, IDC_MUL_BY_N_HELP, 0);
    ASSERT_TRUE(WaitUntil([&] { return Opened().find("\n") != std::string::npos; }, 10000));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    std::string opened = Opened();
    opened.resize(opened.find('\n'));
    ASSERT_EQ(opened.rfind("file:///", 0), 0u) << opened;
    EXPECT_EQ(opened.find('\\'), std::string::npos) << opened;
    // The address is a Linux path: Wine's drive Z: shows the whole Linux file system.
    HANDLE file = CreateFileW((L"Z:" + std::wstring(opened.begin() + 7, opened.end())).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << opened;
    char bytes[4096];
    DWORD got = 0;
    ReadFile(file, bytes, sizeof(bytes), &got, nullptr);
    CloseHandle(file);
    std::string page(bytes, got);
    EXPECT_NE(page.find("/bin/help/HLP000017.html#mul_by_n\""), std::string::npos) << opened << "\n" << page;
}

// Help that cannot open says so, with the page a user could still open by hand: a missing page, and a browser that
// cannot be started.
TEST_F(Help, HelpThatCannotOpenSaysWhichPage) {
    std::wstring alone = CopyExeAs(L"Pastrel.exe"); // a folder without the help pages
    PastrelProcess::Options options;
    options.exePath = alone;
    {
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.OpenTrayMenu());
        pastrel.MenuKeys({'H'});
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBoxOf(pastrel.ProcessId())) != nullptr; }));
        std::wstring text = MessageBoxText(box);
        EXPECT_NE(text.find(L"Cannot open the help."), std::wstring::npos) << text;
        std::wstring page = alone.substr(0, alone.rfind(L'\\') + 1) + L"help\\HLP000001.html";
        EXPECT_NE(text.find(page), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"/help/HLP000001.html"), std::wstring::npos) << text; // its Linux path, not made yet
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(Opened(), "");
    }
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t missing[] = L"/nonexistent/browser";
    RegSetValueExW(key, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(missing), sizeof(missing));
    RegCloseKey(key);
    MessageBoxRun run = RunPastrelWithMessageBox(L"/?", TestBinDir());
    EXPECT_NE(run.text.find(L"help\\HLP000021.html"), std::wstring::npos) << run.text;
}

} // namespace
