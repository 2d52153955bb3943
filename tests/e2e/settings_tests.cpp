// Pastrel follows its stored settings, saves nothing in non-save mode, and copies them between the stores.
#include "pastrel_test.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Every value of the settings key, as name, type and bytes.
std::string RegistrySnapshot() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "absent";
    std::string snapshot;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        BYTE data[8192];
        size = sizeof(data);
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        snapshot += ToUtf8(name) + ":" + std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    RegCloseKey(key);
    return snapshot;
}

class StoredSettings : public PastrelTest {};

TEST_F(StoredSettings, DelayProcessesABurstOnceAfterItsLastCopy) {
    StoreSetting(L"Delay1Sec", 500);
    PastrelProcess pastrel;
    int rewrites = 0;
    DWORD lastCopy = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(app.CopyFormattedText(L"burst " + std::to_wstring(i)));
        lastCopy = GetTickCount();
        PumpFor(200);
        EXPECT_EQ(GetClipboardOwner(), app.Window()) << "rewritten before the burst ended";
    }
    ASSERT_TRUE(WaitForRewrite(pastrel.Window(), 3000));
    DWORD delay = GetTickCount() - lastCopy;
    ++rewrites;
    EXPECT_GE(delay, 450u);
    EXPECT_LE(delay, 900u);
    DWORD sequence = GetClipboardSequenceNumber();
    PumpFor(800);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    std::wstring text;
    ASSERT_TRUE(ClipboardText(text));
    EXPECT_EQ(text, L"burst 2");
    EXPECT_EQ(rewrites, 1);
}

TEST_F(StoredSettings, NonSaveModeLeavesTheRegistryByteForByte) {
    StoreSetting(L"DelSpace", 1);
    StoreSetting(L"MultiDivSec", 3000); // would be normalised to 1000 by a save
    std::string before = RegistrySnapshot();
    {
        PastrelProcess::Options options;
        options.args = L"/N";
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.Window());
        EXPECT_EQ(RunPastrel(L"/P0"), 0u); // a command that saves at once
        EXPECT_EQ(RunPastrel(L"/P1"), 0u);
    }
    EXPECT_EQ(RegistrySnapshot(), before);
}

TEST_F(StoredSettings, NonSaveModeLeavesTheIniFileByteForByte) {
    std::wstring dir = MakeTempDir(L"nonsave");
    std::wstring exe = dir + L"\\Pastrel_o.exe";
    CopyFileW(PastrelExePath().c_str(), exe.c_str(), FALSE);
    std::wstring ini = dir + L"\\Pastrel.ini";
    {
        std::ofstream file(ini.c_str(), std::ios::binary);
        const char bytes[] = "\xFF\xFE[\0c\0b\0_\0m\0a\0i\0n\0]\0\r\0\n\0D\0e\0l\0T\0a\0b\0=\0\x31\0\r\0\n\0";
        file.write(bytes, sizeof(bytes) - 1);
    }
    std::string before = ReadBytes(ini);
    {
        PastrelProcess::Options options;
        options.exePath = exe;
        options.args = L"/N";
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.Window());
        EXPECT_EQ(RunPastrel(L"/P0"), 0u);
    }
    EXPECT_EQ(ReadBytes(ini), before);
}

TEST_F(StoredSettings, NonSaveModeCreatesNoIniFile) {
    std::wstring dir = MakeTempDir(L"nonsave-noini");
    std::wstring exe = dir + L"\\Pastrel_o.exe";
    CopyFileW(PastrelExePath().c_str(), exe.c_str(), FALSE);
    {
        PastrelProcess::Options options;
        options.exePath = exe;
        options.args = L"/N";
        PastrelProcess pastrel(options);
        ASSERT_TRUE(pastrel.Window());
    }
    EXPECT_EQ(GetFileAttributesW((dir + L"\\Pastrel.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StoredSettings, IniToRegistryCopiesTheNormalisedDefaults) {
    ClearStoredSettings();
    std::wstring cwd = MakeTempDir(L"copy-or");
    MessageBoxRun run = RunPastrelWithMessageBox(L"/OR", cwd);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.mainWindowSeen);
    EXPECT_EQ(run.text, L"Setting copying from the ini file to the registry has been completed.");
    // The ini file of the folder it was started from was created empty.
    EXPECT_EQ(ReadBytes(cwd + L"\\Pastrel.ini"), std::string("\xFF\xFE\x0D\x00\x0A\x00", 6));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0, value = 0, size = sizeof(value);
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegQueryValueExW(key, L"MultiDivSec", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    EXPECT_EQ(values, 62u);
    EXPECT_EQ(value, 1000u);
}

TEST_F(StoredSettings, RegistryToIniCopiesTheStoredValues) {
    StoreSetting(L"DelSpace", 1);
    StoreSetting(L"CMDLINE", std::wstring(L"sort /r"));
    std::wstring cwd = MakeTempDir(L"copy-ro");
    MessageBoxRun run = RunPastrelWithMessageBox(L"/RO", cwd);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.mainWindowSeen);
    EXPECT_EQ(run.text, L"Setting copying from the registry to the ini file has been completed.");
    std::wstring ini = cwd + L"\\Pastrel.ini";
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"cb_main", L"CMDLINE", L"", value, 64, ini.c_str());
    EXPECT_STREQ(value, L"sort /r");
    EXPECT_EQ(GetPrivateProfileIntW(L"cb_main", L"DelSpace", 0, ini.c_str()), 1u);
    EXPECT_EQ(GetPrivateProfileIntW(L"cb_main", L"MultiDivSec", 0, ini.c_str()), 1000u);
    EXPECT_EQ(ReadBytes(ini).substr(0, 2), std::string("\xFF\xFE"));
}

TEST_F(StoredSettings, CopyToAnUnwritableIniReportsFailure) {
    std::wstring cwd = MakeTempDir(L"copy-ro-fail");
    CreateDirectoryW((cwd + L"\\Pastrel.ini").c_str(), nullptr);
    MessageBoxRun run = RunPastrelWithMessageBox(L"/RO", cwd);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.text, L"Setting copying from the registry to the ini file - Failed.");
}

TEST_F(StoredSettings, FailedSaveIsShownAsOneWarningListingEveryKey) {
    std::wstring dir = MakeTempDir(L"readonly-ini");
    std::wstring exe = dir + L"\\Pastrel_o.exe";
    CopyFileW(ObservedPastrelExePath().c_str(), exe.c_str(), FALSE);
    CreateDirectoryW((dir + L"\\Pastrel.ini").c_str(), nullptr); // a folder where the ini file belongs
    PastrelProcess::Options options;
    options.observed = true;
    options.exePath = exe;
    PastrelProcess pastrel(options);
    ASSERT_TRUE(pastrel.Window());
    EXPECT_EQ(RunPastrel(L"/P0"), 0u);
    std::vector<Notice> notices;
    ASSERT_TRUE(WaitUntil([&] {
        notices = pastrel.Notices();
        return !notices.empty();
    }));
    EXPECT_EQ(notices.back().level, 2u);
    // The balloon shows the first 255 characters of the list.
    EXPECT_EQ(notices.back().text.rfind(L".\\Pastrel.ini[cb_main] - FileFolderCopy write error.\r\n-----\r\n"
                                        L".\\Pastrel.ini[cb_main] - CBWatchEnabled write error.",
                                        0),
              0u);
    EXPECT_EQ(notices.back().text.size(), 255u);
}

} // namespace
