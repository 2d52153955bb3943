// The floating button, started as a user has it stored and driven with the real mouse: where it appears, how it
// fades, what its clicks do, what its viewer shows, how it closes, and what it leaves in the store.
#include "pastrel_test.h"

#include "app/ids.h"
#include "base/handles.h"
#include "base/program.h"
#include "ui/floating_ids.h"
#include "ui/settings_ids.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class FloatingButton : public PastrelTest {
protected:
    void SetUp() override {
        PastrelTest::SetUp();
        StoreSetting(L"SHOW_FLOATING", 1);
        SetCursorPos(2, 2); // away from where the button appears
    }
};

// The button of the process: its one visible tool window.
HWND WaitForButton(DWORD processId) {
    HWND button = nullptr;
    WaitUntil([&] {
        for (HWND w : VisibleWindowsOf(processId, L"#32770"))
            if (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) button = w;
        return button != nullptr;
    });
    return button;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}
SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }
POINT CentreOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

int Opacity(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) ? alpha : -1;
}

int ViewerWidth(HWND button) { return SizeOf(WindowRect(GetDlgItem(button, IDC_FLOATING_VIEWER))).cx; }

// The viewer's text without line ends.
std::wstring ViewerText(HWND button) {
    HWND viewer = GetDlgItem(button, IDC_FLOATING_VIEWER);
    std::wstring text(static_cast<size_t>(SendMessageW(viewer, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(viewer, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
               text.end());
    return text;
}

bool Responds(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 3000, &ignored) != 0;
}

POINT IconCentre(HWND button) { return CentreOf(WindowRect(GetDlgItem(button, IDC_FLOATING_ICON))); }

// A question or warning box of the process owned by its main window; its text.
HWND WaitForBox(PastrelProcess& pastrel) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND w : VisibleWindowsOf(pastrel.ProcessId(), L"#32770"))
            if (GetWindow(w, GW_OWNER) == pastrel.Window()) box = w;
        return box != nullptr;
    });
    return box;
}

} // namespace

TEST_F(FloatingButton, OpensCentredAsAnOpaqueIconAndStoresWhereTheUserLeftIt) {
    PastrelProcess pastrel;
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);
    RECT area = WorkArea();
    POINT centre = CentreOf(WindowRect(button));
    EXPECT_NEAR(centre.x, (area.left + area.right) / 2, 1);
    EXPECT_NEAR(centre.y, (area.top + area.bottom) / 2, 1);
    EXPECT_EQ(ViewerWidth(button), 0); // only the icon shows
    EXPECT_EQ(Opacity(button), 255);
    EXPECT_EQ(WindowTitle(button), L"");

    SetWindowPos(button, nullptr, 100, 120, 420, 160, SWP_NOZORDER | SWP_NOACTIVATE); // moved and widened
    EXPECT_GT(ViewerWidth(button), 300);
    EXPECT_EQ(pastrel.Stop(), 0u); // "/X" inside the button's loop
    EXPECT_EQ(StoredSettingDword(L"LEFT_FLOATING"), 100u);
    EXPECT_EQ(StoredSettingDword(L"TOP_FLOATING"), 120u);
    EXPECT_EQ(StoredSettingDword(L"WIDTH_FLOATING"), 420u);
    EXPECT_EQ(StoredSettingDword(L"HEIGHT_FLOATING"), 160u);
    EXPECT_EQ(StoredSettingDword(L"SHOW_FLOATING"), 1u);
}

TEST_F(FloatingButton, StoredGeometryIsUsedOnlyWhereItFits) {
    SIZE minimum{};
    {
        PastrelProcess pastrel;
        HWND button = WaitForButton(pastrel.ProcessId());
        ASSERT_TRUE(button);
        minimum = SizeOf(WindowRect(button));
    }
    const RECT area = WorkArea();
    const SIZE areaSize = SizeOf(area);
    struct Case {
        int left, top, width, height;
        bool centred;
        SIZE size;
    } cases[] = {
        {5000, 5000, 300, 120, true, {300, 120}},               // on a monitor no longer attached
        {200, 100, 0, 500, false, minimum},                     // too narrow: the minimum both ways
        {-50, -50, -10, -10, true, minimum},                    // off every monitor, negative size
        {200, 100, 100000, 100000, false, areaSize},            // no larger than the work area
        {area.right, area.bottom, 300, 120, false, {300, 120}}, // the monitor's far corner counts as on it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top << " " << c.width << "x" << c.height);
        StoreSetting(L"LEFT_FLOATING", static_cast<DWORD>(c.left));
        StoreSetting(L"TOP_FLOATING", static_cast<DWORD>(c.top));
        StoreSetting(L"WIDTH_FLOATING", static_cast<DWORD>(c.width));
        StoreSetting(L"HEIGHT_FLOATING", static_cast<DWORD>(c.height));
        PastrelProcess pastrel;
        HWND button = WaitForButton(pastrel.ProcessId());
        ASSERT_TRUE(button);
        RECT rect = WindowRect(button);
        EXPECT_EQ(SizeOf(rect).cx, c.size.cx);
        EXPECT_EQ(SizeOf(rect).cy, c.size.cy);
        if (c.centred) {
            EXPECT_NEAR(CentreOf(rect).x, CentreOf(area).x, 1);
            EXPECT_NEAR(CentreOf(rect).y, CentreOf(area).y, 1);
        } else {
            EXPECT_EQ(rect.left, c.left);
            EXPECT_EQ(rect.top, c.top);
        }
    }
}

TEST_F(FloatingButton, FadesByTensTowardTheHoverOpacityAndPreviewsTheSettingsTrackbars) {
    StoreSetting(L"ALPHA_FLOATING", 0);
    StoreSetting(L"ALPHA_FLOATING2", 255);
    PastrelProcess pastrel;
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);
    PumpFor(200);
    EXPECT_EQ(Opacity(button), 0); // invisible until the cursor comes

    POINT centre = CentreOf(WindowRect(button));
    SetCursorPos(centre.x, centre.y);
    std::vector<int> seen{0};
    WaitUntil([&] {
        int alpha = Opacity(button);
        if (alpha != seen.back()) seen.push_back(alpha);
        return alpha == 255;
    });
    ASSERT_EQ(seen.back(), 255);
    EXPECT_GE(seen.size(), 6u) << "fades in steps, not at once";
    for (size_t i = 1; i + 1 < seen.size(); ++i) {
        EXPECT_EQ(seen[i] % 10, 0) << seen[i];
        EXPECT_GT(seen[i], seen[i - 1]);
    }

    SetCursorPos(2, 2);
    EXPECT_TRUE(WaitUntil([&] { return Opacity(button) == 0; }));
    HWND dialog = OpenSettingsDialog(pastrel, L"Settings - Pastrel");
    ASSERT_TRUE(dialog);
    SlideTrackbar(dialog, IDC_SET_OPACITY, 130);
    EXPECT_TRUE(WaitUntil([&] { return Opacity(button) == 130; })) << Opacity(button);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return Opacity(button) == 0; })) << Opacity(button);
    EXPECT_EQ(StoredSettingDword(L"ALPHA_FLOATING"), 0u);
}

TEST_F(FloatingButton, AClickRewritesWithMonitoringOffAndGivesTheFocusBack) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel(Observed());
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);
    HWND editor = CreateWindowExW(0, L"STATIC", L"editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 500, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    ScopeExit closeEditor([&] { DestroyWindow(editor); });
    SetForegroundWindow(editor);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == editor; }));
    ASSERT_TRUE(FormattedCopyStays()); // monitoring is off

    MouseClickAt(IconCentre(button), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_NE(GetForegroundWindow(), editor) << "the click activates the button";
    EXPECT_TRUE(WaitForRewrite(pastrel.Window()));
    EXPECT_EQ(Clipboard(), L"formatted");
    EXPECT_EQ(pastrel.Commands(), std::vector<UINT>{IDM_PROCESS_NOW});
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == editor; }, 2000));
}

TEST_F(FloatingButton, DoubleMiddleAndRightClicksActAsOnTheTrayIcon) {
    StoreSetting(L"CBWatchEnabled", 0);
    PastrelProcess pastrel;
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);
    PumpFor(GetDoubleClickTime() + 100);

    MouseClickAt(IconCentre(button), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
    EXPECT_TRUE(WaitUntil([] { return StoredSettingDword(L"CBWatchEnabled") == 1; })) << "monitoring on";

    app.CopyPlainText(L"plain");
    PumpFor(300);
    MouseClickAt(IconCentre(button), MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
    EXPECT_TRUE(WaitUntil([] { return ClipboardFormats().empty(); })) << "the clipboard emptied";

    MouseClickAt(IconCentre(button), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(WaitUntil([&] { return pastrel.MenuOpen(); })) << "the tray menu at the click";
    pastrel.MenuKeys({VK_ESCAPE});
    ASSERT_TRUE(WaitUntil([&] { return !pastrel.MenuOpen(); }));
    HWND icon = GetDlgItem(button, IDC_FLOATING_ICON);
    PostMessageW(icon, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(icon), MAKELPARAM(-1, -1)); // from the keyboard
    EXPECT_TRUE(WaitUntil([&] { return pastrel.MenuOpen(); })) << "the tray menu at the centre";
    pastrel.MenuKeys({VK_ESCAPE});
}

TEST_F(FloatingButton, TheViewerShowsCopiesAndRewritesButNotTheRecopiedLines) {
    StoreSetting(L"WIDTH_FLOATING", 420);
    StoreSetting(L"HEIGHT_FLOATING", 160);
    StoreSetting(L"CBWatchEnabled", 0);
    StoreSetting(L"DelSpace", 1);
    StoreSetting(L"MultiDiv", 1);
    StoreSetting(L"MultiDivSec", 500);
    PastrelProcess pastrel;
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);

    app.CopyFormattedText(L"as copied");
    EXPECT_TRUE(WaitUntil([&] { return ViewerText(button) == L"as copied"; })) << ViewerText(button);

    SendMessageW(pastrel.Window(), WMU_COMMAND, IDM_MONITOR_ON, 0);
    app.CopyFormattedText(L"a b\nc d\ne f");
    EXPECT_TRUE(WaitUntil([&] { return ViewerText(button) == L"abcdef"; })) << ViewerText(button);
    PumpFor(1800); // the three lines are copied again one by one
    EXPECT_EQ(ViewerText(button), L"abcdef");

    // Only text is shown; a huge text as a preview of its beginning.
    BITMAPINFOHEADER header{sizeof(header), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string dib(reinterpret_cast<const char*>(&header), sizeof(header));
    dib.append(4, '\xff');
    app.Copy({{CF_DIB, dib}});
    EXPECT_TRUE(WaitUntil([&] { return ViewerText(button).empty(); }));
    EXPECT_TRUE(Responds(pastrel.Window()));
    app.CopyFormattedText(std::wstring(100000, L'x'));
    ASSERT_TRUE(WaitUntil([&] { return ViewerText(button).size() > 1000; }, 10000));
    std::wstring shown = ViewerText(button);
    EXPECT_EQ(shown, std::wstring(32 * 1024, L'x') + L"\x2026");
}

TEST_F(FloatingButton, ClosingAsksWhenToldAndAnOpenSettingsDialogCanNoLongerSwitchItOn) {
    StoreSetting(L"CHKCLOSE_FLOATING", 1);
    PastrelProcess pastrel;
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);

    PostMessageW(button, WM_COMMAND, IDCANCEL, 0);
    HWND box = WaitForBox(pastrel);
    ASSERT_TRUE(box);
    EXPECT_EQ(DialogItemText(box, 0xFFFF), L"Are you sure you want to close this button?");
    PostMessageW(button, WM_COMMAND, IDCANCEL, 0); // a second request while asking is ignored
    PumpFor(300);
    EXPECT_EQ(VisibleWindowsOf(pastrel.ProcessId(), L"#32770").size(), 2u);
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    PumpFor(300);
    EXPECT_TRUE(IsWindow(button));

    PostMessageW(button, WM_COMMAND, IDCANCEL, 0);
    box = WaitForBox(pastrel);
    ASSERT_TRUE(box);
    PostMessageW(box, WM_COMMAND, IDYES, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(button); }));
    EXPECT_TRUE(WaitUntil([] { return StoredSettingDword(L"SHOW_FLOATING") == 0; }));

    // Switched on again in the settings dialog, it comes back when the dialog closes.
    HWND dialog = OpenSettingsDialog(pastrel, L"Settings - Pastrel");
    ASSERT_TRUE(dialog);
    ClickCheckBox(dialog, IDC_SET_FLOATING);
    ClickCheckBox(dialog, IDC_SET_CONFIRM_CLOSE); // off: no question this time
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);

    dialog = OpenSettingsDialog(pastrel, L"Settings - Pastrel");
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemChecked(dialog, IDC_SET_FLOATING));
    PostMessageW(button, WM_COMMAND, IDCANCEL, 0);
    box = WaitForBox(pastrel);
    ASSERT_TRUE(box);
    EXPECT_EQ(DialogItemText(box, 0xFFFF), L"To redisplay the button, close the setting dialog once.");
    EXPECT_FALSE(ItemChecked(dialog, IDC_SET_FLOATING));
    EXPECT_FALSE(ItemEnabled(dialog, IDC_SET_FLOATING));
    EXPECT_FALSE(ItemEnabled(dialog, IDC_SET_OPACITY));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(button); }));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog) && !IsWindow(button); }));
    PumpFor(300);
    EXPECT_TRUE(WaitForButton(pastrel.ProcessId()) == nullptr);
    EXPECT_EQ(StoredSettingDword(L"SHOW_FLOATING"), 0u);
}

// The button's loop serves the whole program: the opening dialog, shown at the same start, still takes its keys.
TEST_F(FloatingButton, TheOpeningDialogKeepsItsKeysWhileTheButtonRuns) {
    StoreSetting(L"NoOpeningDlg", 0);
    PastrelProcess::Options japanese;
    japanese.language = L"JA";
    PastrelProcess pastrel(japanese);
    HWND button = WaitForButton(pastrel.ProcessId());
    ASSERT_TRUE(button);
    HWND opening = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND w : VisibleWindowsOf(pastrel.ProcessId(), L"#32770"))
            if (w != button) opening = w;
        return opening != nullptr;
    }));
    PostMessageW(opening, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(opening); }));
    EXPECT_TRUE(IsWindow(button));
}
