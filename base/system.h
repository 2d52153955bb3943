// The system the program runs on: its libraries, its version, and whether it is Wine.
#pragma once
#include <windows.h>

#include <string>

HMODULE LoadSystemLibrary(const wchar_t* name);
// A typed function pointer from a loaded module, or null.
template <class Fn> Fn GetProcedure(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
// The system's version record, from RtlGetVersion or, where that is missing, GetVersionExW.
OSVERSIONINFOEXW QuerySystemVersion();
int GetOsVersionNumber(); // major * 100 + minor
// Whether the program runs under Wine (ntdll exports wine_get_version), where a few things work differently.
bool RunningUnderWine();
// Wine's Unix name of a Windows path (Z:\home\a.txt is /home/a.txt; C: lies in the Wine prefix), through kernel32's
// wine_get_unix_file_name. False on Windows and for a path that has no Linux name: a network path, characters that
// Windows names cannot hold.
bool UnixFileName(const std::wstring& windowsPath, std::wstring& unixPath);

// Makes the folder of the program's executable the current directory.
void SetCurrentDirectoryToExe();
