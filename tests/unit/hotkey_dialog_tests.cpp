// The hotkey dialog: its key table and same-hotkey rule on their own, then the real dialog from its real resources,
// run in this process and worked by control id from a second thread as a user would.
#include "base/program.h"
#include "base/text.h"
#include "settings/settings.h"
#include "ui/dialogs.h"
#include "ui/hotkey_ids.h"
#include "ui/hotkey_keys.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

namespace {

TEST(HotkeyKeys, TheListsOfferNoneLettersDigitsAndFunctionKeysOnly) {
    const std::vector<HotkeyKey>& english = HotkeyKeyTable(false);
    const std::vector<HotkeyKey>& japanese = HotkeyKeyTable(true);
    ASSERT_EQ(english.size(), 61u);
    ASSERT_EQ(japanese.size(), 61u);
    EXPECT_EQ(english[0].text, L"None");
    EXPECT_EQ(japanese[0].text, L"なし");
    struct Row {
        int row;
        const wchar_t* text;
        BYTE code;
    };
    for (Row r : {Row{0, nullptr, 0}, Row{1, L"A", 'A'}, Row{26, L"Z", 'Z'}, Row{27, L"0", '0'}, Row{36, L"9", '9'},
                  Row{37, L"F1 key", VK_F1}, Row{60, L"F24 key", VK_F24}}) {
        SCOPED_TRACE(r.row);
        if (r.text) {
            EXPECT_EQ(japanese[r.row].text, r.text);
        }
        EXPECT_EQ(english[r.row].code, r.code);
        EXPECT_EQ(HotkeyKeyRow(r.code), r.row);
    }
    for (size_t row = 0; row < english.size(); ++row) EXPECT_EQ(HotkeyKeyRow(english[row].code), int(row));
    for (BYTE notOffered : {BYTE(VK_SPACE), BYTE(VK_NUMPAD0), BYTE(VK_F24 + 1), BYTE(VK_LEFT), BYTE(0xFF)})
        EXPECT_EQ(HotkeyKeyRow(notOffered), 0) << int(notOffered);
}

TEST(HotkeyKeys, OnlyTheSameKeyWithTheSameModifiersClashes) {
    const HotkeyChoice ctrlA{false, true, false, 'A'};
    EXPECT_TRUE(IsSameHotkey(ctrlA, ctrlA));
    EXPECT_FALSE(IsSameHotkey(ctrlA, {true, true, false, 'A'}));
    EXPECT_FALSE(IsSameHotkey(ctrlA, {false, false, true, 'A'}));
    EXPECT_FALSE(IsSameHotkey(ctrlA, {false, true, false, 'B'}));
    EXPECT_FALSE(IsSameHotkey({true, true, true, 0}, {true, true, true, 0})); // no key registers nothing
    EXPECT_TRUE(IsBareHotkey({false, false, false, 'A'}));
    EXPECT_FALSE(IsBareHotkey({false, false, false, 0}));
    for (HotkeyChoice withModifier : {HotkeyChoice{true, false, false, 'A'}, HotkeyChoice{false, true, false, 'A'},
                                      HotkeyChoice{false, false, true, 'A'}})
        EXPECT_FALSE(IsBareHotkey(withModifier));
}

// ---- The dialog itself ----

// A visible top-level dialog-class window of this process owned by `owner` (any owner when null) and titled `title`
// (any title when null). It is waited for, because it appears only once the other thread has opened it.
HWND WaitForDialogWindow(HWND owner, const wchar_t* title, int attempts = 1000) {
    struct Search {
        HWND owner;
        const wchar_t* title;
        HWND found;
    };
    for (int attempt = 0; attempt < attempts; ++attempt) {
        Search search{owner, title, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                wchar_t className[32]{}, text[128]{};
                GetClassNameW(window, className, 32);
                GetWindowTextW(window, text, 128);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == GetCurrentProcessId() && lstrcmpW(className, L"#32770") == 0 &&
                    IsWindowVisible(window) && (!s->owner || GetWindow(window, GW_OWNER) == s->owner) &&
                    (!s->title || lstrcmpW(text, s->title) == 0))
                    s->found = window;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found || attempt + 1 == attempts) return search.found;
        Sleep(10);
    }
    return nullptr;
}

std::wstring WindowText(HWND window) {
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return text;
}

// The texts of a message box's static controls, joined by '|'.
std::wstring StaticTexts(HWND box) {
    std::wstring texts;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t className[32]{};
            GetClassNameW(child, className, 32);
            if (lstrcmpiW(className, L"Static") == 0 && GetWindowTextLengthW(child) > 0)
                *reinterpret_cast<std::wstring*>(data) += WindowText(child) + L"|";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The tools of the dialog's tooltip window, or -1 when it has none.
int TooltipCount(HWND dialog) {
    HWND tips = nullptr;
    while ((tips = FindWindowExW(nullptr, tips, L"tooltips_class32", nullptr)))
        if (GetWindow(tips, GW_OWNER) == dialog) return int(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    return -1;
}

class HotkeyDialogRun : public testing::Test {
protected:
    void SetUp() override {
        // The test program carries the dialog's resources itself.
        g_resources.instance = GetModuleHandleW(nullptr);
        Settings = SettingsRecord{};
    }
    void TearDown() override { g_language.uiJapanese = true; }

    // Opens the dialog here while `drive` works it from another thread; `drive` ends it or returns false, after
    // which it is cancelled. A message box that `drive` did not expect is closed and fails the test, so that a
    // failing test ends instead of waiting for a click.
    INT_PTR Run(bool japanese, const std::function<bool(HWND dialog)>& drive) {
        g_language.uiJapanese = japanese;
        std::wstring unexpectedBox;
        std::thread driver([&] {
            HWND dialog = WaitForDialogWindow(nullptr, japanese ? L"ホットキーの割当て" : L"Assigns Hotkeys");
            if (!dialog) return;
            if (!drive(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            while (IsWindow(dialog)) {
                if (HWND box = WaitForDialogWindow(dialog, nullptr, 1)) {
                    unexpectedBox += StaticTexts(box);
                    SendMessageW(box, WM_COMMAND, IDOK, 0);
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                }
                Sleep(10);
            }
        });
        INT_PTR result = RunHotkeyDialog(nullptr);
        driver.join();
        EXPECT_EQ(unexpectedBox, L"");
        return result;
    }
};

void Select(HWND dialog, int list, int row) {
    SendDlgItemMessageW(dialog, list, CB_SETCURSEL, row, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
}

void Check(HWND dialog, int box, bool checked) {
    SendDlgItemMessageW(dialog, box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

TEST_F(HotkeyDialogRun, ShowsTheStoredKeysAndOkStoresWhatIsShown) {
    Settings.SK1_CTRL = Settings.SK1_ALT = true;
    Settings.SK1_VKEY = VK_F5;
    Settings.SK2_SHIFT = true;
    Settings.SK2_VKEY = VK_SPACE; // not offered: shown as none, and OK removes it
    int count = 0, row1 = -1, row2 = -1, tooltips = 0;
    std::wstring row0;
    bool boxes[6]{};
    INT_PTR result = Run(false, [&](HWND dialog) {
        count = int(SendDlgItemMessageW(dialog, IDC_HOTKEY1_KEY, CB_GETCOUNT, 0, 0));
        row1 = int(SendDlgItemMessageW(dialog, IDC_HOTKEY1_KEY, CB_GETCURSEL, 0, 0));
        row2 = int(SendDlgItemMessageW(dialog, IDC_HOTKEY2_KEY, CB_GETCURSEL, 0, 0));
        wchar_t text[64]{};
        SendDlgItemMessageW(dialog, IDC_HOTKEY2_KEY, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        row0 = text;
        int ids[6] = {IDC_HOTKEY1_SHIFT, IDC_HOTKEY1_CTRL, IDC_HOTKEY1_ALT,
                      IDC_HOTKEY2_SHIFT, IDC_HOTKEY2_CTRL, IDC_HOTKEY2_ALT};
        for (int i = 0; i < 6; ++i) boxes[i] = IsDlgButtonChecked(dialog, ids[i]) == BST_CHECKED;
        tooltips = TooltipCount(dialog);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(count, 61);
    EXPECT_EQ(row1, HotkeyKeyRow(VK_F5));
    EXPECT_EQ(row2, 0);
    EXPECT_EQ(row0, L"None");
    const bool expected[6] = {false, true, true, true, false, false};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(boxes[i], expected[i]) << i;
    EXPECT_EQ(tooltips, 12); // the English layout has none for the three lists
    EXPECT_EQ(Settings.SK1_VKEY, VK_F5);
    EXPECT_TRUE(Settings.SK1_CTRL && Settings.SK1_ALT && !Settings.SK1_SHIFT);
    EXPECT_EQ(Settings.SK2_VKEY, 0);
    EXPECT_TRUE(Settings.SK2_SHIFT); // kept, though it registers nothing without a key
}

TEST_F(HotkeyDialogRun, TheSameCombinationTwiceIsRefusedUntilOneDiffers) {
    std::wstring caption, message;
    SettingsRecord beforeRefusal;
    INT_PTR result = Run(true, [&](HWND dialog) {
        for (int id : {IDC_HOTKEY1_CTRL, IDC_HOTKEY2_CTRL}) Check(dialog, id, true);
        Select(dialog, IDC_HOTKEY1_KEY, HotkeyKeyRow('A'));
        Select(dialog, IDC_HOTKEY2_KEY, HotkeyKeyRow('A'));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        HWND box = WaitForDialogWindow(dialog, nullptr);
        if (!box) return false;
        caption = WindowText(box);
        message = StaticTexts(box);
        beforeRefusal = Settings;
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        Check(dialog, IDC_HOTKEY2_SHIFT, true);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(caption, L"ホットキーの割り当て");
    EXPECT_NE(message.find(L"同じホットキーは指定できません。"), std::wstring::npos) << message;
    EXPECT_EQ(beforeRefusal.SK1_VKEY, 0); // nothing stored while the box was up
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Settings.SK1_VKEY, 'A');
    EXPECT_EQ(Settings.SK2_VKEY, 'A');
    EXPECT_TRUE(Settings.SK1_CTRL && !Settings.SK1_SHIFT);
    EXPECT_TRUE(Settings.SK2_CTRL && Settings.SK2_SHIFT);
}

TEST_F(HotkeyDialogRun, CancelKeepsTheRecordAndBothNoneIsAccepted) {
    auto chooseBothNone = [](HWND dialog) {
        for (int id : {IDC_HOTKEY1_ALT, IDC_HOTKEY2_ALT}) Check(dialog, id, true);
        Select(dialog, IDC_HOTKEY1_KEY, 0);
        Select(dialog, IDC_HOTKEY2_KEY, 0);
    };
    Settings.SK1_VKEY = 'Q';
    Settings.SK2_VKEY = VK_F12;
    INT_PTR cancelled = Run(true, [&](HWND dialog) {
        chooseBothNone(dialog);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(cancelled, IDCANCEL);
    EXPECT_EQ(Settings.SK1_VKEY, 'Q');
    EXPECT_FALSE(Settings.SK2_ALT);
    INT_PTR accepted = Run(true, [&](HWND dialog) {
        chooseBothNone(dialog);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(accepted, IDOK);
    EXPECT_EQ(Settings.SK1_VKEY, 0);
    EXPECT_EQ(Settings.SK2_VKEY, 0);
    EXPECT_TRUE(Settings.SK1_ALT && Settings.SK2_ALT);
}

// A key alone would be taken from every other program: it is refused with its own message, in both languages, and
// the third row is refused against the first as the second is; once both are mended the third row is stored.
TEST_F(HotkeyDialogRun, ABareKeyAndAThirdRowLikeTheFirstAreRefusedUntilMended) {
    struct Expected {
        bool japanese;
        const wchar_t *bare, *same;
    };
    for (Expected e :
         {Expected{true, L"Shift、Ctrl、Alt のいずれかも選んでください。", L"同じホットキーは指定できません。"},
          Expected{false, L"Please choose Shift, Ctrl or Alt as well.", L"Do not specify the same hotkey."}}) {
        SCOPED_TRACE(e.japanese);
        Settings = SettingsRecord{};
        std::vector<std::wstring> messages;
        SettingsRecord beforeMended;
        INT_PTR result = Run(e.japanese, [&](HWND dialog) {
            auto refusedOk = [&] {
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                HWND box = WaitForDialogWindow(dialog, nullptr);
                if (!box) return false;
                messages.push_back(StaticTexts(box));
                SendMessageW(box, WM_COMMAND, IDOK, 0);
                for (int i = 0; i < 500 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
                return true;
            };
            Select(dialog, IDC_HOTKEY3_KEY, HotkeyKeyRow(VK_F9));
            if (!refusedOk()) return false;
            Check(dialog, IDC_HOTKEY3_ALT, true);
            Check(dialog, IDC_HOTKEY1_ALT, true);
            Select(dialog, IDC_HOTKEY1_KEY, HotkeyKeyRow(VK_F9));
            if (!refusedOk()) return false;
            beforeMended = Settings;
            Check(dialog, IDC_HOTKEY1_CTRL, true);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return true;
        });
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_NE(messages[0].find(e.bare), std::wstring::npos) << testing::PrintToString(messages[0]);
        EXPECT_NE(messages[1].find(e.same), std::wstring::npos) << testing::PrintToString(messages[1]);
        EXPECT_EQ(beforeMended.SK3_VKEY, 0); // nothing stored while refused
        EXPECT_EQ(beforeMended.SK1_VKEY, 0);
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(Settings.SK3_VKEY, VK_F9);
        EXPECT_TRUE(Settings.SK3_ALT && !Settings.SK3_CTRL && !Settings.SK3_SHIFT);
        EXPECT_EQ(Settings.SK1_VKEY, VK_F9);
        EXPECT_TRUE(Settings.SK1_ALT && Settings.SK1_CTRL);
    }
}

} // namespace
