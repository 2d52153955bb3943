// The tray icon: mouse actions as the shell posts them, the popup menu with its check marks driven by keys, commands,
// balloons, hotkeys, the shell restarting, and the line-by-line re-copy.
#include "pastrel_test.h"

#include "app/ids.h"
#include "base/program.h"

#include <gtest/gtest.h>

namespace {

std::wstring StoredString(const wchar_t* name) {
    wchar_t value[256] = {};
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

class Tray : public PastrelTest {};

TEST_F(Tray, SingleClickProcessesAfterTheDoubleClickTime) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    ASSERT_TRUE(FormattedCopyStays());
    PostMessageW(pastrel.Window(), WMU_TRAY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    DWORD start = GetTickCount();
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_GE(GetTickCount() - start, GetDoubleClickTime() - 50);
}

TEST_F(Tray, DoubleClickTogglesMonitoringWithoutProcessing) {
    PastrelProcess pastrel(Observed());
    app.CopyFormattedText(L"before");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    PostMessageW(pastrel.Window(), WMU_TRAY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    PostMessageW(pastrel.Window(), WMU_TRAY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
    PumpFor(200);
    EXPECT_TRUE(FormattedCopyStays(GetDoubleClickTime() + 300)); // off now, and the click never fired
    EXPECT_EQ(StoredSettingDword(L"CBWatchEnabled"), 0u);
    auto changes = pastrel.TrayChanges();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), L"modify off");
}

TEST_F(Tray, MiddleClickEmptiesTheClipboard) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    ASSERT_TRUE(FormattedCopyStays());
    PostMessageW(pastrel.Window(), WMU_TRAY, TRAY_ICON_ID, WM_MBUTTONUP);
    EXPECT_TRUE(WaitUntil([] { return ClipboardFormats().empty(); }));
}

TEST_F(Tray, MiddleClickWhileAnotherProgramHoldsTheClipboardShowsAnError) {
    PastrelProcess pastrel(Observed());
    ASSERT_TRUE(OpenClipboard(app.Window()));
    PostMessageW(pastrel.Window(), WMU_TRAY, TRAY_ICON_ID, WM_MBUTTONUP);
    std::vector<Notice> notices;
    bool shown = WaitUntil([&] {
        notices = pastrel.Notices();
        return !notices.empty();
    });
    CloseClipboard();
    ASSERT_TRUE(shown);
    EXPECT_EQ(notices.back().level, 3u);
    EXPECT_EQ(notices.back().text, L"Cannot open the clipboard.");
}

TEST_F(Tray, CommandMessageAcceptsOnlyItsFiveIds) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    ASSERT_TRUE(FormattedCopyStays());
    for (WPARAM id : {IDM_EMPTY_CLIPBOARD, IDM_TRIMLEFT, IDM_EXIT, IDM_FILES_NAMES, 12345})
        SendMessageW(pastrel.Window(), WMU_COMMAND, id, 0);
    EXPECT_TRUE(IsWindow(pastrel.Window()));
    EXPECT_TRUE(ClipboardHasFormat(HtmlFormat()));
    SendMessageW(pastrel.Window(), WMU_COMMAND, IDM_PROCESS_NOW, 0);
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
    SendMessageW(pastrel.Window(), WMU_COMMAND, IDM_MONITOR_ON, 0);
    EXPECT_EQ(StoredSettingDword(L"CBWatchEnabled"), 1u);
    SendMessageW(pastrel.Window(), WMU_COMMAND, IDM_MONITOR_OFF, 0);
    EXPECT_EQ(StoredSettingDword(L"CBWatchEnabled"), 0u);
    SendMessageW(pastrel.Window(), WMU_COMMAND, IDM_TOGGLE_MONITOR, 0);
    EXPECT_EQ(StoredSettingDword(L"CBWatchEnabled"), 1u);
}

// Check marks as the menu shows them, state by state.
TEST_F(Tray, CheckMarksMirrorTheSettings) {
    StoreSetting(L"FEL_SORTASC", 1);
    StoreSetting(L"FEL_SORTDSC", 1);
    StoreSetting(L"TAB8SPACE", 1);
    StoreSetting(L"MUL_BY_N", std::wstring(L"2"));
    StoreSetting(L"StrConvID", std::wstring(L"NO_SUCH_ENTRY"));
    StoreSetting(L"FileFolderCopy", 5);
    StoreSetting(L"DelTab", 1);
    PastrelProcess pastrel(Observed());
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    MenuState state = pastrel.LastMenuState();
    pastrel.MenuKeys({VK_ESCAPE});
    EXPECT_EQ(state[Item(IDM_TOGGLE_MONITOR)], 0u);
    EXPECT_EQ(state[Item(IDM_PROCESS_NOW)], static_cast<unsigned>(MF_GRAYED));
    EXPECT_EQ(state[Item(IDM_CONVERT_NONE)], static_cast<unsigned>(MF_CHECKED)); // a conversion that no longer exists
    EXPECT_EQ(state[L"pos5"], 0u);
    EXPECT_EQ(state[Item(IDM_CONVERT_FIRST)], 0u);
    EXPECT_EQ(state[Item(IDM_SORTASC)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_SORTDSC)], 0u); // ascending wins the mark
    EXPECT_EQ(state[Item(IDM_TAB8SPACE)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[L"pos8"], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_MUL_BY_N)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_CSV_CHANGEROWCOL)], 0u);
    EXPECT_EQ(state[L"pos10"], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_FILES_NONE)], static_cast<unsigned>(MF_CHECKED)); // an unknown file mode marks "None"
    EXPECT_EQ(state[L"pos9"], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_DEL_TAB)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[L"pos6"], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_MULTIDIV)], 0u);
}

TEST_F(Tray, MenuChoicesChangeTheSettingsAndSortsStayExclusive) {
    PastrelProcess pastrel(Observed());
    // for each line(&Y) -> Sort by &descending order, then -> Sort by &ascending order
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({'Y', 'D'});
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({'Y', 'A'});
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    MenuState state = pastrel.LastMenuState();
    pastrel.MenuKeys({VK_ESCAPE});
    EXPECT_EQ(state[Item(IDM_SORTASC)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_SORTDSC)], 0u);
    EXPECT_EQ(StoredSettingDword(L"FEL_SORTASC", 0), 0u); // per-line toggles wait for the next save
    // Monitoring off through the menu: the rewrite item becomes available and the first item is marked.
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({'O'});
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    state = pastrel.LastMenuState();
    pastrel.MenuKeys({VK_ESCAPE});
    EXPECT_EQ(state[Item(IDM_TOGGLE_MONITOR)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[Item(IDM_PROCESS_NOW)], 0u);
    // Per-line toggles are saved when the program ends, here by "/X" from a second instance.
    EXPECT_EQ(RunPastrel(L"/X"), 0u);
    ASSERT_TRUE(pastrel.WaitExit(5000));
    EXPECT_EQ(StoredSettingDword(L"FEL_SORTASC"), 1u);
    EXPECT_EQ(StoredSettingDword(L"FEL_SORTDSC"), 0u);
}

TEST_F(Tray, ConversionChosenFromTheMenuIsAppliedAndSurvivesARestart) {
    {
        PastrelProcess pastrel(Observed());
        ASSERT_TRUE(pastrel.OpenTrayMenu());
        pastrel.MenuKeys({'V', VK_DOWN, VK_RETURN}); // Con&vert characters -> the first entry of Convert.def
        ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
        EXPECT_EQ(StoredString(L"StrConvID"), L"ASCII_FULL_TO_HALF");
        app.CopyFormattedText(L"ＡＢＣ　１２３");
        ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
        EXPECT_EQ(Clipboard(), L"ABC　123");
    }
    PastrelProcess again(Observed());
    app.CopyFormattedText(L"ｘｙｚ");
    ASSERT_TRUE(WaitForRewrite(again.Window()));
    EXPECT_EQ(Clipboard(), L"xyz");
    ASSERT_TRUE(again.OpenTrayMenu());
    MenuState state = again.LastMenuState();
    again.MenuKeys({VK_ESCAPE});
    EXPECT_EQ(state[Item(IDM_CONVERT_FIRST)], static_cast<unsigned>(MF_CHECKED));
    EXPECT_EQ(state[L"pos5"], static_cast<unsigned>(MF_CHECKED));
}

TEST_F(Tray, BalloonsShowSuccessOnlyWhenAskedButFailuresAlways) {
    StoreSetting(L"REP_REP", 1);
    StoreSetting(L"REP_BEFORE", std::wstring(L"(unbalanced"));
    PastrelProcess pastrel(Observed());
    app.CopyFormattedText(L"x");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.Notices().empty(); }));
    auto notices = pastrel.Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].level, 2u);
    EXPECT_EQ(notices[0].text.rfind(L"regex error[boost::regex_error]:\n", 0), 0u);
    EXPECT_EQ(pastrel.TrayChanges().back(), L"modify done");
    PumpFor(500);
    EXPECT_EQ(pastrel.TrayChanges().back(), L"modify on"); // the done icon for 300 ms
}

TEST_F(Tray, SuccessBalloonWhenAsked) {
    StoreSetting(L"SHOW_BALLOON", 1);
    PastrelProcess pastrel(Observed());
    app.CopyFormattedText(L"x");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.Notices().empty(); }));
    EXPECT_EQ(pastrel.Notices()[0].text, L"Deleted attributes of clipboard text.");
    EXPECT_EQ(pastrel.Notices()[0].level, 1u);
}

struct HotkeyHolder {
    HotkeyHolder(int id, UINT modifiers, UINT key) : id(id), held(RegisterHotKey(nullptr, id, modifiers, key)) {}
    ~HotkeyHolder() {
        if (held) UnregisterHotKey(nullptr, id);
    }
    int id;
    bool held;
};

TEST_F(Tray, TakenHotkeysGiveOneWarningBalloon) {
    HotkeyHolder first(7, MOD_CONTROL | MOD_ALT, VK_F11), second(8, MOD_CONTROL | MOD_ALT, VK_F12),
        third(9, MOD_CONTROL | MOD_ALT, VK_F10);
    ASSERT_TRUE(first.held && second.held && third.held);
    // The warning is shown while the main window is created, which may still run when the window can be found.
    auto noticesOf = [](PastrelProcess& pastrel) {
        WaitUntil([&] { return !pastrel.Notices().empty(); }, 3000);
        return pastrel.Notices();
    };

    StoreSetting(L"SK1_CTRL", 1);
    StoreSetting(L"SK1_ALT", 1);
    StoreSetting(L"SK1_VKEY", VK_F11);
    {
        PastrelProcess pastrel(Observed());
        auto notices = noticesOf(pastrel);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].level, 2u);
        EXPECT_EQ(notices[0].text, L"Cannot register a hotkey for 'Stops to monitor the clipboard.'");
    }
    StoreSetting(L"SK2_CTRL", 1);
    StoreSetting(L"SK2_ALT", 1);
    StoreSetting(L"SK2_VKEY", VK_F12);
    StoreSetting(L"SK3_CTRL", 1);
    StoreSetting(L"SK3_ALT", 1);
    StoreSetting(L"SK3_VKEY", VK_F10);
    {
        PastrelProcess pastrel(Observed());
        auto notices = noticesOf(pastrel);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].text, L"Cannot register a hotkey for 'Stops to monitor the clipboard.'\r\n-----\r\n"
                                   L"Cannot register a hotkey for 'Clipboard Rich Text to Plane Text.'\r\n-----\r\n"
                                   L"Cannot register a hotkey for 'Restore the formatted copy.'");
    }
}

// A stored key without Shift, Ctrl or Alt is not taken from the other programs: it warns as a taken one does.
TEST_F(Tray, AStoredBareHotkeyIsNotRegisteredAndWarns) {
    StoreSetting(L"SK2_VKEY", VK_F8);
    PastrelProcess pastrel(Observed());
    auto notices = pastrel.Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].level, 2u);
    EXPECT_EQ(notices[0].text, L"Cannot register a hotkey for 'Clipboard Rich Text to Plane Text.'");
    HotkeyHolder bare(9, 0, VK_F8);
    EXPECT_TRUE(bare.held);
}

TEST_F(Tray, HotkeyPostsItsCommand) {
    StoreSetting(L"CBWatchEnabled", 0);
    StoreSetting(L"SK2_CTRL", 1);
    StoreSetting(L"SK2_VKEY", VK_F9);
    PastrelProcess pastrel(Observed());
    EXPECT_TRUE(pastrel.Notices().empty());
    ASSERT_TRUE(FormattedCopyStays());
    PostMessageW(pastrel.Window(), WM_HOTKEY, 2, MAKELPARAM(MOD_CONTROL, VK_F9));
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
    PostMessageW(pastrel.Window(), WM_HOTKEY, 3, MAKELPARAM(MOD_CONTROL, VK_F8)); // the third takes the rewrite back
    EXPECT_TRUE(WaitUntil([] { return ClipboardHasFormat(HtmlFormat()); }));
}

TEST_F(Tray, ShellRestartBringsTheIconBackInItsState) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel(Observed());
    pastrel.ClearLog();
    PostMessageW(pastrel.Window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.TrayChanges().empty(); }));
    EXPECT_EQ(pastrel.TrayChanges().back(), L"add off");
}

class Recopy : public Tray {
protected:
    void SetUp() override {
        Tray::SetUp();
        StoreSetting(L"MultiDiv", 1);
        StoreSetting(L"MultiDivSec", 500);
    }
};

TEST_F(Recopy, LinesAreCopiedInTurnSkippingEmptyOnes) {
    StoreSetting(L"SHOW_BALLOON", 1);
    PastrelProcess pastrel(Observed());
    app.CopyFormattedText(L"x\r\n\r\ny");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    auto seen = ClipboardTextsOver(1800);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], L"x\r\n\r\ny");
    EXPECT_EQ(seen[1], L"x");
    EXPECT_EQ(seen[2], L"y");
    if (seen.size() > 3) {
        EXPECT_EQ(seen[3], L"x");
    }
    bool lineNotice = false;
    for (const Notice& n : pastrel.Notices()) lineNotice |= n.text == L"1 line text:y";
    EXPECT_TRUE(lineNotice);
}

TEST_F(Recopy, OneLineOrCrBreaksNeverRecopy) {
    PastrelProcess pastrel;
    app.CopyFormattedText(L"one\r\n");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(ClipboardTextsOver(1300).size(), 1u);
    app.CopyFormattedText(L"a\rb\rc");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(ClipboardTextsOver(1300).size(), 1u);
}

TEST_F(Recopy, MonitoringOffStopsAtOnce) {
    PastrelProcess pastrel;
    app.CopyFormattedText(L"p\nq");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(RunPastrel(L"/P0"), 0u);
    EXPECT_EQ(ClipboardTextsOver(1300).size(), 1u);
}

TEST_F(Recopy, MultiDivOffStopsAtTheNextTick) {
    PastrelProcess pastrel;
    app.CopyFormattedText(L"p\nq");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    ASSERT_TRUE(pastrel.OpenTrayMenu());
    pastrel.MenuKeys({'D'}); // &Divids a multi-line string ...
    EXPECT_EQ(ClipboardTextsOver(1300).size(), 1u);
}

TEST_F(Recopy, NewCopyReplacesTheCycleAndAClickEndsIt) {
    PastrelProcess pastrel;
    app.CopyFormattedText(L"a\nb");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    app.CopyFormattedText(L"c\nd");
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    auto seen = ClipboardTextsOver(1200);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1], L"c");
    EXPECT_EQ(seen[2], L"d");
    // A click processes the current single line (forced) and ends the cycle.
    PostMessageW(pastrel.Window(), WMU_TRAY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    PumpFor(GetDoubleClickTime() + 200);
    DWORD sequence = GetClipboardSequenceNumber();
    PumpFor(1200);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
}

} // namespace
