// Start-up helpers: switches, executable-name modes, language, system libraries.
#include "app/startup.h"
#include "base/system.h"

#include <gtest/gtest.h>

namespace {

TEST(StartSwitch, WholeTextComparedIgnoringCase) {
    EXPECT_EQ(ParseStartSwitch(L"/P1"), StartSwitch::P1);
    EXPECT_EQ(ParseStartSwitch(L"/p1"), StartSwitch::P1);
    EXPECT_EQ(ParseStartSwitch(L"/or"), StartSwitch::OR);
    EXPECT_EQ(ParseStartSwitch(L"/?"), StartSwitch::Help);
    EXPECT_EQ(ParseStartSwitch(L"/c0"), StartSwitch::C0);
    EXPECT_EQ(ParseStartSwitch(L"/P1 "), StartSwitch::None);
    EXPECT_EQ(ParseStartSwitch(L" /P1"), StartSwitch::None);
    EXPECT_EQ(ParseStartSwitch(L"/P1 /R"), StartSwitch::None);
    EXPECT_EQ(ParseStartSwitch(L""), StartSwitch::None);
    EXPECT_EQ(ParseStartSwitch(nullptr), StartSwitch::None);
}

TEST(ExeNameModes, SuffixesInEitherCase) {
    EXPECT_TRUE(ExeNameModesFromPath(L"C:\\tools\\Pastrel_O.EXE").useIniFile);
    EXPECT_TRUE(ExeNameModesFromPath(L"C:\\tools\\Pastrel_n.exe").nonSaveMode);
    EXPECT_FALSE(ExeNameModesFromPath(L"C:\\tools\\Pastrel_n.exe").useIniFile);
    EXPECT_FALSE(ExeNameModesFromPath(L"C:\\Pastrel.exe").useIniFile);
    EXPECT_FALSE(ExeNameModesFromPath(L"C:\\o.exe").useIniFile);
    EXPECT_FALSE(ExeNameModesFromPath(L"_o.exe").useIniFile); // not longer than 7 characters
    EXPECT_TRUE(ExeNameModesFromPath(L"x\\_o.exe").useIniFile);
}

TEST(Language, EnvironmentVariableDecides) {
    SetEnvironmentVariableW(L"PASTREL_LANG", L"ja");
    EXPECT_TRUE(DecideJapaneseUi());
    SetEnvironmentVariableW(L"PASTREL_LANG", L"EN");
    EXPECT_FALSE(DecideJapaneseUi());
    SetEnvironmentVariableW(L"PASTREL_LANG", L"jap");
    EXPECT_FALSE(DecideJapaneseUi());
    SetEnvironmentVariableW(L"PASTREL_LANG", (std::wstring(100, L' ') + L"JA").c_str());
    EXPECT_FALSE(DecideJapaneseUi());
    SetEnvironmentVariableW(L"PASTREL_LANG", nullptr);
    EXPECT_EQ(DecideJapaneseUi(), (GetSystemDefaultLangID() & 0x3FF) == LANG_JAPANESE);
}

TEST(SystemLibrary, LoadsFromTheSystemFolderAndKeepsTheCurrentDirectory) {
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    HMODULE user32 = LoadSystemLibrary(L"user32.dll");
    ASSERT_NE(user32, nullptr);
    wchar_t after[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(before, after);
    FreeLibrary(user32);
    EXPECT_EQ(LoadSystemLibrary(L"no-such-library.dll"), nullptr);
}

TEST(OsVersion, MajorTimesHundredPlusMinor) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = GetProcedure<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    ASSERT_NE(rtlGetVersion, nullptr);
    rtlGetVersion(&info);
    EXPECT_EQ(GetOsVersionNumber(), static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion));
}

TEST(CurrentDirectory, BecomesTheExecutablesFolder) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.rfind(L'\\'));
    SetCurrentDirectoryW(L"C:\\");
    SetCurrentDirectoryToExe();
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(lstrcmpiW(current, folder.c_str()), 0);
}

} // namespace

#include "app/app.h"
#include "app/tray_icon.h"
#include "base/notices.h"
#include "base/test_hooks.h"

#include <fstream>
#include <iterator>

namespace {

// The balloons a window shows, read back from the test log.
class Balloons : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        log_ = std::wstring(temp) + L"pastrel-balloons-" + std::to_wstring(GetCurrentProcessId()) + L".log";
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"PASTREL_TEST_LOG", log_.c_str());
        InitTestHooks();
        window_ = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        g_app.mainWindow = window_;
        InstallTrayFeedback();
        ClearNotices();
    }
    void TearDown() override {
        DestroyWindow(window_);
        SetEnvironmentVariableW(L"PASTREL_TEST_LOG", nullptr);
        InitTestHooks();
        DeleteFileW(log_.c_str());
    }
    std::string Log() {
        std::ifstream file(log_.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::wstring log_;
    HWND window_ = nullptr;
};

TEST_F(Balloons, WarningAndErrorShowAsOneErrorBalloon) {
    AddNotice(L"a warning", NOTICE_WARNING);
    AddNotice(L"an error", NOTICE_ERROR);
    AddNotice(L"info", NOTICE_INFO);
    ShowNotices();
    EXPECT_EQ(Log(), std::string("notice 3 a warning\r\n-----\r\nan error\r\n-----\r\ninfo") + '\0');
}

TEST_F(Balloons, LongNoticesAreCutTo255Characters) {
    AddNotice(std::wstring(300, L'n'), NOTICE_WARNING);
    ShowNotices();
    EXPECT_EQ(Log(), "notice 2 " + std::string(255, 'n') + '\0');
}

TEST_F(Balloons, NothingCollectedShowsNothing) {
    ShowNotices();
    AddNotice(L"cleared", NOTICE_ERROR);
    ClearNotices();
    ShowNotices();
    EXPECT_EQ(Log(), "");
}

} // namespace

// ---- Japanese and English resource pairs ----------------------------------------------------------------------

#include "res/resource.h"
#include "ui/guide_ids.h"
#include "ui/hotkey_ids.h"
#include "ui/mul_by_n_ids.h"
#include "ui/regex_ids.h"
#include "ui/settings_ids.h"

#include <algorithm>
#include <cstring>

#include <string>
#include <vector>

namespace {

// The built program's resources, as the program itself would find them.
class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring exe(path);
        exe.resize(exe.rfind(L'\\') + 1);
        exe += L"Pastrel.exe";
        module_ = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

// Every item of a menu in order: its id, kind and state, submenus nested in braces. The labels differ by language.
void DescribeMenu(HMENU menu, std::vector<std::wstring>& shape) {
    int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &info);
        // A submenu's item reports the submenu's handle as its id.
        std::wstring id = info.hSubMenu ? L"submenu" : std::to_wstring(info.wID);
        shape.push_back(id + L" type " + std::to_wstring(info.fType) + L" state " + std::to_wstring(info.fState));
        if (info.hSubMenu) {
            shape.push_back(L"{");
            DescribeMenu(info.hSubMenu, shape);
            shape.push_back(L"}");
        }
    }
}

std::vector<std::wstring> MenuShape(HMODULE module, int id) {
    std::vector<std::wstring> shape;
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(id));
    if (!menu) return shape;
    DescribeMenu(menu, shape);
    DestroyMenu(menu);
    return shape;
}

// Reads a DIALOGEX template: the controls that carry an id, each as "id class style" in order. Labels (id -1)
// may differ between the languages, as the English already-running dialog has one line more.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : p_(data), end_(data + size) {}
    std::vector<std::wstring> ControlsWithIds() {
        std::vector<std::wstring> shape;
        if (Word() != 1 || Word() != 0xFFFF) return shape; // DIALOGEX signature
        Skip(4 + 4);                                       // help id, extended style
        DWORD style = Dword();
        WORD count = Word();
        Skip(8);   // x, y, cx, cy
        SzOrOrd(); // menu
        SzOrOrd(); // class
        SzOrOrd(); // title
        if (style & (DS_SETFONT | DS_SHELLFONT)) {
            Skip(2 + 2 + 1 + 1); // point size, weight, italic, charset
            SzOrOrd();           // typeface
        }
        for (WORD i = 0; i < count && p_ < end_; ++i) {
            Align();
            Skip(4 + 4); // help id, extended style
            DWORD controlStyle = Dword();
            Skip(8);
            int id = static_cast<int>(Dword());
            std::wstring cls = SzOrOrd();
            SzOrOrd(); // text
            Skip(Word());
            if (id != -1 && id != 0xFFFF)
                shape.push_back(std::to_wstring(id) + L" " + cls + L" " + std::to_wstring(controlStyle));
        }
        return shape;
    }

private:
    WORD Word() {
        WORD w = 0;
        if (p_ + 2 <= end_) memcpy(&w, p_, 2);
        p_ += 2;
        return w;
    }
    DWORD Dword() {
        DWORD d = 0;
        if (p_ + 4 <= end_) memcpy(&d, p_, 4);
        p_ += 4;
        return d;
    }
    void Skip(size_t n) { p_ += n; }
    void Align() { p_ += (4 - reinterpret_cast<uintptr_t>(p_) % 4) % 4; }
    std::wstring SzOrOrd() {
        WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring text;
        for (WORD c = first; c != 0 && p_ < end_; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    const BYTE* p_;
    const BYTE* end_;
};

std::vector<std::wstring> DialogShape(HMODULE module, int id) {
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!info) return {};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
    return data ? TemplateReader(data, SizeofResource(module, info)).ControlsWithIds() : std::vector<std::wstring>{};
}

TEST_F(ProgramResources, DialogPairsDeclareTheSameControls) {
    struct Pair {
        int japanese, english;
        std::vector<int> japaneseOnly; // controls the other layout leaves out on purpose
    };
    // The English settings layout has no enlarged-dialog option and none of the Japanese explanatory texts.
    for (const Pair& pair :
         {Pair{IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN, {}}, Pair{IDD_MUL_BY_N_JA, IDD_MUL_BY_N_EN, {}},
          Pair{IDD_REGEX_JA, IDD_REGEX_EN, {}}, Pair{IDD_HOTKEY_JA, IDD_HOTKEY_EN, {}},
          Pair{IDD_SETTINGS_JA, IDD_SETTINGS_EN, {IDC_SET_BIGDIALOG, IDC_SET_CMDLINE_LABEL, IDC_SET_FLOATING_TEXT}}}) {
        SCOPED_TRACE(pair.japanese);
        std::vector<std::wstring> japanese = DialogShape(module_, pair.japanese);
        ASSERT_FALSE(japanese.empty());
        size_t declared = japanese.size();
        for (int id : pair.japaneseOnly) {
            std::wstring prefix = std::to_wstring(id) + L" ";
            japanese.erase(std::remove_if(japanese.begin(), japanese.end(),
                                          [&](const std::wstring& c) { return c.rfind(prefix, 0) == 0; }),
                           japanese.end());
        }
        EXPECT_EQ(japanese.size(), declared - pair.japaneseOnly.size()); // each one-language id is really there
        EXPECT_EQ(japanese, DialogShape(module_, pair.english));
    }
}

TEST_F(ProgramResources, MenuPairsDeclareTheSameItems) {
    struct Pair {
        int japanese, english;
    };
    for (Pair pair : {Pair{IDM_MENU_JA, IDM_MENU_EN}}) {
        SCOPED_TRACE(pair.japanese);
        std::vector<std::wstring> japanese = MenuShape(module_, pair.japanese);
        ASSERT_FALSE(japanese.empty());
        EXPECT_EQ(japanese, MenuShape(module_, pair.english));
    }
}

} // namespace
