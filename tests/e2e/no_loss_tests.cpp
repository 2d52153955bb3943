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

// The process id an endless filter ("sleep FILE") wrote, once it runs.
DWORD FilterProcessId(const std::wstring& pidFile) {
    DWORD id = 0;
    WaitUntil([&] {
        HANDLE file = CreateFileW(pidFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        char digits[32] = {};
        DWORD got = 0;
        ReadFile(file, digits, sizeof(digits) - 1, &got, nullptr);
        CloseHandle(file);
        id = static_cast<DWORD>(strtoul(digits, nullptr, 10));
        return id != 0;
    });
    return id;
}

bool ProcessEnds(DWORD id, DWORD timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return true;
    bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// The filter's temporary files in the temporary folder.
std::vector<std::wstring> FilterFiles() {
    wchar_t directory[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    std::vector<std::wstring> files;
    for (const wchar_t* prefix : {L"PZI", L"PZO", L"PZE"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((std::wstring(directory) + prefix + L"*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do files.push_back(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return files;
}

// While an endless filter runs, a second start's switch is served, the tray menu opens, and "/X" ends the program,
// the filter with it, leaving the copy as it was.
TEST_F(NoLoss, AnswersWhileAFilterRunsAndExitEndsTheFilter) {
    std::wstring pidFile = MakeTempDir(L"endless") + L"\\pid";
    StoreSetting(L"USE_CMDLINE", 1);
    StoreSetting(L"CMDLINE", FilterCommand(L"sleep " + pidFile));
    PastrelProcess pastrel(Observed());
    ASSERT_TRUE(app.CopyFormattedText(L"as it was"));
    DWORD filter = FilterProcessId(pidFile);
    ASSERT_NE(filter, 0u);
    EXPECT_EQ(RunPastrel(L"/P0", 2000), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !pastrel.Commands().empty(); }, 2000));
    EXPECT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({VK_ESCAPE});
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }, 2000));
    EXPECT_EQ(RunPastrel(L"/X", 4000), 0u);
    EXPECT_TRUE(pastrel.WaitExit(2000));
    EXPECT_TRUE(ProcessEnds(filter, 2000));
    EXPECT_EQ(Clipboard(), L"as it was");
    EXPECT_TRUE(ClipboardHasFormat(HtmlFormat()));
    EXPECT_TRUE(FilterFiles().empty());
}

// A killed program's filter ends with it; the files it left are removed at the next start.
TEST_F(NoLoss, KilledProgramTakesItsFilterAlong) {
    std::wstring pidFile = MakeTempDir(L"killed") + L"\\pid";
    StoreSetting(L"USE_CMDLINE", 1);
    StoreSetting(L"CMDLINE", FilterCommand(L"sleep " + pidFile));
    {
        PastrelProcess pastrel;
        ASSERT_TRUE(app.CopyFormattedText(L"keep me"));
        DWORD filter = FilterProcessId(pidFile);
        ASSERT_NE(filter, 0u);
        TerminateProcess(pastrel.Handle(), 1);
        ASSERT_TRUE(pastrel.WaitExit(5000));
        EXPECT_TRUE(ProcessEnds(filter, 5000));
        EXPECT_EQ(Clipboard(), L"keep me");
    }
    StoreSetting(L"USE_CMDLINE", 0);
    PastrelProcess next;
    EXPECT_TRUE(WaitUntil([] { return FilterFiles().empty(); }, 3000));
}

// A copy made while the processing at start still converts (the watch is not attached yet) is processed after it.
TEST_F(NoLoss, CopyMadeWhileTheStartProcessingConvertsIsProcessed) {
    StoreSetting(L"USE_CMDLINE", 1);
    StoreSetting(L"CMDLINE", FilterCommand(L"slow 1500"));
    ASSERT_TRUE(app.CopyFormattedText(L"waiting"));
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFormattedText(L"newer"));
    EXPECT_TRUE(WaitUntil([] { return Clipboard() == L"NEWER"; }, 8000)) << ToUtf8(Clipboard());
}

// A copy that follows another at once may land while the watch is detached around the program's own write; it is
// processed all the same. The moment is short: a pair lands in it only now and then, so many pairs are made.
TEST_F(NoLoss, NoCopySlipsThroughAroundTheOwnWrite) {
    PastrelProcess pastrel;
    int missed = 0;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(app.CopyFormattedText(L"first"));
        Sleep(i % 3);
        std::wstring second = L"second " + std::to_wstring(i);
        ASSERT_TRUE(app.CopyFormattedText(second));
        if (!WaitUntil([&] { return GetClipboardOwner() == pastrel.Window() && Clipboard() == second; }, 1500))
            ++missed;
    }
    EXPECT_EQ(missed, 0);
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
