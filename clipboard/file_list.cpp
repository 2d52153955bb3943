#include "clipboard/file_list.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxPathUnits = 519; // what a 520-character query buffer holds

// The item paths of the list, each already cut to its usable length.
bool ReadPaths(const BYTE* bytes, size_t size, std::vector<std::wstring>& paths) {
    DROPFILES header;
    if (size < sizeof(header)) return false;
    memcpy(&header, bytes, sizeof(header));
    if (header.pFiles < sizeof(header) || header.pFiles >= size) return false;
    size_t offset = header.pFiles;
    if (header.fWide) {
        size_t units = (size - offset) / sizeof(wchar_t);
        std::vector<wchar_t> list(units);
        memcpy(list.data(), bytes + offset, units * sizeof(wchar_t));
        size_t i = 0;
        while (i < units && list[i] != L'\0') {
            size_t start = i;
            while (i < units && list[i] != L'\0') ++i;
            size_t length = i - start < kMaxPathUnits ? i - start : kMaxPathUnits;
            paths.emplace_back(list.data() + start, length);
            ++i; // past the terminator
        }
    } else {
        const char* list = reinterpret_cast<const char*>(bytes + offset);
        size_t chars = size - offset;
        size_t i = 0;
        while (i < chars && list[i] != '\0') {
            size_t start = i;
            while (i < chars && list[i] != '\0') ++i;
            int length = static_cast<int>(i - start);
            int wide = MultiByteToWideChar(CP_ACP, 0, list + start, length, nullptr, 0);
            std::wstring path(static_cast<size_t>(wide), L'\0');
            if (wide > 0) MultiByteToWideChar(CP_ACP, 0, list + start, length, path.data(), wide);
            if (path.size() > kMaxPathUnits) path.resize(kMaxPathUnits);
            paths.push_back(std::move(path));
            ++i;
        }
    }
    return true;
}

} // namespace

bool BuildFileListText(const void* block, size_t size, FileListMode mode, std::wstring& text,
                       const PathMapper& mapFullPath) {
    std::vector<std::wstring> paths;
    if (!ReadPaths(static_cast<const BYTE*>(block), size, paths)) return false;
    if (mode == FileListMode::FullPaths && mapFullPath) {
        std::wstring mapped;
        for (std::wstring& path : paths)
            if (mapFullPath(path, mapped)) path.swap(mapped);
    }
    size_t total = 1;
    for (const std::wstring& path : paths) total += path.size() + 2;
    text.clear();
    text.reserve(total);
    for (const std::wstring& path : paths) {
        size_t slash = path.rfind(L'\\');
        if (mode == FileListMode::Names && slash != std::wstring::npos)
            text.append(path, slash + 1, std::wstring::npos);
        else text += path;
        text += L"\r\n";
    }
    return true;
}
