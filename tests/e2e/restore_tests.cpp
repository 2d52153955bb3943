// The formatted copy a rewrite replaced comes back with one command until another copy is made, and copies from the
// programs the user listed keep their formatting.
#include "pastrel_test.h"

#include "app/ids.h"

#include <psapi.h>

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kNothingToRestore[] = L"There is no formatted copy to restore.";

// The bytes of a format on the clipboard, empty when it is not there.
std::string ClipboardBytes(UINT format) {
    std::string bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    if (HANDLE data = GetClipboardData(format)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            bytes.assign(p, GlobalSize(data));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return bytes;
}

bool StartsWith(const std::string& bytes, const std::string& prefix) { return bytes.compare(0, prefix.size(), prefix) == 0; }

bool NoticeShown(const PastrelProcess& pastrel, const std::wstring& text) {
    for (const Notice& notice : pastrel.Notices())
        if (notice.text == text) return true;
    return false;
}

// A 4 x 2 pixel, 24-bit device-independent bitmap.
std::string SmallDib() {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = 4;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = 24;
    std::string dib(reinterpret_cast<const char*>(&header), sizeof(header));
    for (int i = 0; i < 24; ++i) dib += static_cast<char>(i * 10);
    return dib;
}

SIZE_T CommittedBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return counters.PrivateUsage;
}

class Restore : public PastrelTest {};

TEST_F(Restore, BringsBackEveryFormatWithItsBytesAndStaysFormatted) {
    PastrelProcess pastrel;
    const std::string html = "Version:0.9\r\n<b>bold</b>", rtf = "{\\rtf1\\ansi{\\b bold}}", dib = SmallDib();
    struct Case {
        const char* name;
        std::vector<std::pair<UINT, std::string>> formats;
    };
    const Case cases[] = {
        {"HTML, RTF and text", {{HtmlFormat(), html + '\0'}, {RtfFormat(), rtf + '\0'}, {CF_UNICODETEXT, Bytes(L"bold")}}},
        {"bitmap and text", {{CF_DIB, dib}, {CF_UNICODETEXT, Bytes(L"picture")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(app.Copy(c.formats));
        ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
        EXPECT_EQ(RunPastrel(L"/U"), 0u);
        ASSERT_TRUE(WaitUntil([&] { return ClipboardHasFormat(c.formats[0].first); }));
        PumpFor(2000); // not processed again: the copy stays formatted
        for (const auto& [format, bytes] : c.formats) EXPECT_TRUE(StartsWith(ClipboardBytes(format), bytes)) << format;
        EXPECT_EQ(GetClipboardOwner(), pastrel.Window());
    }
    ASSERT_TRUE(app.CopyPlainText(L"plain")); // a new copy: the restored one goes, and processing goes on
    ASSERT_TRUE(app.CopyFormattedText(L"next"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(Clipboard(), L"next");
}

TEST_F(Restore, NothingAfterAForeignCopyOrForACopyTooLargeToKeep) {
    StoreSetting(L"SHOW_BALLOON", 1);
    PastrelProcess pastrel(Observed());
    ASSERT_TRUE(app.CopyFormattedText(L"rewritten"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({VK_ESCAPE});
    EXPECT_EQ(pastrel.LastMenuState()[Item(IDM_RESTORE_FORMATTED)] & MF_GRAYED, 0u);

    ASSERT_TRUE(app.CopyPlainText(L"newer"));
    PumpFor(300);
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({VK_ESCAPE});
    EXPECT_EQ(pastrel.LastMenuState()[Item(IDM_RESTORE_FORMATTED)] & MF_GRAYED, static_cast<unsigned>(MF_GRAYED));
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    EXPECT_EQ(RunPastrel(L"/U"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return NoticeShown(pastrel, kNothingToRestore); }));
    EXPECT_EQ(Clipboard(), L"newer");

    // 300 MiB of HTML beside the text: rewritten, but nothing is kept.
    pastrel.ClearLog();
    std::string huge(300u << 20, 'h');
    ASSERT_TRUE(app.Copy({{HtmlFormat(), huge}, {CF_UNICODETEXT, Bytes(L"huge")}}));
    huge.clear();
    huge.shrink_to_fit();
    ASSERT_TRUE(WaitForRewrite(pastrel.Window(), 20000));
    EXPECT_EQ(RunPastrel(L"/U"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return NoticeShown(pastrel, kNothingToRestore); }));
    EXPECT_EQ(Clipboard(), L"huge");
    EXPECT_FALSE(ClipboardHasFormat(HtmlFormat()));
}

// Each snapshot's memory goes back when a foreign copy replaces the rewrite.
TEST_F(Restore, MemoryAtRestDoesNotGrowOverRewriteThenForeignCopyRounds) {
    PastrelProcess pastrel;
    const std::string html(64 << 10, 'x');
    auto round = [&](int i) {
        std::wstring text = L"round " + std::to_wstring(i);
        ASSERT_TRUE(app.Copy({{HtmlFormat(), html}, {CF_UNICODETEXT, Bytes(text)}}));
        ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
        ASSERT_TRUE(app.CopyPlainText(text));
    };
    for (int i = 0; i < 50; ++i) round(i);
    PumpFor(300);
    SIZE_T before = CommittedBytes(pastrel.Handle());
    for (int i = 0; i < 1000; ++i) {
        round(i);
        if (HasFatalFailure()) return;
    }
    PumpFor(300);
    SIZE_T after = CommittedBytes(pastrel.Handle());
    EXPECT_LT(after, before + (1u << 20)) << before << " -> " << after; // 1,000 kept snapshots would be 64 MB
}

class Exclude : public PastrelTest {
protected:
    // The copies of this test come from its own process, e2e_tests.exe.
    bool CopyStaysFormattedWith(const std::wstring& list) {
        StoreSetting(L"ExcludePrograms", list);
        PastrelProcess pastrel;
        bool stays = FormattedCopyStays(600);
        if (stays) { // the user's explicit request still rewrites it
            EXPECT_EQ(RunPastrel(L"/R"), 0u);
            EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
        }
        return stays;
    }
};

TEST_F(Exclude, ListedProgramsCopiesStayFormattedUnlessAskedFor) {
    EXPECT_TRUE(CopyStaysFormattedWith(L"WINWORD.EXE; E2E_Tests.exe ;"));
    EXPECT_TRUE(CopyStaysFormattedWith(L"C:\\Tools\\e2e_tests.exe"));
    EXPECT_FALSE(CopyStaysFormattedWith(L"e2e_tests;other.exe"));
    EXPECT_FALSE(CopyStaysFormattedWith(L""));
}

} // namespace
