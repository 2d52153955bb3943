#include "base/system.h"

#include "base/handles.h"

namespace {
wchar_t systemDirectory[520];
} // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (systemDirectory[0] == L'\0') {
        UINT length = GetSystemDirectoryW(systemDirectory, ARRAYSIZE(systemDirectory));
        if (length == 0 || length >= ARRAYSIZE(systemDirectory)) {
            systemDirectory[0] = L'\0';
            return nullptr;
        }
    }
    wchar_t current[520];
    DWORD currentLength = GetCurrentDirectoryW(ARRAYSIZE(current), current);
    if (currentLength == 0 || currentLength >= ARRAYSIZE(current)) current[0] = L'\0';
    // With the system directory current, the bare name cannot resolve to a planted copy beside the program.
    SetCurrentDirectoryW(systemDirectory);
    HMODULE module = LoadLibraryW(name);
    if (current[0]) SetCurrentDirectoryW(current);
    return module;
}

// RtlGetVersion tells the truth where GetVersionExW is shimmed to the version the manifest declares.
OSVERSIONINFOEXW QuerySystemVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    bool known = false;
    if (Library ntdll{LoadSystemLibrary(L"ntdll.dll")}) {
        auto rtlGetVersion = GetProcedure<RtlGetVersionFn>(ntdll.get(), "RtlGetVersion");
        known = rtlGetVersion && rtlGetVersion(&info) == 0;
    }
    if (!known) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
    }
    return info;
}

int GetOsVersionNumber() {
    OSVERSIONINFOEXW info = QuerySystemVersion();
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
    DWORD build = info.dwBuildNumber;
    if (build < 0x10000) return 400;
    return static_cast<int>((build >> 24) * 100 + ((build >> 16) & 0xFF));
}

bool RunningUnderWine() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

bool UnixFileName(const std::wstring& windowsPath, std::wstring& unixPath) {
    using WineGetUnixFileNameFn = char*(CDECL*)(const wchar_t*);
    static const auto getUnixFileName =
        GetProcedure<WineGetUnixFileNameFn>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!getUnixFileName || windowsPath.empty()) return false;
    char* name = getUnixFileName(windowsPath.c_str());
    if (!name) return false;
    auto release = MakeScopeExit([name] { HeapFree(GetProcessHeap(), 0, name); });
    // Wine's code page for the character set of the Unix locale, in which it spells Unix file names.
    constexpr UINT kUnixCodePage = 65010;
    int units = MultiByteToWideChar(kUnixCodePage, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
    if (units <= 1) return false;
    unixPath.assign(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(kUnixCodePage, MB_ERR_INVALID_CHARS, name, -1, unixPath.data(), units);
    unixPath.resize(static_cast<size_t>(units - 1));
    return true;
}

void SetCurrentDirectoryToExe() {
    wchar_t path[260];
    DWORD length = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path)) return;
    int slash = -1;
    for (int i = static_cast<int>(length) - 1; i >= 1; --i) {
        if (path[i] == L'\\') {
            slash = i;
            break;
        }
    }
    if (slash < 0) return;
    // A drive root keeps its backslash ("C:\"), any deeper folder drops it.
    path[slash >= 5 ? slash : slash + 1] = L'\0';
    SetCurrentDirectoryW(path);
}
