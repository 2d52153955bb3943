// Nothing the user copied is lost and nothing is held up: close requests from inside modal loops, the re-copy and a
// foreign copy, unexpected exceptions, a slow filter, and the copy after the program ended.
#include "pastrel_test.h"

#include "app/ids.h"

#include <gtest/gtest.h>

namespace {

class NoLoss : public PastrelTest {
protected:
    static HWND ExceptionBox() {
        return FindWindowW(L"#32770", L"パストレル 開発元へご連絡下さい - 予期せぬ例外を補足");
    }
    static std::wstring FilterCommand(const std::wstring& args) { return TestBinDir() + L"\\filter_tool.exe " + args; }
};

bool MutexHeld() {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"PastrelClipboardText");
    if (mutex) CloseHandle(mutex);
    return mutex != nullptr;
}

TEST_F(NoLoss, ExitSwitchEndsTheProcessWhateverModalLoopRuns) {
    enum Situation { MenuOpen, MenuDismissedWithEscape, MessageBoxOpen };
    for (Situation situation : {MenuOpen, MenuDismissedWithEscape, MessageBoxOpen}) {
        SCOPED_TRACE(situation);
        PastrelProcess::Options options;
        options.faultMarker = L"#boom#";
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.Window());
        if (situation == MessageBoxOpen) {
            ASSERT_TRUE(app.CopyFormattedText(L"#boom#"));
            ASSERT_TRUE(WaitUntil([] { return ExceptionBox() != nullptr; }));
        } else {
            ASSERT_TRUE(pastrel.OpenTrayMenu());
            if (situation == MenuDismissedWithEscape) {
                pastrel.MenuKeys({VK_ESCAPE});
                ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
            }
        }
        EXPECT_EQ(RunPastrel(L"/X"), 0u);
        DWORD code = 1;
        EXPECT_TRUE(pastrel.WaitExit(5000, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(MutexHeld());
        EXPECT_TRUE(StoredSettingsExist());
    }
}

// A copy made by another program while lines are re-copied is the user's: the cycle ends before its next write, in
// both notification modes, also while the delayed processing of that copy is still waiting.
TEST_F(NoLoss, ForeignCopyEndsTheRecopyCycle) {
    StoreSetting(L"MultiDiv", 1);
    StoreSetting(L"MultiDivSec", 500);
    StoreSetting(L"Delay1Sec", 500);
    for (bool viewerChain : {false, true}) {
        SCOPED_TRACE(viewerChain ? "viewer chain" : "listener");
        PastrelProcess::Options options;
        if (viewerChain) options.exePath = ViewerChainExe();
        PastrelProcess pastrel(options);
        ASSERT_TRUE(app.CopyFormattedText(L"line 1\r\nline 2"));
        ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
        ASSERT_TRUE(WaitUntil([&] { return Clipboard() == L"line 1"; }, 2000));
        ASSERT_TRUE(app.CopyFormattedText(L"mine"));
        auto seen = ClipboardTextsOver(2000);
        EXPECT_EQ(seen, std::vector<std::wstring>{L"mine"});
        EXPECT_EQ(GetClipboardOwner(), pastrel.Window()); // and it was rewritten on its own notification
    }
}

// An exception in work after the clipboard step (here: while a re-copied line is reported) is reported in the
// message box and leaves monitoring working.
TEST_F(NoLoss, ExceptionOutsideTheClipboardStepLeavesMonitoringWorking) {
    StoreSetting(L"MultiDiv", 1);
    StoreSetting(L"MultiDivSec", 500);
    PastrelProcess::Options options;
    options.faultMarker = L"#boom#";
    options.faultPoint = L"recopy";
    PastrelProcess pastrel(options);
    ASSERT_TRUE(app.CopyFormattedText(L"#boom#\r\nsecond"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ExceptionBox()) != nullptr; }, 3000));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    ASSERT_TRUE(app.CopyFormattedText(L"after"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(Clipboard(), L"after");
}

// While a slow filter converts, other programs paste the copy and copy anew; the newer copy is not overwritten by the
// older one's result but converted itself.
TEST_F(NoLoss, ClipboardIsFreeWhileAFilterRuns) {
    StoreSetting(L"USE_CMDLINE", 1);
    StoreSetting(L"CMDLINE", FilterCommand(L"slow 1500"));
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFormattedText(L"older"));
    PumpFor(400);
    EXPECT_EQ(Clipboard(), L"older"); // a paste meanwhile gets the copy
    ASSERT_TRUE(app.CopyFormattedText(L"newer"));
    auto seen = ClipboardTextsOver(4500);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"newer", L"NEWER"}));
}

TEST_F(NoLoss, ProgramKilledDuringAFilterLeavesTheCopy) {
    StoreSetting(L"USE_CMDLINE", 1);
    StoreSetting(L"CMDLINE", FilterCommand(L"slow 3000"));
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFormattedText(L"keep me"));
    PumpFor(500);
    TerminateProcess(pastrel.Handle(), 1);
    ASSERT_TRUE(pastrel.WaitExit(5000));
    EXPECT_EQ(Clipboard(), L"keep me");
}

// Under Wine a destroyed owner window's data goes with it; the rewritten copy must outlive the program.
TEST_F(NoLoss, RewrittenCopyOutlivesTheProgram) {
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFormattedText(L"survivor"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(RunPastrel(L"/X"), 0u);
    ASSERT_TRUE(pastrel.WaitExit(5000));
    EXPECT_EQ(Clipboard(), L"survivor");
}

} // namespace
