#include "base/x11_companion.h"

#include "base/handles.h"
#include "base/system.h"

namespace {

// The shared folder as Windows names it, found once: the variable holds its Linux path.
const std::wstring& CompanionFolder() {
    static const std::wstring folder = [] {
        wchar_t value[1024];
        DWORD length = GetEnvironmentVariableW(L"PASTREL_X11_DIR", value, ARRAYSIZE(value));
        if (length == 0 || length >= ARRAYSIZE(value)) return std::wstring();
        using WineGetDosFileNameFn = wchar_t*(CDECL*)(const char*);
        const auto getDosFileName =
            GetProcedure<WineGetDosFileNameFn>(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
        if (!getDosFileName) return std::wstring();
        // Wine's code page for the character set of the Unix locale, in which it spells Unix file names.
        constexpr UINT kUnixCodePage = 65010;
        int bytes = WideCharToMultiByte(kUnixCodePage, 0, value, -1, nullptr, 0, nullptr, nullptr);
        if (bytes <= 1) return std::wstring();
        std::string unixPath(static_cast<size_t>(bytes), '\0');
        WideCharToMultiByte(kUnixCodePage, 0, value, -1, unixPath.data(), bytes, nullptr, nullptr);
        wchar_t* dosPath = getDosFileName(unixPath.c_str());
        if (!dosPath) return std::wstring();
        std::wstring path = dosPath;
        HeapFree(GetProcessHeap(), 0, dosPath);
        if (!path.empty() && path.back() != L'\\') path += L'\\';
        return path;
    }();
    return folder;
}

} // namespace

std::wstring X11CompanionFile(const wchar_t* name) {
    const std::wstring& folder = CompanionFolder();
    return folder.empty() ? folder : folder + name;
}

bool WriteX11CompanionFile(const wchar_t* name, const std::string& text) {
    std::wstring path = X11CompanionFile(name);
    if (path.empty()) return false;
    std::wstring temporary = X11CompanionFile((std::wstring(L".") + name + L".new").c_str());
    {
        FileHandle file{
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size())
            return false;
    }
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}
