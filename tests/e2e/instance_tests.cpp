// One instance at a time: a second start forwards its switch to the running one; start-up switches, executable
// names, the language and the viewer-chain mode.
#include "pastrel_test.h"

#include <gtest/gtest.h>

namespace {

class Instance : public PastrelTest {};

TEST_F(Instance, ToggleSwitchesActOnTheRunningInstance) {
    PastrelProcess pastrel;
    ASSERT_TRUE(pastrel.Window());
    EXPECT_EQ(RunPastrel(L"/P"), 0u); // monitoring off
    EXPECT_TRUE(FormattedCopyStays());
    EXPECT_EQ(RunPastrel(L"/P"), 0u); // on again: the current clipboard is processed at once
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));

    EXPECT_EQ(RunPastrel(L"/P0"), 0u);
    EXPECT_TRUE(FormattedCopyStays());
    EXPECT_EQ(RunPastrel(L"/P0"), 0u); // stays off
    EXPECT_TRUE(FormattedCopyStays());
    EXPECT_EQ(RunPastrel(L"/p1"), 0u); // lower case works
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
}

TEST_F(Instance, RewriteSwitchProcessesWhileMonitoringIsOff) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    EXPECT_TRUE(FormattedCopyStays());
    EXPECT_EQ(RunPastrel(L"/R"), 0u);
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
}

TEST_F(Instance, SwitchWithTrailingTextCountsAsNoSwitch) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    for (const wchar_t* args : {L"/P1 ", L"/P1 /R"}) {
        // No switch: the second start shows the already-running dialog instead of switching monitoring on.
        PastrelProcess::Options options;
        options.args = args;
        options.waitForWindow = false;
        PastrelProcess second(options);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = FindMessageBoxOf(second.ProcessId())) != nullptr; }));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        DWORD code = 1;
        EXPECT_TRUE(second.WaitExit(5000, &code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_TRUE(FormattedCopyStays());
    EXPECT_TRUE(IsWindow(pastrel.Window()));
}

TEST_F(Instance, ExitSwitchEndsTheRunningInstanceWhichSavesItsSettings) {
    PastrelProcess pastrel;
    ClearStoredSettings();
    EXPECT_EQ(RunPastrel(L"/X"), 0u);
    DWORD code = 1;
    ASSERT_TRUE(pastrel.WaitExit(5000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(FindPastrelWindow(), nullptr);
    EXPECT_TRUE(StoredSettingsExist());
}

TEST_F(Instance, ExitSwitchWithNothingRunningLeavesNoTrace) {
    ClearStoredSettings();
    EXPECT_EQ(RunPastrel(L"/X"), 0u);
    EXPECT_EQ(FindPastrelWindow(), nullptr);
    EXPECT_FALSE(StoredSettingsExist());
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"PastrelClipboardText");
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(mutex);
}

TEST_F(Instance, ForwardingSwitchWithoutRunningWindowStartsAndActsOnItself) {
    StoreSetting(L"CBWatchEnabled", 0);
    app.CopyFormattedText(L"before start");
    PastrelProcess::Options options;
    options.args = L"/P1";
    PastrelProcess pastrel(options);
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
}

TEST_F(Instance, LanguageFollowsPastrelLang) {
    {
        PastrelProcess::Options options;
        options.language = L"ja";
        PastrelProcess pastrel(options);
        EXPECT_EQ(WindowTitle(pastrel.Window()), L"パストレル");
    }
    {
        PastrelProcess::Options options;
        options.language = L"EN";
        PastrelProcess pastrel(options);
        EXPECT_EQ(WindowTitle(pastrel.Window()), L"Pastrel");
    }
}

TEST_F(Instance, IniExecutableNameUsesTheIniFileBesideIt) {
    ClearStoredSettings();
    std::wstring exe = CopyExeAs(L"Pastrel_O.EXE");
    std::wstring ini = exe.substr(0, exe.rfind(L'\\')) + L"\\Pastrel.ini";
    PastrelProcess::Options options;
    options.exePath = exe;
    {
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.Window());
        EXPECT_NE(GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"cb_main", L"CBWatchEnabled", L"", value, 16, ini.c_str());
    EXPECT_STREQ(value, L"1");
    EXPECT_FALSE(StoredSettingsExist());
}

TEST_F(Instance, NonSaveExecutableNameWritesNothing) {
    ClearStoredSettings();
    PastrelProcess::Options options;
    options.exePath = CopyExeAs(L"Pastrel_n.exe");
    {
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.Window());
    }
    EXPECT_FALSE(StoredSettingsExist());
}

// A viewer of the test's own in the clipboard viewer chain, forwarding as a good viewer must.
class ChainViewer {
public:
    ChainViewer() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PastrelTestChainViewer";
        RegisterClassW(&wc);
        window_ =
            CreateWindowW(wc.lpszClassName, L"viewer", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        next_ = SetClipboardViewer(window_);
    }
    ~ChainViewer() {
        Leave();
        DestroyWindow(window_);
    }
    void Leave() {
        if (joined_) ChangeClipboardChain(window_, next_);
        joined_ = false;
    }
    int draws = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<ChainViewer*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        if (self && m == WM_DRAWCLIPBOARD) {
            ++self->draws;
            if (self->next_) SendMessageW(self->next_, m, wp, lp);
            return 0;
        }
        if (self && m == WM_CHANGECBCHAIN) {
            if (reinterpret_cast<HWND>(wp) == self->next_) self->next_ = reinterpret_cast<HWND>(lp);
            else if (self->next_) SendMessageW(self->next_, m, wp, lp);
            return 0;
        }
        return DefWindowProcW(w, m, wp, lp);
    }
    HWND window_ = nullptr;
    HWND next_ = nullptr;
    bool joined_ = true;
};

TEST_F(Instance, ViewerChainModeKeepsTheChainWhole) {
    ChainViewer before; // joins before Pastrel: Pastrel forwards to it
    PastrelProcess::Options options;
    options.exePath = ViewerChainExe();
    PastrelProcess pastrel(options);
    ASSERT_TRUE(pastrel.Window());
    ChainViewer after; // joins after Pastrel: forwards to Pastrel

    before.draws = after.draws = 0;
    ASSERT_TRUE(app.CopyFormattedText(L"chain"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    PumpFor(200);
    EXPECT_GE(before.draws, 1);
    EXPECT_GE(after.draws, 1);
    // Pastrel's own rewrite is seen by the viewers but never processed again.
    DWORD sequence = GetClipboardSequenceNumber();
    PumpFor(400);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);

    before.Leave(); // the viewer right behind Pastrel leaves
    after.draws = 0;
    ASSERT_TRUE(app.CopyFormattedText(L"still watched"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"still watched");
    PumpFor(200);
    EXPECT_GE(after.draws, 1);
}

TEST_F(Instance, ViewerChainRejoinIsNotProcessedAsAChange) {
    PastrelProcess::Options options;
    options.exePath = ViewerChainExe();
    PastrelProcess pastrel(options);
    ASSERT_TRUE(pastrel.Window());
    ChainViewer after;
    // Leave a formatted copy unprocessed: the clipboard is held past Pastrel's single retry.
    bool held = false;
    for (int attempt = 0; attempt < 20 && !held; ++attempt) {
        app.CopyFormattedText(L"held");
        DWORD sequence = GetClipboardSequenceNumber();
        if (!OpenClipboard(app.Window())) continue;
        held = GetClipboardSequenceNumber() == sequence && GetClipboardOwner() == app.Window();
        if (!held) CloseClipboard();
    }
    ASSERT_TRUE(held);
    PumpFor(900);
    CloseClipboard();
    after.draws = 0;
    PumpFor(31000); // the re-join after 30 s without notifications
    EXPECT_TRUE(ClipboardHasFormat(HtmlFormat()));
    EXPECT_EQ(GetClipboardOwner(), app.Window());
    // Still in the chain, and the viewer behind it still hears about changes.
    ASSERT_TRUE(app.CopyFormattedText(L"after the re-join"));
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
    PumpFor(200);
    EXPECT_GE(after.draws, 1);
}

} // namespace

namespace {

// "/C1" with monitoring off: monitoring goes on, the clipboard is processed with the options as loaded, and only then
// are the conversion options reset; the reset reaches the store at the next save.
TEST_F(Instance, ResetSwitchProcessesWithTheLoadedOptionsFirst) {
    StoreSetting(L"CBWatchEnabled", 0);
    StoreSetting(L"DelSpace", 1);
    StoreSetting(L"TAB8SPACE", 1);
    app.CopyFormattedText(L"a b c");
    {
        PastrelProcess::Options options;
        options.args = L"/C1";
        PastrelProcess pastrel(options);
        ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
        std::wstring text;
        ASSERT_TRUE(ClipboardText(text));
        EXPECT_EQ(text, L"abc");
        app.CopyFormattedText(L"d e\tf");
        ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
        ASSERT_TRUE(ClipboardText(text));
        EXPECT_EQ(text, L"d e     f"); // spaces stay now, tab expansion is kept
    }
    EXPECT_EQ(StoredSettingDword(L"DelSpace"), 0u);
    EXPECT_EQ(StoredSettingDword(L"TAB8SPACE"), 1u);
    EXPECT_EQ(StoredSettingDword(L"CBWatchEnabled"), 1u);
}

TEST_F(Instance, ResetSwitchZeroTurnsMonitoringOff) {
    StoreSetting(L"DelTab", 1);
    {
        PastrelProcess::Options options;
        options.args = L"/C0";
        PastrelProcess pastrel(options);
        EXPECT_TRUE(FormattedCopyStays());
    }
    EXPECT_EQ(StoredSettingDword(L"CBWatchEnabled"), 0u);
    EXPECT_EQ(StoredSettingDword(L"DelTab"), 0u);
}

} // namespace
