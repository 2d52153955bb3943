// File lists become text within their block's bounds; multi-line results split into the lines to re-copy.
#include "clipboard/file_list.h"
#include "clipboard/recopy.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<BYTE> DropBlock(const std::wstring& list, bool wide = true) {
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = wide;
    std::vector<BYTE> block(sizeof(header));
    memcpy(block.data(), &header, sizeof(header));
    if (wide) {
        const BYTE* p = reinterpret_cast<const BYTE*>(list.data());
        block.insert(block.end(), p, p + list.size() * sizeof(wchar_t));
    } else {
        for (wchar_t c : list) block.push_back(static_cast<BYTE>(c));
    }
    return block;
}

TEST(FileListText, NamesAndFullPaths) {
    auto block = DropBlock(std::wstring(L"C:\\a\\x.txt\0D:\\y\0C:\\\0\0", 21));
    std::wstring text;
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::Names, text));
    EXPECT_EQ(text, L"x.txt\r\ny\r\n\r\n");
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::FullPaths, text));
    EXPECT_EQ(text, L"C:\\a\\x.txt\r\nD:\\y\r\nC:\\\r\n");
}

TEST(FileListText, PathWithoutBackslashIsUsedWhole) {
    auto block = DropBlock(std::wstring(L"plain\0\0", 7));
    std::wstring text;
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::Names, text));
    EXPECT_EQ(text, L"plain\r\n");
}

TEST(FileListText, AnsiListsAreRead) {
    auto block = DropBlock(std::wstring(L"C:\\dir\\n.txt\0\0", 14), false);
    std::wstring text;
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::Names, text));
    EXPECT_EQ(text, L"n.txt\r\n");
}

TEST(FileListText, InvalidBlocksAreNoFileList) {
    std::wstring text;
    BYTE tiny[4] = {};
    EXPECT_FALSE(BuildFileListText(tiny, sizeof(tiny), FileListMode::Names, text));
    auto block = DropBlock(L"x");
    DROPFILES header;
    memcpy(&header, block.data(), sizeof(header));
    for (DWORD offset : {DWORD(0), DWORD(8), DWORD(block.size()), DWORD(0xFFFFFFF0)}) {
        header.pFiles = offset;
        memcpy(block.data(), &header, sizeof(header));
        EXPECT_FALSE(BuildFileListText(block.data(), block.size(), FileListMode::Names, text)) << offset;
    }
}

// A list whose last path has no terminator ends at the block's end instead of reading past it.
TEST(FileListText, UnterminatedListStopsAtTheBlockEnd) {
    auto block = DropBlock(L"C:\\a\\b");
    std::wstring text;
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::FullPaths, text));
    EXPECT_EQ(text, L"C:\\a\\b\r\n");
}

TEST(FileListText, RandomBlocksNeverReadOutsideThemselves) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        size_t size = random() % 80;
        // Each block lives in its own heap allocation of exactly its size, so an overread would touch foreign
        // memory that the page heap of a debugging run would catch.
        std::unique_ptr<BYTE[]> block(new BYTE[size ? size : 1]);
        for (size_t i = 0; i < size; ++i) block[i] = static_cast<BYTE>(random() % 4 == 0 ? 0 : random());
        if (size >= sizeof(DROPFILES) && random() % 2) {
            DWORD offset = sizeof(DROPFILES) + random() % 8;
            memcpy(block.get(), &offset, sizeof(offset));
        }
        std::wstring text;
        BuildFileListText(block.get(), size, random() % 2 ? FileListMode::Names : FileListMode::FullPaths, text);
    }
}

// The lines to re-copy, read back through the positions the split keeps.
std::vector<std::wstring> SplitRecopyLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (uint32_t start : RecopyLineStarts(text)) lines.emplace_back(RecopyLineAt(text, start));
    return lines;
}

TEST(RecopyLines, EmptyLinesAndBreaksProduceNothing) {
    EXPECT_EQ(SplitRecopyLines(L"x\r\n\r\ny"), (std::vector<std::wstring>{L"x", L"y"}));
    EXPECT_EQ(SplitRecopyLines(L"\r\n\nonly\r"), (std::vector<std::wstring>{L"only"}));
    EXPECT_EQ(SplitRecopyLines(L"a\rb\nc"), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_TRUE(SplitRecopyLines(L"\r\n\r\n").empty());
    EXPECT_TRUE(SplitRecopyLines(L"").empty());
}

} // namespace
