// The settings dialog, opened from the tray menu and driven by control id as a user would: what it shows from the
// store, what OK stores (registry and ini file), what Cancel and the validation boxes keep, and the start-up shortcut.
#include "pastrel_test.h"

#include "ui/hotkey_ids.h"
#include "ui/settings_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

namespace {

constexpr wchar_t kTitleEn[] = L"Settings - Pastrel";
constexpr wchar_t kTitleJa[] = L"設定 - パストレル";

int Selection(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0)); }
int Position(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0)); }

void Pick(HWND dialog, int id, int index) { SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0); }
void SelectRadio(HWND dialog, int id) {
    for (int radio : {IDC_SET_CHARCODE_ANSI, IDC_SET_CHARCODE_UTF16, IDC_SET_CHARCODE_UTF8})
        SendDlgItemMessageW(dialog, radio, BM_SETCHECK, radio == id ? BST_CHECKED : BST_UNCHECKED, 0);
}

struct Box {
    std::wstring caption, text;
};
// The message box shown over the dialog: its caption and text, after pressing its OK.
Box AnswerBox(PastrelProcess& pastrel, HWND dialog) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND w : VisibleWindowsOf(pastrel.ProcessId(), L"#32770"))
            if (w != dialog && GetWindow(w, GW_OWNER) == dialog) box = w;
        return box != nullptr;
    });
    if (!box) return {L"(no box)", L""};
    wchar_t caption[128] = {};
    GetWindowTextW(box, caption, 128);
    Box answer{caption, DialogItemText(box, 0xFFFF)};
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(box); });
    return answer;
}

// Returns once the dialog has gone and the main window has finished with its result (saved or not): the main
// window answers a sent message only after that.
void WaitClosed(PastrelProcess& pastrel, HWND dialog) {
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(pastrel.Window(), WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored));
}

// Presses OK or Cancel.
void Close(PastrelProcess& pastrel, HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, button, 0);
    WaitClosed(pastrel, dialog);
}

std::wstring StoredString(const wchar_t* name) {
    std::wstring value(4200, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
        ERROR_SUCCESS)
        return L"(missing)";
    value.resize(size / sizeof(wchar_t) - 1);
    return value;
}

DWORD StoredValueCount() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return values;
}

PastrelProcess::Options InLanguage(const std::wstring& language, const std::wstring& exePath = {}) {
    PastrelProcess::Options options;
    options.language = language;
    options.exePath = exePath;
    return options;
}

std::wstring StartupFolder() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

// The target of a shell link read back through the shell's own interfaces; empty when it is no link.
std::wstring LinkTarget(const std::wstring& path) {
    CoInitialize(nullptr);
    std::wstring target;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t buffer[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH)))
                target = buffer;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return target;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The user's Startup folder redirected (as a policy or a roaming profile may) to where no folder can be, for as long
// as the object lives.
class RedirectedStartupFolder {
public:
    explicit RedirectedStartupFolder(const std::wstring& folder) {
        RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &key_);
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        if (RegQueryValueExW(key_, L"Startup", nullptr, &type_, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
            original_ = value;
        Set(folder, REG_SZ);
    }
    ~RedirectedStartupFolder() {
        if (original_.empty()) RegDeleteValueW(key_, L"Startup");
        else Set(original_, type_);
        RegCloseKey(key_);
    }
    RedirectedStartupFolder(const RedirectedStartupFolder&) = delete;
    RedirectedStartupFolder& operator=(const RedirectedStartupFolder&) = delete;

private:
    static constexpr wchar_t kShellFolders[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    void Set(const std::wstring& folder, DWORD type) {
        RegSetValueExW(key_, L"Startup", 0, type, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    HKEY key_ = nullptr;
    DWORD type_ = REG_EXPAND_SZ;
    std::wstring original_;
};

class SettingsDialog : public PastrelTest {
protected:
    void TearDown() override {
        for (const wchar_t* name : {L"\\Pastrel.lnk", L"\\パストレル.lnk"}) {
            std::wstring path = StartupFolder() + name;
            DeleteFileW(path.c_str());
            RemoveDirectoryW(path.c_str());
        }
        PastrelTest::TearDown();
    }
};

TEST_F(SettingsDialog, ShowsTheStoredSettingsFollowsTheCheckBoxesAndOkStoresEachSetting) {
    StoreSetting(L"SHOW_BALLOON", 1);
    StoreSetting(L"PLAY_SOUND", 1);
    StoreSetting(L"PLAY_SOUND_FNAME", std::wstring(L"C:\\done.wav"));
    StoreSetting(L"ALPHA_FLOATING", 100);
    StoreSetting(L"ALPHA_FLOATING2", 200);
    StoreSetting(L"CHKCLOSE_FLOATING", 1);
    StoreSetting(L"MultiDivSec", 4000);
    StoreSetting(L"Delay1Sec", 1000);
    StoreSetting(L"CMDLINE", std::wstring(L"sort /r"));
    StoreSetting(L"CMDLINE_CHARCODE", 2);
    PastrelProcess pastrel;
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_BALLOON), L"Displ&ay a toast notification or balloon tip");
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_HELP), L"&Help(Japanese)");
    EXPECT_EQ(GetDlgItem(dialog, IDC_SET_BIGDIALOG), nullptr);
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_BALLOON));
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_SOUND));
    EXPECT_TRUE(ItemEnabled(dialog, IDC_SET_SOUND_FILE));
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_SOUND_FILE), L"C:\\done.wav");
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_FLOATING));
    for (int id : {IDC_SET_OPACITY_LABEL, IDC_SET_OPACITY, IDC_SET_HOVER_OPACITY, IDC_SET_CONFIRM_CLOSE})
        EXPECT_FALSE(ItemEnabled(dialog, id)) << id;
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_CONFIRM_CLOSE));
    EXPECT_EQ(Position(dialog, IDC_SET_OPACITY), 100);
    EXPECT_EQ(Position(dialog, IDC_SET_HOVER_OPACITY), 200);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_SET_OPACITY, TBM_GETRANGEMAX, 0, 0), 255);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_SET_OPACITY, TBM_GETPAGESIZE, 0, 0), 25);
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_STARTUP));
    EXPECT_EQ(ComboEntry(dialog, IDC_SET_RECOPY_INTERVAL, 7), L"10 seconds");
    EXPECT_EQ(Selection(dialog, IDC_SET_RECOPY_INTERVAL), 4);
    EXPECT_EQ(ComboEntry(dialog, IDC_SET_DELAY, 0), L"Immediately");
    EXPECT_EQ(Selection(dialog, IDC_SET_DELAY), 5);
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_CMDLINE_ENABLE));
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_CMDLINE), L"sort /r");
    for (int id : {IDC_SET_CMDLINE, IDC_SET_CMDLINE_BROWSE, IDC_SET_CHARCODE_LABEL, IDC_SET_CHARCODE_UTF8})
        EXPECT_FALSE(ItemEnabled(dialog, id)) << id;
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_CHARCODE_UTF8));
    // The dialog sits in the bottom-right corner of the work area.
    RECT work{}, placed{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog, &placed);
    EXPECT_EQ(placed.right, work.right);
    EXPECT_EQ(placed.bottom, work.bottom);

    ClickCheckBox(dialog, IDC_SET_SOUND);
    EXPECT_FALSE(ItemEnabled(dialog, IDC_SET_SOUND_FILE));
    EXPECT_FALSE(ItemEnabled(dialog, IDC_SET_SOUND_BROWSE));
    ClickCheckBox(dialog, IDC_SET_FLOATING);
    for (int id : {IDC_SET_OPACITY_LABEL, IDC_SET_OPACITY_LOW, IDC_SET_OPACITY_HIGH, IDC_SET_HOVER_LABEL,
                   IDC_SET_OPACITY, IDC_SET_HOVER_OPACITY, IDC_SET_CONFIRM_CLOSE})
        EXPECT_TRUE(ItemEnabled(dialog, id)) << id;
    ClickCheckBox(dialog, IDC_SET_CMDLINE_ENABLE);
    for (int id : {IDC_SET_CMDLINE, IDC_SET_CMDLINE_BROWSE, IDC_SET_CHARCODE_LABEL, IDC_SET_CHARCODE_ANSI,
                   IDC_SET_CHARCODE_UTF16, IDC_SET_CHARCODE_UTF8})
        EXPECT_TRUE(ItemEnabled(dialog, id)) << id;
    ClickCheckBox(dialog, IDC_SET_BALLOON);
    ClickCheckBox(dialog, IDC_SET_CONFIRM_CLOSE);
    SetDlgItemTextW(dialog, IDC_SET_SOUND_FILE, L"");
    SetDlgItemTextW(dialog, IDC_SET_CMDLINE, L"more");
    SlideTrackbar(dialog, IDC_SET_OPACITY, 30);
    SlideTrackbar(dialog, IDC_SET_HOVER_OPACITY, 240);
    Pick(dialog, IDC_SET_RECOPY_INTERVAL, 0);
    Pick(dialog, IDC_SET_DELAY, 2);
    SelectRadio(dialog, IDC_SET_CHARCODE_UTF16);
    Close(pastrel, dialog, IDOK);

    EXPECT_EQ(StoredSettingDword(L"SHOW_BALLOON"), 0u);
    EXPECT_EQ(StoredSettingDword(L"PLAY_SOUND"), 0u);
    EXPECT_EQ(StoredString(L"PLAY_SOUND_FNAME"), L""); // an empty name is fine while the sound is off
    EXPECT_EQ(StoredSettingDword(L"SHOW_FLOATING"), 1u);
    EXPECT_EQ(StoredSettingDword(L"ALPHA_FLOATING"), 30u);
    EXPECT_EQ(StoredSettingDword(L"ALPHA_FLOATING2"), 240u);
    EXPECT_EQ(StoredSettingDword(L"CHKCLOSE_FLOATING"), 0u);
    EXPECT_EQ(StoredSettingDword(L"MultiDivSec"), 500u);
    EXPECT_EQ(StoredSettingDword(L"Delay1Sec"), 200u);
    EXPECT_EQ(StoredSettingDword(L"USE_CMDLINE"), 1u);
    EXPECT_EQ(StoredString(L"CMDLINE"), L"more");
    EXPECT_EQ(StoredSettingDword(L"CMDLINE_CHARCODE"), 1u);
    EXPECT_EQ(StoredSettingDword(L"BIGDIALOG"), 0u);
}

TEST_F(SettingsDialog, OddStoredValuesShowTheListsChoicesAndOkStoresSoundOnes) {
    StoreSetting(L"MultiDivSec", 3000);
    StoreSetting(L"Delay1Sec", 300);
    StoreSetting(L"CMDLINE_CHARCODE", 5);
    StoreSetting(L"ALPHA_FLOATING", 400);
    StoreSetting(L"SK1_VKEY", 0x20);
    StoreSetting(L"USE_CMDLINE", 1);
    const std::wstring longCommand = L"cmd " + std::wstring(2045, L'x'); // the longest a store keeps
    StoreSetting(L"CMDLINE", longCommand);
    StoreSetting(L"PLAY_SOUND_FNAME", std::wstring(2049, L's'));
    PastrelProcess pastrel;
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Selection(dialog, IDC_SET_RECOPY_INTERVAL), 1);
    EXPECT_EQ(Selection(dialog, IDC_SET_DELAY), 5); // the store reads an unknown delay as 1 second
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_CHARCODE_ANSI));
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_CHARCODE_UTF16) || ItemChecked(dialog, IDC_SET_CHARCODE_UTF8));
    EXPECT_EQ(Position(dialog, IDC_SET_OPACITY), 255);
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_CMDLINE), longCommand);
    Close(pastrel, dialog, IDOK);
    EXPECT_EQ(StoredSettingDword(L"MultiDivSec"), 1000u);
    EXPECT_EQ(StoredSettingDword(L"Delay1Sec"), 1000u);
    EXPECT_EQ(StoredSettingDword(L"CMDLINE_CHARCODE"), 0u);
    EXPECT_EQ(StoredSettingDword(L"ALPHA_FLOATING"), 255u);
    EXPECT_EQ(StoredString(L"CMDLINE"), longCommand);
    EXPECT_EQ(StoredString(L"PLAY_SOUND_FNAME"), std::wstring(2049, L's'));
}

TEST_F(SettingsDialog, ValidationBoxesKeepTheDialogAndCancelStoresNothing) {
    struct Expected {
        const wchar_t *language, *title, *noCommand, *noSound;
    };
    for (Expected e :
         {Expected{L"EN", kTitleEn, L"Please specify the command line.", L"Please specify the sound file name."},
          Expected{L"JA", kTitleJa, L"コマンドラインを入力して下さい。", L"サウンドファイル名を入力して下さい。"}}) {
        SCOPED_TRACE(ToUtf8(e.language));
        ClearStoredSettings(); // the previous round's program saved its settings as it ended
        StoreSetting(L"NoOpeningDlg", 1);
        PastrelProcess pastrel(InLanguage(e.language));
        HWND dialog = OpenSettingsDialog(pastrel, e.title);
        ASSERT_TRUE(dialog);
        ClickCheckBox(dialog, IDC_SET_BALLOON); // a change above the failing fields, which must not be stored either
        ClickCheckBox(dialog, IDC_SET_CMDLINE_ENABLE);
        ClickCheckBox(dialog, IDC_SET_SOUND);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        Box box = AnswerBox(pastrel, dialog);
        EXPECT_EQ(box.text, e.noCommand);
        EXPECT_EQ(box.caption, L"コマンドライン指定");
        EXPECT_TRUE(IsWindow(dialog));
        SetDlgItemTextW(dialog, IDC_SET_CMDLINE, L"sort");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        box = AnswerBox(pastrel, dialog);
        EXPECT_EQ(box.text, e.noSound);
        EXPECT_EQ(box.caption, L"サウンドファイル指定");
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(StoredValueCount(), 1u);
        Close(pastrel, dialog, IDCANCEL);
        EXPECT_EQ(StoredValueCount(), 1u);
        // What the program keeps in memory is unchanged too: its next save stores the defaults.
        pastrel.Stop();
        EXPECT_EQ(StoredSettingDword(L"SHOW_BALLOON"), 0u);
        EXPECT_EQ(StoredSettingDword(L"USE_CMDLINE"), 0u);
    }
}

// The programs whose copies are left alone: shown from the store, refused with a message while the list is too long
// (the dialog stays, nothing is stored), stored tidied; blanks and paths do not count against the limit.
TEST_F(SettingsDialog, ExcludedProgramsAreStoredTidiedAndATooLongListIsRefused) {
    struct Expected {
        const wchar_t *language, *title, *tooLong;
    };
    for (Expected e :
         {Expected{L"EN", kTitleEn,
                   L"The list of excluded programs is too long. Please keep it within 2049 characters."},
          Expected{L"JA", kTitleJa, L"除外するプログラムの一覧が長すぎます。2049 文字以内にしてください。"}}) {
        SCOPED_TRACE(ToUtf8(e.language));
        ClearStoredSettings();
        StoreSetting(L"NoOpeningDlg", 1);
        StoreSetting(L"ExcludePrograms", std::wstring(L"WINWORD.EXE"));
        PastrelProcess pastrel(InLanguage(e.language));
        HWND dialog = OpenSettingsDialog(pastrel, e.title);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(DialogItemText(dialog, IDC_SET_EXCLUDE), L"WINWORD.EXE");
        std::wstring tooLong;
        while (tooLong.size() < 2100) tooLong += L"program.exe;";
        SetDlgItemTextW(dialog, IDC_SET_EXCLUDE, tooLong.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        Box box = AnswerBox(pastrel, dialog);
        EXPECT_EQ(box.text, e.tooLong);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(StoredString(L"ExcludePrograms"), L"WINWORD.EXE");
        const std::wstring untidy = std::wstring(3000, L' ') + L" C:\\Office\\EXCEL.EXE ;; soffice.bin ;";
        SetDlgItemTextW(dialog, IDC_SET_EXCLUDE, untidy.c_str());
        Close(pastrel, dialog, IDOK);
        EXPECT_EQ(StoredString(L"ExcludePrograms"), L"EXCEL.EXE;soffice.bin");
    }
}

// The button adds the program behind the last copy made elsewhere (this test's own executable), and the list acts at
// once: the next copy from that program stays formatted.
TEST_F(SettingsDialog, AddTheLastProgramListsTheCopyingProgramAndItsCopiesStayFormatted) {
    StoreSetting(L"ExcludePrograms", std::wstring(L"WINWORD.EXE"));
    PastrelProcess pastrel(InLanguage(L"EN"));
    ASSERT_TRUE(app.CopyFormattedText(L"noted"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SET_EXCLUDE_ADD, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SET_EXCLUDE_ADD)));
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_EXCLUDE), L"WINWORD.EXE;e2e_tests.exe");
    Close(pastrel, dialog, IDOK);
    EXPECT_EQ(StoredString(L"ExcludePrograms"), L"WINWORD.EXE;e2e_tests.exe");
    EXPECT_TRUE(FormattedCopyStays(600));
}

TEST_F(SettingsDialog, JapaneseOkWritesTheIniFileAndExplainsTheEnlargedDialog) {
    std::wstring exe = CopyExeAs(L"Pastrel_o.exe");
    std::wstring ini = exe.substr(0, exe.rfind(L'\\')) + L"\\Pastrel.ini";
    {
        std::ofstream file(ini.c_str(), std::ios::binary);
        const std::wstring content = L"\xFEFF[cb_main]\r\nNoOpeningDlg=1\r\nMultiDivSec=8000\r\n";
        file.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size() * 2));
    }
    PastrelProcess pastrel(InLanguage(L"JA", exe));
    HWND dialog = OpenSettingsDialog(pastrel, kTitleJa);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_BIGDIALOG), L"設定画面強制拡大");
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_CHARCODE_ANSI), L"SJIS(ASCII)");
    EXPECT_EQ(ComboEntry(dialog, IDC_SET_RECOPY_INTERVAL, 6), L"8秒間隔");
    EXPECT_EQ(Selection(dialog, IDC_SET_RECOPY_INTERVAL), 6);
    EXPECT_EQ(ComboEntry(dialog, IDC_SET_DELAY, 5), L"1.0秒遅れ");
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_BIGDIALOG));
    EXPECT_FALSE(ItemEnabled(dialog, IDC_SET_FLOATING_TEXT));
    EXPECT_FALSE(ItemEnabled(dialog, IDC_SET_CMDLINE_LABEL));
    ClickCheckBox(dialog, IDC_SET_BIGDIALOG);
    Pick(dialog, IDC_SET_DELAY, 4);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    Box box = AnswerBox(pastrel, dialog);
    EXPECT_EQ(box.caption, L"設定画面強制拡大");
    EXPECT_EQ(box.text.rfind(L"「設定画面強制拡大」はテスト中の機能です。", 0), 0u);
    WaitClosed(pastrel, dialog);

    std::ifstream file(ini.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    for (const wchar_t* line : {L"\r\nMultiDivSec=8000\r\n", L"\r\nDelay1Sec=700\r\n", L"\r\nBIGDIALOG=1\r\n",
                                L"\r\nSHOW_BALLOON=0\r\n", L"\r\nCMDLINE=\r\n"})
        EXPECT_NE(text.find(line), std::wstring::npos) << ToUtf8(line);
    EXPECT_NE(StoredSettingDword(L"Delay1Sec"), 700u); // nothing went to the registry

    // Switched off again: the other explanation.
    dialog = OpenSettingsDialog(pastrel, kTitleJa);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_BIGDIALOG));
    ClickCheckBox(dialog, IDC_SET_BIGDIALOG);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    box = AnswerBox(pastrel, dialog);
    EXPECT_EQ(box.text, L"次回設定画面を開いたときから、元のサイズに戻ります。");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
}

TEST_F(SettingsDialog, StartupShortcutIsARealLinkNamedAfterTheLanguagesProductTitle) {
    const std::wstring japaneseLink = StartupFolder() + L"\\パストレル.lnk";
    {
        PastrelProcess pastrel(InLanguage(L"JA"));
        HWND dialog = OpenSettingsDialog(pastrel, kTitleJa);
        ASSERT_TRUE(dialog);
        EXPECT_FALSE(ItemChecked(dialog, IDC_SET_STARTUP));
        ClickCheckBox(dialog, IDC_SET_STARTUP);
        Close(pastrel, dialog, IDOK);
        EXPECT_TRUE(Exists(japaneseLink));
        std::wstring target = LinkTarget(japaneseLink);
        EXPECT_EQ(lstrcmpiW(target.c_str(), PastrelExePath().c_str()), 0) << ToUtf8(target);
    }
    {
        // The English UI looks for its own name.
        PastrelProcess pastrel(InLanguage(L"EN"));
        HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
        ASSERT_TRUE(dialog);
        EXPECT_FALSE(ItemChecked(dialog, IDC_SET_STARTUP));
        Close(pastrel, dialog, IDCANCEL);
    }
    PastrelProcess pastrel(InLanguage(L"JA"));
    HWND dialog = OpenSettingsDialog(pastrel, kTitleJa);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_STARTUP));
    ClickCheckBox(dialog, IDC_SET_STARTUP);
    Close(pastrel, dialog, IDOK);
    EXPECT_FALSE(Exists(japaneseLink));
}

TEST_F(SettingsDialog, AShortcutThatCannotBeDeletedIsReportedAndOkGoesOn) {
    const std::wstring blocked = StartupFolder() + L"\\Pastrel.lnk";
    ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr)); // something that is no file stands in its place
    PastrelProcess pastrel;
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_STARTUP));
    ClickCheckBox(dialog, IDC_SET_STARTUP);
    ClickCheckBox(dialog, IDC_SET_BALLOON);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    Box box = AnswerBox(pastrel, dialog);
    EXPECT_EQ(box.caption, L"Pastrel");
    EXPECT_EQ(box.text, L"Cannot delete a shortcut file.\n\n" + blocked);
    WaitClosed(pastrel, dialog);
    EXPECT_EQ(StoredSettingDword(L"SHOW_BALLOON"), 1u);
}

TEST_F(SettingsDialog, AStartupFolderThatRefusesTheShortcutIsReportedAndOkGoesOn) {
    std::wstring blocker = MakeTempDir(L"startup-blocked") + L"\\a-file";
    std::ofstream(blocker.c_str()) << "not a folder";
    const std::wstring folder = blocker + L"\\Startup";
    RedirectedStartupFolder redirected(folder);
    PastrelProcess pastrel;
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_STARTUP));
    ClickCheckBox(dialog, IDC_SET_STARTUP);
    Pick(dialog, IDC_SET_DELAY, 1);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    Box box = AnswerBox(pastrel, dialog);
    EXPECT_EQ(box.caption, L"Pastrel");
    EXPECT_EQ(box.text, L"Cannot create a shortcut file.\n\n" + folder + L"\\Pastrel.lnk");
    WaitClosed(pastrel, dialog);
    EXPECT_EQ(StoredSettingDword(L"Delay1Sec"), 100u);
}

TEST_F(SettingsDialog, FeedbackOpensTheMakersPageAndNonSaveModeSaysSoInTheTitle) {
    RecordBrowserRequests();
    PastrelProcess pastrel(InLanguage(L"EN", CopyExeAs(L"Pastrel_n.exe")));
    HWND dialog = OpenSettingsDialog(pastrel, L"Settings - Pastrel (Non-Save Mode)");
    ASSERT_TRUE(dialog);
    PostMessageW(dialog, WM_COMMAND, IDC_SET_FEEDBACK, 0);
    EXPECT_TRUE(WaitUntil(
        [] { return BrowserRequests().find("https://pastrel.example.org/ifa.php?PASTREL") != std::string::npos; }));
    Close(pastrel, dialog, IDCANCEL);
}

TEST_F(SettingsDialog, EnlargedDialogFillsTheWorkAreaHeightInItsBottomRightCorner) {
    StoreSetting(L"BIGDIALOG", 1);
    PastrelProcess pastrel(InLanguage(L"JA"));
    HWND dialog = OpenSettingsDialog(pastrel, kTitleJa);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_BIGDIALOG));
    RECT work{}, placed{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog, &placed);
    // The dialog is taller than wide, so its height is what reaches the work area's edge.
    EXPECT_GE(placed.bottom - placed.top, (work.bottom - work.top) * 9 / 10);
    EXPECT_LE(placed.bottom - placed.top, work.bottom - work.top);
    EXPECT_EQ(placed.right, work.right);
    EXPECT_EQ(placed.bottom, work.bottom);
    Close(pastrel, dialog, IDCANCEL);
}

// The dialog comes forward too, but only for a moment: the menu that follows takes the foreground.
TEST_F(SettingsDialog, TheTrayMenuWhileItIsOpenAsksToCloseIt) {
    PastrelProcess pastrel(Observed());
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    pastrel.ClearLog();
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    std::vector<Notice> notices = pastrel.Notices();
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().level, 2u);
    EXPECT_EQ(notices.back().text, L"Close the dialog box.");
    // Closing the menu lets the dialog end.
    pastrel.MenuKeys({VK_ESCAPE});
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    Close(pastrel, dialog, IDCANCEL);
}

// The open-file dialog the Browse buttons show, found by its title among the program's windows.
HWND FileDialog(PastrelProcess& pastrel, const wchar_t* title) { return WaitForDialog(pastrel.ProcessId(), title); }

TEST_F(SettingsDialog, BrowseButtonsPutTheChosenFileIntoTheirFieldAndCancelKeepsIt) {
    std::wstring sound = MakeTempDir(L"browse") + L"\\chime.wav";
    std::ofstream(sound.c_str()) << "RIFF";
    StoreSetting(L"PLAY_SOUND", 1);
    StoreSetting(L"USE_CMDLINE", 1);
    StoreSetting(L"CMDLINE", std::wstring(L"sort"));
    PastrelProcess pastrel;
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    PostMessageW(dialog, WM_COMMAND, IDC_SET_SOUND_BROWSE, 0);
    HWND chooser = FileDialog(pastrel, L"Choose a sound file");
    ASSERT_TRUE(chooser);
    constexpr int kFileNameField = 0x47C; // the file name box of the system's open-file dialog
    SetDlgItemTextW(chooser, kFileNameField, sound.c_str());
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }));
    EXPECT_EQ(lstrcmpiW(DialogItemText(dialog, IDC_SET_SOUND_FILE).c_str(), sound.c_str()), 0)
        << ToUtf8(DialogItemText(dialog, IDC_SET_SOUND_FILE));

    PostMessageW(dialog, WM_COMMAND, IDC_SET_CMDLINE_BROWSE, 0);
    chooser = FileDialog(pastrel, L"Choose a file");
    ASSERT_TRUE(chooser);
    PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }));
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_CMDLINE), L"sort");
    Close(pastrel, dialog, IDCANCEL);
}

// Windows refuses such a proposal with an invalid-name error, and the chooser opens again without it; Wine takes it as
// it is. Either way the chooser opens, and cancelling it keeps the field.
TEST_F(SettingsDialog, AFieldHoldingNoValidFileNameStillOpensTheChooser) {
    StoreSetting(L"PLAY_SOUND", 1);
    StoreSetting(L"PLAY_SOUND_FNAME", std::wstring(L"C:\\bad<name>|?.wav"));
    PastrelProcess pastrel;
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    PostMessageW(dialog, WM_COMMAND, IDC_SET_SOUND_BROWSE, 0);
    HWND chooser = FileDialog(pastrel, L"Choose a sound file");
    ASSERT_TRUE(chooser);
    PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }));
    EXPECT_EQ(DialogItemText(dialog, IDC_SET_SOUND_FILE), L"C:\\bad<name>|?.wav"); // nothing chosen: the field is kept
    Close(pastrel, dialog, IDCANCEL);
}

// Hotkeys chosen in the hotkey dialog are registered at once (another program can no longer take the combination;
// one that another program holds gives the warning balloon) and saved at once, so cancelling the settings dialog
// afterwards keeps them.
TEST_F(SettingsDialog, HotkeysAreRegisteredAndSavedAtOnce) {
    ASSERT_TRUE(RegisterHotKey(nullptr, 78, MOD_CONTROL, 'W')); // taken here, before Pastrel asks for it
    PastrelProcess pastrel(Observed());
    HWND dialog = OpenSettingsDialog(pastrel, kTitleEn);
    ASSERT_TRUE(dialog);
    PostMessageW(dialog, WM_COMMAND, IDC_SET_HOTKEYS, 0);
    HWND hotkeys = nullptr;
    // Visible once its initialisation has filled the controls.
    ASSERT_TRUE(WaitUntil([&] {
        hotkeys = FindWindowW(L"#32770", L"Assigns Hotkeys");
        return hotkeys && IsWindowVisible(hotkeys);
    }));
    SendDlgItemMessageW(hotkeys, IDC_HOTKEY1_KEY, CB_SETCURSEL, 1 + ('Q' - 'A'), 0); // row 0 is "None"
    SendDlgItemMessageW(hotkeys, IDC_HOTKEY1_CTRL, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(hotkeys, IDC_HOTKEY2_KEY, CB_SETCURSEL, 1 + ('W' - 'A'), 0);
    SendDlgItemMessageW(hotkeys, IDC_HOTKEY2_CTRL, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(hotkeys, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hotkeys); }));
    auto takenByPastrel = [] {
        if (!RegisterHotKey(nullptr, 77, MOD_CONTROL, 'Q')) return true;
        UnregisterHotKey(nullptr, 77);
        return false;
    };
    EXPECT_TRUE(WaitUntil(takenByPastrel));
    EXPECT_TRUE(WaitUntil([] { return StoredSettingDword(L"SK1_VKEY") == DWORD('Q'); })); // saved just after

    EXPECT_EQ(StoredSettingDword(L"SK1_CTRL"), 1u);
    EXPECT_TRUE(WaitUntil([&] {
        for (const Notice& n : pastrel.Notices())
            if (n.level == 2 && n.text == L"Cannot register a hotkey for 'Clipboard Rich Text to Plane Text.'")
                return true;
        return false;
    }));
    Close(pastrel, dialog, IDCANCEL);
    EXPECT_EQ(StoredSettingDword(L"SK1_VKEY"), DWORD('Q'));
    EXPECT_EQ(StoredSettingDword(L"SK2_VKEY"), DWORD('W'));
    UnregisterHotKey(nullptr, 78);
}

} // namespace
