#include "clipboard/x11_owner.h"

#include "base/handles.h"
#include "base/text.h"
#include "base/x11_companion.h"

#include <windows.h>

std::wstring X11CopyOwner() {
    std::wstring path = X11CompanionFile(L"owner");
    if (path.empty()) return {};
    FileHandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file) return {};
    char buffer[1024];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) return {};
    std::string line(buffer, read);
    line.resize(line.find_first_of("\r\n") == std::string::npos ? line.size() : line.find_first_of("\r\n"));
    return DecodeUtf8(line);
}
