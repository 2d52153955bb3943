#include "settings/store.h"

#include "base/handles.h"
#include "base/text.h"
#include "settings/settings.h"

#include <cstdio>
#include <vector>

StoreSelection g_store;

namespace {

constexpr wchar_t kRegWarningCaption[] = L"Registory Class";
#define REG_WARNING_JA_TAIL                                                                                            \
    L"\nこのメッセージが表示されたら、現在編集している/"                                        \
    L"していたダイアログの名前を、メッセージの内容と共に正確に作者まで報告して下さい。"
constexpr Text kAutoClosed{L"レジストリを自動クローズしました。" REG_WARNING_JA_TAIL,
                           L"An error has occurred in REGW::~REGW()."};
constexpr Text kOpenedTwice{
    L"レジストリキーを多重オープンしようとしたので保護しました(REGW::OpenKey())。" REG_WARNING_JA_TAIL,
    L"An error has occurred in REGW::OpenKey()."};
constexpr Text kClosedTwice{
    L"レジストリを多重クローズしようとしたので保護しました(REGW::CloseKey)。" REG_WARNING_JA_TAIL,
    L"An error has occurred in REGW::CloseKey()."};
constexpr Text kReadStringUnopened{
    L"開かれていないキーを対象に ReadStringW が行われようとしたので保護します。" REG_WARNING_JA_TAIL,
    L"An error has occurred in ReadStringW."};
constexpr Text kReadIntegerUnopened{
    L"開かれていないキーを対象に ReadIntegerW が行われようとしたので保護します。" REG_WARNING_JA_TAIL,
    L"An error has occurred in ReadIntegerW."};
constexpr Text kWriteStringUnopened{
    L"開かれていないキーを対象に WriteStringW が行われようとしたので保護します。" REG_WARNING_JA_TAIL,
    L"An error has occurred in WriteStringW."};
constexpr Text kWriteIntegerUnopened{
    L"開かれていないキーを対象に WriteIntegerW が行われようとしたので保護します。" REG_WARNING_JA_TAIL,
    L"An error has occurred in WriteIntegerW."};
#undef REG_WARNING_JA_TAIL

void ShowRegWarning(const Text& text) { MessageBoxW(nullptr, Tr(text), kRegWarningCaption, MB_OK | MB_ICONWARNING); }

std::wstring FullKeyPath() { return std::wstring(L"HKEY_CURRENT_USER\\") + kRegistryKeyPath; }

} // namespace

REGW::~REGW() {
    if (key_) {
        key_.reset();
        ShowRegWarning(kAutoClosed);
    }
}

bool REGW::OpenKey(unsigned mode) {
    if (key_) {
        CloseKey();
        ShowRegWarning(kOpenedTwice);
    }
    REGSAM access = (mode & REGW_OPEN_READONLY) ? KEY_READ : KEY_ALL_ACCESS;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistryKeyPath, 0, access, &opened) == ERROR_SUCCESS) {
        key_.reset(opened);
        return true;
    }
    if (!(mode & REGW_OPEN_CREATE)) return false;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRegistryKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &opened, nullptr) == ERROR_SUCCESS) {
        key_.reset(opened);
        return true;
    }
    return false;
}

bool REGW::CloseKey() {
    if (!key_) {
        ShowRegWarning(kClosedTwice);
        return false;
    }
    bool ok = RegCloseKey(key_.release()) == ERROR_SUCCESS;
    return ok;
}

bool REGW::ReadStringW(const wchar_t* name, std::wstring& out) {
    if (!key_) {
        ShowRegWarning(kReadStringUnopened);
        return false;
    }
    out.clear();
    // One extra unit beyond the 4100-byte query keeps a value without terminator NUL-terminated.
    std::vector<wchar_t> buffer(kStringBufferUnits + 1, L'\0');
    DWORD size = kStringBufferUnits * sizeof(wchar_t);
    if (RegQueryValueExW(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return false;
    out.assign(buffer.data());
    if (out.size() > kStringBufferUnits - 1) out.resize(kStringBufferUnits - 1);
    return true;
}

int REGW::ReadIntegerW(const wchar_t* name, int defaultValue) {
    if (!key_) {
        ShowRegWarning(kReadIntegerUnopened);
        return defaultValue;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return defaultValue;
    // Zeroed, with room for a terminator and for the four bytes an integer needs even when the data is shorter.
    std::vector<BYTE> data(size + sizeof(wchar_t) + 4, 0);
    DWORD got = size;
    if (RegQueryValueExW(key_.get(), name, nullptr, &type, data.data(), &got) != ERROR_SUCCESS) return defaultValue;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
        size_t units = got / sizeof(wchar_t);
        size_t length = 0;
        while (length < units && text[length]) ++length;
        if (length == 0) return defaultValue;
        wchar_t first = text[0];
        if (!(first == L'+' || first == L'-' || (first >= L'0' && first <= L'9'))) return defaultValue;
        for (size_t i = 1; i < length; ++i)
            if (text[i] < L'0' || text[i] > L'9') return defaultValue;
        // Decimal value modulo 2^32, like the ini store; a lone sign reads as 0.
        unsigned value = 0;
        for (size_t i = (first == L'+' || first == L'-') ? 1 : 0; i < length; ++i)
            value = value * 10 + static_cast<unsigned>(text[i] - L'0');
        if (first == L'-') value = 0u - value;
        return static_cast<int>(value);
    }
    case REG_DWORD:
    case REG_BINARY:
    case REG_QWORD:
        return static_cast<int>(data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<unsigned>(data[3]) << 24));
    case REG_DWORD_BIG_ENDIAN:
        return static_cast<int>((static_cast<unsigned>(data[0]) << 24) | (data[1] << 16) | (data[2] << 8) | data[3]);
    default: return defaultValue;
    }
}

bool REGW::WriteStringW(const wchar_t* name, const std::wstring& text) {
    if (!key_) {
        ShowRegWarning(kWriteStringUnopened);
        return false;
    }
    return RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool REGW::WriteIntegerW(const wchar_t* name, int value) {
    if (!key_) {
        ShowRegWarning(kWriteIntegerUnopened);
        return false;
    }
    DWORD data = static_cast<DWORD>(value);
    return RegSetValueExW(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) ==
           ERROR_SUCCESS;
}

bool EnsureIniFile() {
    FileHandle existing{CreateFileW(kIniFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (existing) return true;
    FileHandle created{
        CreateFileW(kIniFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!created) return false;
    // The byte-order mark makes every later profile write store UTF-16 text.
    static const BYTE kHeader[] = {0xFF, 0xFE, 0x0D, 0x00, 0x0A, 0x00};
    DWORD written = 0;
    return WriteFile(created.get(), kHeader, sizeof(kHeader), &written, nullptr) && written == sizeof(kHeader);
}

int ReadIntSetting(const wchar_t* key, int defaultValue) {
    if (g_store.useIniFile)
        return static_cast<int>(GetPrivateProfileIntW(kIniSection, key, defaultValue, kIniFileName));
    REGW reg;
    if (!reg.OpenKey(REGW_OPEN_READONLY)) return defaultValue;
    int value = reg.ReadIntegerW(key, defaultValue);
    reg.CloseKey();
    return value;
}

std::wstring ReadStringSetting(const wchar_t* key, const wchar_t* defaultValue) {
    if (g_store.useIniFile) {
        std::vector<wchar_t> buffer(kStringBufferUnits, L'\0');
        GetPrivateProfileStringW(kIniSection, key, defaultValue, buffer.data(), kStringBufferUnits, kIniFileName);
        buffer.back() = L'\0';
        return buffer.data();
    }
    REGW reg;
    if (!reg.OpenKey(REGW_OPEN_READONLY)) return defaultValue;
    std::wstring value = defaultValue;
    reg.ReadStringW(key, value);
    reg.CloseKey();
    return value;
}

void AppendWithSeparator(std::wstring& list, const std::wstring& text) {
    if (!list.empty()) list += L"\r\n-----\r\n";
    list += text;
}

namespace {

void AppendIniWriteError(const wchar_t* key, std::wstring& saveErrors) {
    std::wstring ja =
        std::wstring(kIniFileName) + L"の[" + kIniSection + L"]セクションの" + key + L"に値を書き込めません。";
    std::wstring en = std::wstring(kIniFileName) + L"[" + kIniSection + L"] - " + key + L" write error.";
    AppendWithSeparator(saveErrors, Tr({ja.c_str(), en.c_str()}));
}

void AppendRegistryOpenError(std::wstring& saveErrors) {
    std::wstring ja = FullKeyPath() + L"を開けません。", en = L"Cannot open - " + FullKeyPath();
    AppendWithSeparator(saveErrors, Tr({ja.c_str(), en.c_str()}));
}

void AppendRegistryWriteError(const wchar_t* key, std::wstring& saveErrors) {
    std::wstring ja = FullKeyPath() + L" - " + key + L"へデータを書き込めません。";
    std::wstring en = L"Cannot write data - " + FullKeyPath() + L" - " + key;
    AppendWithSeparator(saveErrors, Tr({ja.c_str(), en.c_str()}));
}

template <class WriteValue> bool WriteRegistrySetting(const wchar_t* key, std::wstring& saveErrors, WriteValue write) {
    REGW reg;
    if (!reg.OpenKey(REGW_OPEN_CREATE)) {
        AppendRegistryOpenError(saveErrors);
        return false;
    }
    bool ok = write(reg);
    reg.CloseKey();
    if (!ok) AppendRegistryWriteError(key, saveErrors);
    return ok;
}

} // namespace

bool WriteIntSetting(const wchar_t* key, int value, std::wstring& saveErrors) {
    if (g_store.useIniFile) {
        wchar_t text[11];
        swprintf(text, ARRAYSIZE(text), L"%u", static_cast<unsigned>(value));
        if (WritePrivateProfileStringW(kIniSection, key, text, kIniFileName)) return true;
        AppendIniWriteError(key, saveErrors);
        return false;
    }
    return WriteRegistrySetting(key, saveErrors, [&](REGW& reg) { return reg.WriteIntegerW(key, value); });
}

bool WriteStringSetting(const wchar_t* key, const std::wstring& text, std::wstring& saveErrors) {
    if (g_store.useIniFile) {
        if (WritePrivateProfileStringW(kIniSection, key, text.c_str(), kIniFileName)) return true;
        AppendIniWriteError(key, saveErrors);
        return false;
    }
    return WriteRegistrySetting(key, saveErrors, [&](REGW& reg) { return reg.WriteStringW(key, text); });
}

namespace {

struct StoreCopyTexts {
    Text done;
    Text failed;
};
constexpr StoreCopyTexts kIniToRegistry{
    {L"iniファイルからレジストリへ設定をコピーしました。",
     L"Setting copying from the ini file to the registry has been completed."},
    {L"iniファイルからレジストリへ設定をコピーできませんでした。",
     L"Setting copying from the ini file to the registry - Failed."}};
constexpr StoreCopyTexts kRegistryToIni{
    {L"レジストリからiniファイルへ設定をコピーしました。",
     L"Setting copying from the registry to the ini file has been completed."},
    {L"レジストリからiniファイルへ設定をコピーできませんでした。",
     L"Setting copying from the registry to the ini file - Failed."}};

} // namespace

void CopySettingsBetweenStores(StoreCopy direction) {
    const bool toRegistry = direction == StoreCopy::IniToRegistry;
    g_store.useIniFile = toRegistry;
    LoadSettings();
    g_store.useIniFile = !toRegistry;
    const StoreCopyTexts& texts = toRegistry ? kIniToRegistry : kRegistryToIni;
    if (SaveSettings()) ShowMessage(nullptr, texts.done, MB_ICONINFORMATION);
    else ShowMessage(nullptr, texts.failed, MB_ICONERROR);
}
