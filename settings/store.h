// The two settings stores: the registry key (class REGW) and the ini file, one value at a time.
#pragma once
#include <windows.h>

#include "base/handles.h"

#include <string>

inline constexpr wchar_t kRegistryKeyPath[] = L"Software\\Brindlewox\\Pastrel\\CurrentVersion";
inline constexpr wchar_t kIniFileName[] = L".\\Pastrel.ini";
inline constexpr wchar_t kIniSection[] = L"cb_main";
inline constexpr int kStringBufferUnits = 2050; // strings read from a store hold at most 2049 characters

// Which store holds the settings, and whether anything is ever written; chosen once at start-up.
struct StoreSelection {
    bool useIniFile = false;
    bool nonSaveMode = false;
};
extern StoreSelection g_store;

enum : unsigned { REGW_OPEN_CREATE = 1, REGW_OPEN_READONLY = 2 };

// Owns the settings key for one operation: open, one read or write, close.
class REGW {
public:
    REGW() = default;
    ~REGW();
    REGW(const REGW&) = delete;
    REGW& operator=(const REGW&) = delete;

    bool OpenKey(unsigned mode);
    bool CloseKey();
    bool ReadStringW(const wchar_t* name, std::wstring& out);
    int ReadIntegerW(const wchar_t* name, int defaultValue);
    bool WriteStringW(const wchar_t* name, const std::wstring& text);
    bool WriteIntegerW(const wchar_t* name, int value);

private:
    RegKey key_;
};

// Creates .\Pastrel.ini holding only a UTF-16LE byte-order mark and CR LF when it cannot be opened for reading.
bool EnsureIniFile();

// Read one setting from the store selected by useIniFile.
int ReadIntSetting(const wchar_t* key, int defaultValue);
std::wstring ReadStringSetting(const wchar_t* key, const wchar_t* defaultValue);

// Write one setting to the selected store; on failure append a description to saveErrors and return false.
bool WriteIntSetting(const wchar_t* key, int value, std::wstring& saveErrors);
bool WriteStringSetting(const wchar_t* key, const std::wstring& text, std::wstring& saveErrors);

// The "/OR" and "/RO" switches: copy all settings between the stores and report with a message box.
enum class StoreCopy { IniToRegistry, RegistryToIni };
void CopySettingsBetweenStores(StoreCopy direction);

// Appends `text` after the "\r\n-----\r\n" separator when `list` already holds something.
void AppendWithSeparator(std::wstring& list, const std::wstring& text);
