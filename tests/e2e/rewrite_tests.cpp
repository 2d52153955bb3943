// Pastrel rewrites what other applications copy: formatted text, plain text and file lists, and leaves alone what it
// must not touch.
#include "pastrel_test.h"
#include "base/system.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

namespace {

class Rewrite : public PastrelTest {
protected:
    // Copies and waits until Pastrel's window owns the result.
    std::wstring CopyAndRead(PastrelProcess& pastrel, const std::wstring& text) {
        EXPECT_TRUE(app.CopyFormattedText(text));
        EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
        std::wstring result;
        EXPECT_TRUE(ClipboardText(result));
        return result;
    }
};

bool OnlyPlainTextFormats() {
    for (UINT f : ClipboardFormats())
        if (f != CF_UNICODETEXT && f != CF_TEXT && f != CF_OEMTEXT && f != CF_LOCALE) return false;
    return true;
}

TEST_F(Rewrite, FormattedCopyKeepsOnlyTheSameTextUnitForUnit) {
    PastrelProcess pastrel;
    ASSERT_TRUE(pastrel.Window());
    const std::wstring cases[] = {
        L"plain words",
        L"emoji \U0001F600 and \U00020BB7 beyond the BMP",
        L"lone\rCR",
        L"lone\nLF",
        L"mix\r\nof\rbreaks\n\r\n",
        L"日本語のテキスト　全角",
        L"",
    };
    for (const std::wstring& text : cases) {
        SCOPED_TRACE(ToUtf8(text));
        EXPECT_EQ(CopyAndRead(pastrel, text), text);
        EXPECT_TRUE(OnlyPlainTextFormats());
    }
}

TEST_F(Rewrite, PlainTextIsRewrittenToo) {
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyPlainText(L"already plain"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"already plain");
}

TEST_F(Rewrite, OwnWriteNeverCausesASecondRewrite) {
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFormattedText(L"once"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    DWORD sequence = GetClipboardSequenceNumber();
    PumpFor(600);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
}

TEST_F(Rewrite, MonitoringOffLeavesTheCopyAlone) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFormattedText(L"keep my format"));
    PumpFor(500);
    EXPECT_TRUE(ClipboardHasFormat(HtmlFormat()));
    EXPECT_EQ(GetClipboardOwner(), app.Window());
}

TEST_F(Rewrite, StartWithMonitoringOnProcessesTheCurrentClipboard) {
    ASSERT_TRUE(app.CopyFormattedText(L"copied before start"));
    PastrelProcess pastrel;
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"copied before start");
}

TEST_F(Rewrite, TextWithoutTerminatorIsReadOnlyWithinItsBlock) {
    PastrelProcess pastrel;
    std::wstring text = L"no terminator here";
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    ASSERT_TRUE(app.Copy({{HtmlFormat(), "<b>x</b>"}, {CF_UNICODETEXT, bytes}}));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring result;
    ASSERT_TRUE(ClipboardText(result));
    // The system may terminate such a block in its last unit; what comes back is the text or that much of it,
    // never anything read beyond the block.
    EXPECT_GE(result.size(), text.size() - 1);
    EXPECT_LE(result.size(), text.size());
    EXPECT_EQ(result, text.substr(0, result.size()));
    EXPECT_TRUE(IsWindow(pastrel.Window()));
}

TEST_F(Rewrite, HugeCopyIsRewritten) {
    PastrelProcess pastrel;
    std::wstring text(32u << 20, L'x'); // 64 MB of UTF-16
    for (size_t i = 0; i < text.size(); i += 97) text[i] = L'\n';
    ASSERT_TRUE(app.Copy({{HtmlFormat(), "<b>big</b>"}, {CF_UNICODETEXT, Bytes(text)}}));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window(), 30000));
    std::wstring result;
    ASSERT_TRUE(ClipboardText(result));
    EXPECT_TRUE(result == text);
}

class PrivacyMarker : public Rewrite, public ::testing::WithParamInterface<int> {};

// Password managers mark their copies; such a copy stays exactly as it was unless the user forces a rewrite.
TEST_P(PrivacyMarker, CopyIsLeftAloneButForcedRewriteStillRuns) {
    UINT exclude = RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    UINT viewerIgnore = RegisterClipboardFormatW(L"Clipboard Viewer Ignore");
    UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    UINT cloud = RegisterClipboardFormatW(L"CanUploadToCloudClipboard");
    std::string zero(4, '\0');
    std::pair<UINT, std::string> markers[] = {{exclude, "x"}, {viewerIgnore, "x"}, {history, zero}, {cloud, zero}};
    PastrelProcess pastrel;
    ASSERT_TRUE(app.Copy({{HtmlFormat(), "<b>secret</b>"}, {CF_UNICODETEXT, Bytes(L"s3cret")}, markers[GetParam()]}));
    PumpFor(500);
    EXPECT_EQ(GetClipboardOwner(), app.Window());
    EXPECT_TRUE(ClipboardHasFormat(HtmlFormat()));

    EXPECT_EQ(RunPastrel(L"/R"), 0u);
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"s3cret");
}
INSTANTIATE_TEST_SUITE_P(EachMarker, PrivacyMarker, ::testing::Values(0, 1, 2, 3));

TEST_F(Rewrite, HistoryFlagThatAllowsHistoryIsNoPrivacyMarker) {
    UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    std::string one("\x01\0\0\0", 4);
    PastrelProcess pastrel;
    ASSERT_TRUE(app.Copy({{HtmlFormat(), "<b>x</b>"}, {CF_UNICODETEXT, Bytes(L"public")}, {history, one}}));
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
}

TEST_F(Rewrite, ConversionExceptionPutsTheOriginalBackAndShowsTheMessageBox) {
    PastrelProcess::Options options;
    options.faultMarker = L"#boom#";
    PastrelProcess pastrel(options);
    ASSERT_TRUE(app.CopyFormattedText(L"text with #boom# inside"));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        box = FindWindowW(L"#32770", L"パストレル 開発元へご連絡下さい - 予期せぬ例外を補足");
        return box != nullptr;
    }));
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"text with #boom# inside");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    // The program keeps working after the exception.
    EXPECT_EQ(CopyAndRead(pastrel, L"after"), L"after");
}

// Another program holds the clipboard open right after its change: one retry after 500 ms, then nothing more.
class BusyClipboard : public Rewrite {
protected:
    // Copies and re-opens the clipboard before Pastrel gets to it; false if Pastrel won the race.
    bool CopyAndHold(PastrelProcess& pastrel) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            app.CopyFormattedText(L"held");
            DWORD sequence = GetClipboardSequenceNumber();
            if (!OpenClipboard(app.Window())) continue;
            if (GetClipboardSequenceNumber() == sequence && GetClipboardOwner() == app.Window()) return true;
            CloseClipboard();
            (void)pastrel;
        }
        return false;
    }
};

TEST_F(BusyClipboard, ReleasedBeforeTheRetryIsRewrittenByTheRetry) {
    PastrelProcess pastrel;
    ASSERT_TRUE(CopyAndHold(pastrel));
    PumpFor(200);
    CloseClipboard();
    DWORD released = GetTickCount();
    ASSERT_TRUE(WaitForRewrite(pastrel.Window(), 2000));
    EXPECT_LE(GetTickCount() - released, 1000u);
}

TEST_F(BusyClipboard, HeldPastTheRetryIsGivenUpUntilTheNextChange) {
    PastrelProcess pastrel;
    ASSERT_TRUE(CopyAndHold(pastrel));
    PumpFor(900);
    CloseClipboard();
    PumpFor(800);
    EXPECT_TRUE(ClipboardHasFormat(HtmlFormat()));
    EXPECT_EQ(GetClipboardOwner(), app.Window());
    ASSERT_TRUE(app.CopyFormattedText(L"next"));
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
}

class FileList : public Rewrite {
protected:
    std::wstring CopyFilesAndRead(PastrelProcess& pastrel, const std::vector<std::wstring>& paths) {
        EXPECT_TRUE(app.CopyFiles(paths));
        EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
        std::wstring text;
        EXPECT_TRUE(ClipboardText(text));
        return text;
    }
};

TEST_F(FileList, NamesModeGivesNamesEachEndingInCrLf) {
    StoreSetting(L"FileFolderCopy", 1);
    PastrelProcess pastrel;
    EXPECT_EQ(CopyFilesAndRead(pastrel, {L"C:\\docs\\a.txt", L"C:\\docs\\日本語.txt", L"C:\\"}),
              L"a.txt\r\n日本語.txt\r\n\r\n");
}

TEST_F(FileList, FullPathModeKeepsPathsWithoutALinuxName) {
    // On Windows every path stays; under Wine these do, having no Linux path: a network path, a name Linux files
    // cannot have in Wine's spelling.
    StoreSetting(L"FileFolderCopy", 2);
    PastrelProcess pastrel;
    EXPECT_EQ(CopyFilesAndRead(pastrel, {L"\\\\server\\share\\a.txt", L"C:\\docs\\a|b.txt"}),
              L"\\\\server\\share\\a.txt\r\nC:\\docs\\a|b.txt\r\n");
}

TEST_F(FileList, PathsAreCutTo519Characters) {
    StoreSetting(L"FileFolderCopy", 2);
    PastrelProcess pastrel;
    std::wstring longPath = L"\\\\server\\" + std::wstring(600, L'p'); // a network path keeps its Windows form
    EXPECT_EQ(CopyFilesAndRead(pastrel, {longPath}), longPath.substr(0, 519) + L"\r\n");
}

// The contents of a file named by a Linux path, read through Wine's \\?\unix\ spelling of such a path.
std::string ContentsAtLinuxPath(const std::wstring& linuxPath) {
    std::wstring name = L"\\\\?\\unix" + linuxPath;
    std::replace(name.begin(), name.end(), L'/', L'\\');
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(cannot open)";
    char buffer[256];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer), &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

// Under Wine, Linux programs get paths they can open: full paths are the files' Linux paths; names stay names.
TEST_F(FileList, UnderWineFullPathsAreTheFilesLinuxPaths) {
    if (!RunningUnderWine()) GTEST_SKIP() << "on Windows the Windows paths are the paths";
    wchar_t prefix[1024];
    DWORD prefixLength = GetEnvironmentVariableW(L"WINEPREFIX", prefix, ARRAYSIZE(prefix));
    ASSERT_TRUE(prefixLength > 0 && prefixLength < ARRAYSIZE(prefix));
    std::wstring dir = MakeTempDir(L"linux paths");
    const std::vector<std::wstring> names = {L"a b.txt", L"日本語 ファイル.txt"};
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names) {
        paths.push_back(dir + L"\\" + name);
        HANDLE file = CreateFileW(paths.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        std::string contents = ToUtf8(name);
        DWORD written = 0;
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(file);
    }
    {
        StoreSetting(L"FileFolderCopy", 2);
        PastrelProcess pastrel;
        std::wstring text = CopyFilesAndRead(pastrel, paths);
        std::vector<std::wstring> lines;
        for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        ASSERT_EQ(lines.size(), names.size()) << ToUtf8(text);
        for (size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(ToUtf8(lines[i]));
            EXPECT_EQ(lines[i].rfind(std::wstring(prefix) + L"/", 0), 0u); // the temporary folder lies on C:
            EXPECT_EQ(lines[i].find(L'\\'), std::wstring::npos);
            EXPECT_EQ(ContentsAtLinuxPath(lines[i]), ToUtf8(names[i]));
        }
    }
    app.Copy({});
    StoreSetting(L"FileFolderCopy", 1);
    PastrelProcess pastrel;
    EXPECT_EQ(CopyFilesAndRead(pastrel, paths), names[0] + L"\r\n" + names[1] + L"\r\n");
}

TEST_F(FileList, ModeZeroLeavesTheListUntouched) {
    PastrelProcess pastrel;
    ASSERT_TRUE(app.CopyFiles({L"C:\\docs\\a.txt"}));
    PumpFor(500);
    EXPECT_TRUE(ClipboardHasFormat(CF_HDROP));
    EXPECT_EQ(GetClipboardOwner(), app.Window());
}

TEST_F(FileList, BrokenDropBlockIsNoFileList) {
    StoreSetting(L"FileFolderCopy", 1);
    PastrelProcess pastrel;
    DROPFILES header{};
    header.pFiles = 0x7FFFFFF0; // far outside the block
    header.fWide = TRUE;
    ASSERT_TRUE(app.Copy({{CF_HDROP, std::string(reinterpret_cast<const char*>(&header), sizeof(header))}}));
    PumpFor(500);
    EXPECT_TRUE(ClipboardHasFormat(CF_HDROP));
    EXPECT_TRUE(IsWindow(pastrel.Window()));
    ASSERT_TRUE(app.Copy({{CF_HDROP, std::string("tiny")}}));
    PumpFor(300);
    EXPECT_TRUE(IsWindow(pastrel.Window()));
}

} // namespace
