// The external filter runs the user's command through CMD.EXE with temporary files for its standard streams.
#include "base/text.h"
#include "convert/filter.h"
#include "settings/settings.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.rfind(L'\\'));
}

std::wstring Tool() { return L"\"" + BinDir() + L"\\filter_tool.exe\""; }

std::set<std::wstring> PipeFiles() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"PZ*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(std::wstring(temp) + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

class Filter : public ::testing::Test {
protected:
    void SetUp() override {
        g_language.uiJapanese = false;
        settings.USE_CMDLINE = true;
        before = PipeFiles();
    }
    void TearDown() override { EXPECT_EQ(PipeFiles(), before) << "temporary files left behind"; }

    std::vector<std::wstring> Run(const std::wstring& command, int charCode, std::wstring& text,
                                  DWORD timeoutMs = kFilterTimeoutMs) {
        settings.CMDLINE = command;
        settings.CMDLINE_CHARCODE = charCode;
        return RunExternalFilter(settings, text, timeoutMs);
    }

    SettingsRecord settings;
    std::set<std::wstring> before;
};

TEST_F(Filter, Utf16WithUnicodeInterpreter) {
    // (the tool upper-cases bytes, so the other characters are chosen without bytes in a-z)
    std::wstring text = L"abc あいう \U0001F600";
    EXPECT_TRUE(Run(Tool() + L" upper", 1, text).empty());
    EXPECT_EQ(text, L"ABC あいう \U0001F600");
    // The interpreter's own output is UTF-16 under /U; echo keeps the blanks before the redirection, as on Windows.
    text = L"ignored";
    EXPECT_TRUE(Run(L"echo hi", 1, text).empty());
    EXPECT_EQ(text.substr(0, 2), L"hi");
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
}

TEST_F(Filter, Utf8RoundTrip) {
    std::wstring text = L"mixed テキスト\r\nline2";
    EXPECT_TRUE(Run(Tool() + L" upper", 2, text).empty());
    EXPECT_EQ(text, L"MIXED テキスト\r\nLINE2");
}

TEST_F(Filter, AnsiCodePageLosesWhatItCannotHold) {
    std::wstring text = L"ab\x263A";
    EXPECT_TRUE(Run(Tool() + L" upper", 0, text).empty());
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text.substr(0, 2), L"AB");
    EXPECT_NE(text[2], L'\x263A');
}

TEST_F(Filter, EmptyOutputEmptiesTheText) {
    std::wstring text = L"something";
    EXPECT_TRUE(Run(Tool() + L" silent", 2, text).empty());
    EXPECT_TRUE(text.empty());
    text = L"x";
    Run(Tool() + L" lf", 2, text);
    EXPECT_EQ(text, L"\n");
}

TEST_F(Filter, ErrorStreamBecomesAWarningUnlessItIsBlank) {
    std::wstring text = L"abc";
    auto warnings = Run(Tool() + L" stderr \"bad input\"", 2, text);
    EXPECT_EQ(text, L"ABC");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], L"bad input");
    text = L"abc";
    EXPECT_TRUE(Run(Tool() + L" errlf", 2, text).empty());
    EXPECT_TRUE(text.empty());
    text = L"abc";
    EXPECT_TRUE(Run(Tool() + L" stderr \" \"", 2, text).empty());
    text = L"abc";
    EXPECT_EQ(Run(Tool() + L" stderr \"two\nlines\n\"", 2, text).size(), 1u);
}

TEST_F(Filter, MistypedCommandKeepsTheTextAndShowsTheComplaint) {
    std::wstring text = L"keep";
    auto warnings = Run(L"no-such-program-here", 2, text);
    EXPECT_EQ(text, L"keep");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_FALSE(warnings[0].empty());
}

TEST_F(Filter, CommandInAFolderWithSpaces) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"pastrel filter " + std::to_wstring(GetCurrentProcessId());
    SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    std::wstring exe = dir + L"\\filter tool.exe";
    ASSERT_TRUE(CopyFileW((BinDir() + L"\\filter_tool.exe").c_str(), exe.c_str(), FALSE));
    std::wstring text = L"spaced";
    EXPECT_TRUE(Run(L"\"" + exe + L"\" upper", 2, text).empty());
    EXPECT_EQ(text, L"SPACED");
    DeleteFileW(exe.c_str());
    RemoveDirectoryW(dir.c_str());
}

TEST_F(Filter, EndlessCommandIsEndedAndTheTextKept) {
    std::wstring text = L"precious";
    auto warnings = Run(Tool() + L" sleep", 2, text, 1500);
    EXPECT_EQ(text, L"precious");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(L"did not end"), std::wstring::npos);
}

// The pid file is written by the background program itself, so it is waited for rather than expected at once.
DWORD WaitForPidFile(const std::wstring& path) {
    for (int tries = 0; tries < 1000; ++tries) {
        FILE* file = _wfopen(path.c_str(), L"rb");
        unsigned long pid = 0;
        if (file) {
            int read = fscanf(file, "%lu", &pid);
            fclose(file);
            if (read == 1) return pid;
        }
        Sleep(10);
    }
    return 0;
}

TEST_F(Filter, ProgramStartedInTheBackgroundOutlivesTheFilter) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring pidFile = std::wstring(temp) + L"pastrel background " + std::to_wstring(GetCurrentProcessId());
    std::wstring text = L"abc";
    Run(L"start /b \"\" " + Tool() + L" sleep \"" + pidFile + L"\"", 2, text);
    DWORD pid = WaitForPidFile(pidFile);
    DeleteFileW(pidFile.c_str());
    ASSERT_NE(pid, 0u);
    HANDLE background = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(WaitForSingleObject(background, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "ended with the filter";
    TerminateProcess(background, 0);
    WaitForSingleObject(background, INFINITE);
    CloseHandle(background);
    // The background program inherited the redirected streams. Wine's cmd opens the input without delete sharing,
    // so that one file could not be deleted while the program ran; the others were.
    for (const std::wstring& path : PipeFiles()) {
        if (before.count(path)) continue;
        EXPECT_EQ(path.substr(path.rfind(L'\\') + 1, 3), L"PZI");
        DeleteFileW(path.c_str());
    }
}

TEST_F(Filter, NothingToWriteStillRunsTheCommand) {
    std::wstring text;
    EXPECT_TRUE(Run(L"echo made", 2, text).empty());
    EXPECT_EQ(text.substr(0, 4), L"made");
}

} // namespace
