// File lists become text within their block's bounds; multi-line results split into the lines to re-copy.
#include "clipboard/file_list.h"
#include "clipboard/recopy.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
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

// Under Wine full paths are handed to the mapping to Linux paths; names are taken from the Windows path, and a path
// the mapping refuses stays as it was.
TEST(FileListText, OnlyFullPathsAreMappedAndRefusedPathsStay) {
    auto block = DropBlock(std::wstring(L"Z:\\tmp\\a b.txt\0\\\\server\\x\0\0", 27));
    PathMapper toLinux = [](const std::wstring& path, std::wstring& mapped) {
        if (path.compare(0, 3, L"Z:\\") != 0) return false;
        mapped = path.substr(2);
        std::replace(mapped.begin(), mapped.end(), L'\\', L'/');
        return true;
    };
    std::wstring text;
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::FullPaths, text, toLinux));
    EXPECT_EQ(text, L"/tmp/a b.txt\r\n\\\\server\\x\r\n");
    ASSERT_TRUE(BuildFileListText(block.data(), block.size(), FileListMode::Names, text, toLinux));
    EXPECT_EQ(text, L"a b.txt\r\nx\r\n");
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

// The list read literally by the documented layout: byte by byte, every index checked against the block's size.
bool LiteralFileListText(const BYTE* block, size_t size, FileListMode mode, std::wstring& text) {
    auto byteAt = [&](size_t at) { return at < size ? block[at] : -1; };
    if (size < 20) return false; // pFiles, pt, fNC, fWide
    size_t pFiles = byteAt(0) | byteAt(1) << 8 | byteAt(2) << 16 | static_cast<size_t>(byteAt(3)) << 24;
    bool wide = byteAt(16) || byteAt(17) || byteAt(18) || byteAt(19);
    if (pFiles < 20 || pFiles >= size) return false;
    std::vector<std::wstring> paths;
    std::wstring path;
    std::string narrow;
    size_t step = wide ? 2 : 1;
    for (size_t at = pFiles; at + step <= size; at += step) {
        int unit = wide ? byteAt(at) | byteAt(at + 1) << 8 : byteAt(at);
        if (unit != 0) {
            if (wide) path += static_cast<wchar_t>(unit);
            else narrow += static_cast<char>(unit);
            continue;
        }
        if (path.empty() && narrow.empty()) break; // the empty string that ends the list
        paths.push_back(path);
        path.clear();
        if (!wide) {
            paths.back().resize(narrow.size() * 2);
            int units = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                                            paths.back().data(), static_cast<int>(paths.back().size()));
            paths.back().resize(static_cast<size_t>(units));
            narrow.clear();
        }
    }
    if (!path.empty()) paths.push_back(path);
    if (!narrow.empty()) {
        std::wstring converted(narrow.size() * 2, L'\0');
        int units = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), converted.data(),
                                        static_cast<int>(converted.size()));
        converted.resize(static_cast<size_t>(units));
        paths.push_back(converted);
    }
    text.clear();
    for (std::wstring& item : paths) {
        item = item.substr(0, 519);
        size_t slash = item.find_last_of(L'\\');
        text += (mode == FileListMode::Names && slash != std::wstring::npos) ? item.substr(slash + 1) : item;
        text += L"\r\n";
    }
    return true;
}

TEST(FileListText, RandomBlocksNeverReadOutsideThemselves) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        size_t size = random() % 80;
        // Each block lives in its own heap allocation of exactly its size, so an overread would touch foreign
        // memory that the page heap of a debugging run would catch.
        std::unique_ptr<BYTE[]> block(new BYTE[size ? size : 1]);
        // Mostly bytes that make paths: terminators, backslashes, letters, bytes of multi-byte characters.
        static const BYTE kPathBytes[] = {0, 0, '\\', '\\', 'a', ':', 0x82, 0xA0};
        for (size_t i = 0; i < size; ++i)
            block[i] = static_cast<BYTE>(random() % 4 ? kPathBytes[random() % 8] : random());
        if (size >= sizeof(DROPFILES) && random() % 2) {
            DWORD offset = sizeof(DROPFILES) + random() % 8;
            memcpy(block.get(), &offset, sizeof(offset));
        }
        FileListMode mode = random() % 2 ? FileListMode::Names : FileListMode::FullPaths;
        std::wstring text, expected;
        bool built = BuildFileListText(block.get(), size, mode, text);
        ASSERT_EQ(built, LiteralFileListText(block.get(), size, mode, expected)) << round;
        if (built) EXPECT_EQ(text, expected) << round;
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
