// The settings record against the real stores: Wine's registry (the test prefix is private) and ini files in a
// temporary folder.
#include "base/text.h"
#include "settings/settings.h"
#include "settings/store.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kKey[] = L"Software\\Brindlewox\\Pastrel\\CurrentVersion";

void DeleteSettingsKey() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brindlewox"); }

void SetRegistryValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetRegistryString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    SetRegistryValue(name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetRegistryDword(const wchar_t* name, DWORD value) { SetRegistryValue(name, REG_DWORD, &value, sizeof(value)); }

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf16(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// Each test starts from defaults, with the registry store selected and a fresh current folder for the ini file.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSettingsKey();
        Settings = SettingsRecord{};
        g_store.useIniFile = false;
        g_store.nonSaveMode = false;
        g_language.uiJapanese = false;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // Process ids come back in later runs; the time keeps this folder new.
        dir_ = std::wstring(temp) + L"pastrel-settings-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter_);
        SHCreateDirectoryExW(nullptr, dir_.c_str(), nullptr);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(dir_.c_str());
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_);
        DeleteSettingsKey();
    }
    std::wstring IniPath() const { return dir_ + L"\\Pastrel.ini"; }

    std::wstring dir_;
    wchar_t previous_[MAX_PATH] = {};
    static inline int counter_ = 0;
};

void ExpectDefaults(const SettingsRecord& s) {
    EXPECT_EQ(s.MultiDivSec, 1000);
    EXPECT_EQ(s.Delay1Sec, 0);
    EXPECT_TRUE(s.CBWatchEnabled);
    EXPECT_EQ(s.ALPHA_FLOATING, 255);
    EXPECT_EQ(s.ALPHA_FLOATING2, 255);
    EXPECT_EQ(s.LEFT_FLOATING, -32000);
    EXPECT_EQ(s.TOP_FLOATING, -32000);
    EXPECT_EQ(s.MUL_BY_N, L"1");
    EXPECT_EQ(s.FileFolderCopy, 0);
    EXPECT_TRUE(s.StrConvID.empty());
    EXPECT_FALSE(s.MultiDiv);
    EXPECT_FALSE(s.SHOW_BALLOON);
}

TEST_F(SettingsStore, MissingRegistryKeyGivesTheDefaultsAndCreatesNothing) {
    Settings.MultiDivSec = 4000;
    LoadSettings();
    ExpectDefaults(Settings);
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(SettingsStore, MissingIniFileGivesTheDefaultsAndIsCreatedWithItsHeader) {
    g_store.useIniFile = true;
    LoadSettings();
    ExpectDefaults(Settings);
    EXPECT_EQ(ReadBytes(IniPath()), std::string("\xFF\xFE\x0D\x00\x0A\x00", 6));
}

TEST_F(SettingsStore, LoadRulesAtTheirBoundaries) {
    struct Case {
        const wchar_t* key;
        DWORD stored;
        int SettingsRecord::*field;
        int expected;
    };
    const Case cases[] = {
        {L"MultiDivSec", 3000, &SettingsRecord::MultiDivSec, 1000},
        {L"MultiDivSec", 10000, &SettingsRecord::MultiDivSec, 10000},
        {L"MultiDivSec", 500, &SettingsRecord::MultiDivSec, 500},
        {L"Delay1Sec", 300, &SettingsRecord::Delay1Sec, 1000},
        {L"Delay1Sec", 1000, &SettingsRecord::Delay1Sec, 1000},
        {L"Delay1Sec", 700, &SettingsRecord::Delay1Sec, 700},
        {L"ALPHA_FLOATING", 256, &SettingsRecord::ALPHA_FLOATING, 255},
        {L"ALPHA_FLOATING", static_cast<DWORD>(-1), &SettingsRecord::ALPHA_FLOATING, 255},
        {L"ALPHA_FLOATING", 0, &SettingsRecord::ALPHA_FLOATING, 0},
        {L"ALPHA_FLOATING2", 300, &SettingsRecord::ALPHA_FLOATING2, 255},
        {L"LEFT_FLOATING", static_cast<DWORD>(-32000), &SettingsRecord::LEFT_FLOATING, -32000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored);
        SetRegistryDword(c.key, c.stored);
        LoadSettings();
        EXPECT_EQ(Settings.*c.field, c.expected);
    }
    SetRegistryDword(L"SK1_VKEY", 321);
    SetRegistryDword(L"CBWatchEnabled", 7);
    LoadSettings();
    EXPECT_EQ(Settings.SK1_VKEY, 65);
    EXPECT_TRUE(Settings.CBWatchEnabled);
}

TEST_F(SettingsStore, MultiplierKeepsOnlyDigitsAndFullStops) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"2.5", L"2.5"}, {L"1.2.3", L"1.2.3"}, {L"2,5", L"1"}, {L"-2", L"1"}, {L"", L"1"}, {L"007", L"007"}};
    for (const auto& [stored, expected] : cases) {
        SetRegistryString(L"MUL_BY_N", stored);
        LoadSettings();
        EXPECT_EQ(Settings.MUL_BY_N, expected);
    }
}

TEST_F(SettingsStore, RegistryIntegersOfEveryType) {
    SetRegistryString(L"MultiDivSec", L"1500");
    LoadSettings();
    EXPECT_EQ(Settings.MultiDivSec, 1500);

    SetRegistryString(L"FileFolderCopy", L"15x0");
    SetRegistryString(L"LEFT_FLOATING", L"+");
    SetRegistryString(L"TOP_FLOATING", L"-12");
    SetRegistryString(L"WIDTH_FLOATING", L"");
    LoadSettings();
    EXPECT_EQ(Settings.FileFolderCopy, 0);
    EXPECT_EQ(Settings.LEFT_FLOATING, 0);
    EXPECT_EQ(Settings.TOP_FLOATING, -12);
    EXPECT_EQ(Settings.WIDTH_FLOATING, 0);

    unsigned long long quad = 0x1234567800000BB8ull;
    SetRegistryValue(L"HEIGHT_FLOATING", REG_QWORD, &quad, sizeof(quad));
    const BYTE bigEndian[] = {0x00, 0x00, 0x05, 0xDC};
    SetRegistryValue(L"MultiDivSec", REG_DWORD_BIG_ENDIAN, bigEndian, sizeof(bigEndian));
    const BYTE shortBinary[] = {0x02};
    SetRegistryValue(L"FileFolderCopy", REG_BINARY, shortBinary, sizeof(shortBinary));
    SetRegistryString(L"CMDLINE_CHARCODE", L"2", REG_EXPAND_SZ);
    LoadSettings();
    EXPECT_EQ(Settings.HEIGHT_FLOATING, 3000);
    EXPECT_EQ(Settings.MultiDivSec, 1500);
    EXPECT_EQ(Settings.FileFolderCopy, 2);
    EXPECT_EQ(Settings.CMDLINE_CHARCODE, 2);
}

TEST_F(SettingsStore, RegistryValuesOfOddTypesAndSizesNeverBreakLoading) {
    std::vector<BYTE> big(100000, 0x41);
    SetRegistryValue(L"MultiDivSec", REG_BINARY, big.data(), static_cast<DWORD>(big.size()));
    SetRegistryValue(L"Delay1Sec", REG_SZ, big.data(), static_cast<DWORD>(big.size())); // no terminator
    SetRegistryValue(L"StrConvID", REG_BINARY, big.data(), 3);                          // odd size, no NUL
    SetRegistryValue(L"REP_BEFORE", REG_DWORD, big.data(), 4);
    SetRegistryValue(L"ALPHA_FLOATING", REG_NONE, nullptr, 0);
    SetRegistryValue(L"CMDLINE", REG_SZ, big.data(), 5000); // longer than 2049 characters
    LoadSettings();
    EXPECT_EQ(Settings.MultiDivSec, 1000); // 0x41414141 is no allowed interval
    EXPECT_EQ(Settings.Delay1Sec, 0);      // not a number: the default
    EXPECT_EQ(Settings.ALPHA_FLOATING, 255);
    EXPECT_TRUE(Settings.CMDLINE.empty());
    EXPECT_LE(Settings.StrConvID.size(), 2049u);
}

TEST_F(SettingsStore, RegistryStringsComeBackExactly) {
    Settings.REP_BEFORE = L"  \"quoted\"  ";
    Settings.CMDLINE = L"'single' 日本語 \t tab";
    Settings.StrConvID = std::wstring(2049, L'z');
    ASSERT_TRUE(SaveSettings());
    Settings = SettingsRecord{};
    LoadSettings();
    EXPECT_EQ(Settings.REP_BEFORE, L"  \"quoted\"  ");
    EXPECT_EQ(Settings.CMDLINE, L"'single' 日本語 \t tab");
    EXPECT_EQ(Settings.StrConvID, std::wstring(2049, L'z'));
}

TEST_F(SettingsStore, SaveWritesEveryKeyAsDwordsAndStrings) {
    Settings.LEFT_FLOATING = -5;
    ASSERT_TRUE(SaveSettings());
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    EXPECT_EQ(values, 62u);
    DWORD type = 0, data = 0, size = sizeof(data);
    RegQueryValueExW(key, L"LEFT_FLOATING", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, static_cast<DWORD>(-5));
    RegQueryValueExW(key, L"MUL_BY_N", nullptr, &type, nullptr, &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    RegCloseKey(key);
}

TEST_F(SettingsStore, IniFileHoldsUtf16TextWithUnsignedIntegers) {
    g_store.useIniFile = true;
    Settings.LEFT_FLOATING = -32000;
    Settings.CMDLINE = L"日本語";
    Settings.DelTab = true;
    ASSERT_TRUE(SaveSettings());
    std::string bytes = ReadBytes(IniPath());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_NE(bytes.find(Utf16(L"[cb_main]")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16(L"LEFT_FLOATING=4294935296")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16(L"CMDLINE=日本語")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16(L"DelTab=1")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16(L"SK1_VKEY=0")), std::string::npos);

    Settings = SettingsRecord{};
    LoadSettings();
    EXPECT_EQ(Settings.LEFT_FLOATING, -32000);
    EXPECT_EQ(Settings.CMDLINE, L"日本語");
    EXPECT_TRUE(Settings.DelTab);
}

TEST_F(SettingsStore, EnsureIniFileLeavesAnExistingFileUntouched) {
    for (const std::string& content : {std::string(), std::string("odd bytes\x01\x02")}) {
        WriteBytes(IniPath(), content);
        EXPECT_TRUE(EnsureIniFile());
        EXPECT_EQ(ReadBytes(IniPath()), content);
    }
}

TEST_F(SettingsStore, OddIniFilesLoadWithoutHarm) {
    g_store.useIniFile = true;
    std::wstring hugeLine = L"CMDLINE=" + std::wstring(100000, L'c') + L"\r\n";
    WriteBytes(IniPath(), "\xFF\xFE" + Utf16(L"[cb_main]\r\nREP_BEFORE=\"quoted\"\r\nDelay1Sec=  200  \r\n"
                                             L"MultiDivSec=500\r\nMultiDivSec=2000\r\n" +
                                             hugeLine + L"[cb_main]\r\nDelTab=1\r\n"));
    LoadSettings();
    EXPECT_EQ(Settings.CMDLINE.size(), 2049u);
    EXPECT_EQ(Settings.CMDLINE, std::wstring(2049, L'c'));
    EXPECT_EQ(Settings.REP_BEFORE, L"quoted"); // the profile rules drop one pair of enclosing quotes
    EXPECT_EQ(Settings.Delay1Sec, 200);
    EXPECT_TRUE(Settings.MultiDivSec == 500 || Settings.MultiDivSec == 2000);

    WriteBytes(IniPath(), std::string("[cb_main]\nMultiDivSec=1500\n\x80\xFF garbage\n")); // no BOM, ANSI
    LoadSettings();
    EXPECT_EQ(Settings.MultiDivSec, 1500);
}

TEST_F(SettingsStore, NonSaveModeWritesNothingAndCreatesNoFile) {
    g_store.nonSaveMode = true;
    g_store.useIniFile = true;
    LoadSettings();
    Settings.DelSpace = true;
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(GetFileAttributesW(IniPath().c_str()), INVALID_FILE_ATTRIBUTES);
    g_store.useIniFile = false;
    EXPECT_TRUE(SaveSettings());
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(SettingsStore, FailedIniWritesAreDescribedKeyByKey) {
    g_store.useIniFile = true;
    CreateDirectoryW(IniPath().c_str(), nullptr); // a folder where the file should be
    std::wstring errors;
    EXPECT_FALSE(WriteIntSetting(L"DelTab", 1, errors));
    EXPECT_FALSE(WriteStringSetting(L"CMDLINE", L"x", errors));
    EXPECT_EQ(errors, L".\\Pastrel.ini[cb_main] - DelTab write error.\r\n-----\r\n"
                      L".\\Pastrel.ini[cb_main] - CMDLINE write error.");
    g_language.uiJapanese = true;
    errors.clear();
    WriteIntSetting(L"DelTab", 1, errors);
    EXPECT_EQ(errors, L".\\Pastrel.iniの[cb_main]セクションのDelTabに値を書き込めません。");
    EXPECT_FALSE(SaveSettings());
    RemoveDirectoryW(IniPath().c_str());
}

// A volatile parent key refuses a non-volatile child, so the settings key can be neither opened nor created.
TEST_F(SettingsStore, RefusedRegistryKeyIsReportedOncePerKey) {
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brindlewox", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
    std::wstring errors;
    EXPECT_FALSE(WriteIntSetting(L"DelTab", 1, errors));
    EXPECT_FALSE(WriteStringSetting(L"CMDLINE", L"x", errors));
    EXPECT_EQ(errors, L"Cannot open - HKEY_CURRENT_USER\\Software\\Brindlewox\\Pastrel\\CurrentVersion\r\n-----\r\n"
                      L"Cannot open - HKEY_CURRENT_USER\\Software\\Brindlewox\\Pastrel\\CurrentVersion");
    EXPECT_FALSE(SaveSettings());
    LoadSettings();
    ExpectDefaults(Settings);
}

} // namespace
