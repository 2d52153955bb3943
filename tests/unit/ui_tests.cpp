// Dialog layout: the scaling and anchoring arithmetic on its own, then both services on real dialogs in this process.
#include "ui/layout.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

// Found by argument lookup only in the global namespace, where RECT lives.
static bool operator==(const RECT& x, const RECT& y) {
    return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
}
static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << '{' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << '}';
}

namespace {

TEST(ScaleArithmetic, FactorSizesAndFontFollowTheWorkArea) {
    LOGFONTW font{};
    font.lfHeight = -11;
    font.lfWidth = 5;
    font.lfWeight = FW_BOLD;
    lstrcpyW(font.lfFaceName, L"Tahoma");
    struct Case {
        SIZE window;
        double factor;
        SIZE scaled;
        RECT child; // {10, 20, 110, 45} scaled
        LONG fontHeight, fontWidth, weight;
    } cases[] = {
        // -36.67 toward zero, not down to -37
        {{400, 300}, 1000.0 / 300.0, {1333, 1000}, {33, 66, 366, 149}, -36, 16, 600},
        {{3200, 1000}, 0.5, {1600, 500}, {5, 10, 55, 22}, -5, 2, 400},
        {{1600, 500}, 1.0, {1600, 500}, {10, 20, 110, 45}, -11, 5, 400},
        {{0, 300}, 1.0, {0, 300}, {10, 20, 110, 45}, -11, 5, 400}, // empty: left alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window.cx << " x " << c.window.cy);
        double factor = WorkAreaScaleFactor(c.window, {1600, 1000});
        EXPECT_DOUBLE_EQ(factor, c.factor);
        EXPECT_EQ(ScaleSize(c.window, factor).cx, c.scaled.cx);
        EXPECT_EQ(ScaleSize(c.window, factor).cy, c.scaled.cy);
        EXPECT_EQ(ScaleRect({10, 20, 110, 45}, factor), c.child);
        LOGFONTW scaled = ScaledLogFont(font, factor);
        EXPECT_EQ(scaled.lfHeight, c.fontHeight);
        EXPECT_EQ(scaled.lfWidth, c.fontWidth);
        EXPECT_EQ(scaled.lfWeight, c.weight);
        EXPECT_STREQ(scaled.lfFaceName, L"Tahoma");
    }
    // Origin and size scale separately: scaling the right edge itself would give 6, not 1 + 4.
    EXPECT_EQ(ScaleRect({1, 1, 4, 4}, 1.5), (RECT{1, 1, 5, 5}));
}

TEST(ScaleArithmetic, PlacementsOnASecondMonitorLeftOfAndAboveThePrimary) {
    const RECT work{-1921, -201, 0, 880}; // 1921 x 1081
    const SIZE size{1001, 701};
    struct Case {
        int placement;
        POINT origin;
    } cases[] = {
        {0, {-1921, -201}},
        {1, {-1001, -201}},
        {2, {-1921, 179}},
        {3, {-1001, 179}},
        // -1921 + 960 - 500 and -201 + 540 - 350; halving the edges' sum instead would give -1460 and -10.
        {5, {-1461, -11}},
    };
    for (const Case& c : cases) {
        auto origin = PlacementOrigin(work, size, c.placement);
        ASSERT_TRUE(origin) << c.placement;
        EXPECT_EQ(origin->x, c.origin.x) << c.placement;
        EXPECT_EQ(origin->y, c.origin.y) << c.placement;
    }
    for (int other : {-1, 4, 6, 255}) EXPECT_FALSE(PlacementOrigin(work, size, other)) << other;

    // The enlarged 400 x 300 dialog at the bottom right of a 1600 x 1000 work area touches its corner.
    auto corner = PlacementOrigin({0, 0, 1600, 1000}, {1333, 1000}, PlaceBottomRight);
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->x + 1333, 1600);
    EXPECT_EQ(corner->y + 1000, 1000);
}

TEST(AnchorArithmetic, EachModeFollowsTheClientArea) {
    const RECT control{50, 60, 150, 80}; // 100 x 20 in a 300 x 200 client area
    const SIZE before{300, 200}, after{340, 230};
    struct Case {
        AnchorMode mode;
        RECT grown;
    } cases[] = {
        {AnchorMode::KeepRight, {90, 60, 190, 80}},               // 40 to the right
        {AnchorMode::KeepBottom, {50, 90, 150, 110}},             // 30 down
        {AnchorMode::KeepBottomRight, {90, 90, 190, 110}},        // both
        {AnchorMode::StretchWidth, {50, 60, 190, 80}},            // 40 wider
        {AnchorMode::StretchBoth, {50, 60, 190, 110}},            // 40 wider, 30 taller
        {AnchorMode::KeepBottomStretchWidth, {50, 90, 190, 110}}, // 30 down, 40 wider
    };
    for (const Case& c : cases) {
        AnchorEntry entry = MeasureAnchor(c.mode, control, before);
        EXPECT_EQ(AnchoredRect(entry, control, after), c.grown) << int(c.mode);
        EXPECT_EQ(AnchoredRect(entry, c.grown, before), control) << int(c.mode);
    }
}

// ---- Real dialogs ----

constexpr int kFirst = 101, kButton = 102, kCombo = 103;
constexpr int kFill = 201, kHistory = 202, kBrowse = 203, kStatus = 204, kHelp = 205, kOk = 206, kMissing = 299;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    auto* anchors = reinterpret_cast<DialogAnchors*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: SetWindowLongPtrW(dialog, DWLP_USER, lParam); return FALSE;
    case WM_SIZE:
        if (anchors) anchors->Apply();
        return TRUE;
    case WM_GETMINMAXINFO:
        if (anchors) anchors->ApplyMinMax(reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    }
    return FALSE;
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// A dialog of the given outer size in pixels at the work area's top left, from a template without items; the
// controls are added as children afterwards so their pixel rectangles are known exactly.
HWND CreateTestDialog(DWORD style, SIZE size, DialogAnchors* anchors = nullptr) {
    struct alignas(4) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } empty{};
    empty.header.style = style;
    empty.header.cx = 100;
    empty.header.cy = 100;
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &empty.header, nullptr, TestDialogProc,
                                             reinterpret_cast<LPARAM>(anchors));
    if (!dialog) return nullptr;
    RECT work = WorkAreaOf(dialog);
    SetWindowPos(dialog, nullptr, work.left, work.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    return dialog;
}

HWND AddControl(HWND dialog, const wchar_t* windowClass, DWORD style, int id, RECT r) {
    return CreateWindowExW(0, windowClass, L"x", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

RECT ClientRectOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Resizes as the user would and gives the outer size the system allowed.
SIZE ResizeTo(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); }

TEST(ScaleDialog, ScalesDirectChildrenAndRestoresTheFont) {
    RECT work = WorkAreaOf(GetDesktopWindow());
    const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    const SIZE sizes[] = {{400, 300}, {workWidth * 2, workHeight * 2 + 10}, {workWidth, workHeight / 2}};
    for (SIZE size : sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        HWND dialog = CreateTestDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU, size);
        ASSERT_NE(dialog, nullptr);
        HWND first = AddControl(dialog, L"STATIC", 0, kFirst, {10, 10, 110, 30});
        HWND button = AddControl(dialog, L"BUTTON", BS_PUSHBUTTON, kButton, {10, 40, 90, 64});
        HWND combo = AddControl(dialog, L"COMBOBOX", CBS_DROPDOWN, kCombo, {10, 70, 160, 270});
        COMBOBOXINFO comboInfo{};
        comboInfo.cbSize = sizeof(comboInfo);
        ASSERT_TRUE(GetComboBoxInfo(combo, &comboInfo));
        HWND comboEdit = comboInfo.hwndItem;
        ASSERT_NE(comboEdit, nullptr);
        const RECT editInCombo = ClientRectOf(comboEdit);

        // The first child's font differs from the dialog's and the other controls', so the scaled font shows
        // where it came from.
        LOGFONTW firstLog{};
        firstLog.lfHeight = -20;
        lstrcpyW(firstLog.lfFaceName, L"Tahoma");
        FontHandle firstFont(CreateFontIndirectW(&firstLog));
        SendMessageW(first, WM_SETFONT, reinterpret_cast<WPARAM>(firstFont.get()), FALSE);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

        DialogScale scale;
        ASSERT_TRUE(ScaleDialogToWorkArea(scale, dialog, PlaceBottomRight));
        const double factor =
            std::min(double(workWidth) / size.cx, double(workHeight) / size.cy); // written out, not the code's
        EXPECT_DOUBLE_EQ(scale.factor, factor);

        RECT window{};
        GetWindowRect(dialog, &window);
        EXPECT_EQ(window.right - window.left, int(size.cx * factor));
        EXPECT_EQ(window.bottom - window.top, int(size.cy * factor));
        EXPECT_EQ(window.right, work.right);
        EXPECT_EQ(window.bottom, work.bottom);
        EXPECT_EQ(ClientRectOf(first), (RECT{int(10 * factor), int(10 * factor), int(10 * factor) + int(100 * factor),
                                             int(10 * factor) + int(20 * factor)}));
        EXPECT_EQ(ClientRectOf(combo).right - ClientRectOf(combo).left, int(150 * factor));
        // Scaled on its own the edit field would sit about 13 x factor pixels into the combo box.
        EXPECT_EQ(ClientRectOf(comboEdit).left, editInCombo.left);

        for (HWND child : {first, button, combo}) EXPECT_EQ(FontOf(child), scale.scaledFont.get());
        LOGFONTW scaled{};
        ASSERT_EQ(GetObjectW(FontOf(first), sizeof(scaled), &scaled), int(sizeof(scaled)));
        EXPECT_EQ(scaled.lfHeight, int(-20 * factor));
        EXPECT_EQ(scaled.lfWeight, factor > 1.0 ? 600 : 400);

        HFONT scaledHandle = scale.scaledFont.get();
        RestoreDialogFont(scale);
        for (HWND child : {first, button, combo, comboEdit}) EXPECT_EQ(FontOf(child), firstFont.get());
        EXPECT_EQ(GetObjectType(scaledHandle), 0u); // deleted
        EXPECT_EQ(scale.factor, 0);
        EXPECT_EQ(scale.dialog, nullptr);
        DestroyWindow(dialog);
    }
    DialogScale none;
    EXPECT_FALSE(ScaleDialogToWorkArea(none, nullptr, PlaceCentre));
}

TEST(AnchorDialog, ControlsFollowTheEdgesAndTheLimitsHold) {
    DialogAnchors anchors;
    HWND dialog = CreateTestDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, {400, 300}, &anchors);
    ASSERT_NE(dialog, nullptr);
    RECT client{};
    GetClientRect(dialog, &client);
    const int cx = client.right, cy = client.bottom;
    struct Control {
        int id;
        const wchar_t* windowClass;
        DWORD style;
        RECT rect;
        AnchorMode mode;
    } controls[] = {
        {kFill, L"EDIT", ES_MULTILINE, {10, 10, cx - 10, cy - 90}, AnchorMode::StretchBoth},
        {kHistory, L"COMBOBOX", CBS_DROPDOWN, {10, cy - 80, cx - 110, cy + 120}, AnchorMode::StretchWidth},
        {kBrowse, L"BUTTON", BS_PUSHBUTTON, {cx - 100, cy - 80, cx - 10, cy - 56}, AnchorMode::KeepRight},
        {kStatus, L"STATIC", 0, {10, cy - 50, cx - 10, cy - 34}, AnchorMode::KeepBottomStretchWidth},
        {kHelp, L"BUTTON", BS_PUSHBUTTON, {10, cy - 30, 90, cy - 6}, AnchorMode::KeepBottom},
        {kOk, L"BUTTON", BS_PUSHBUTTON, {cx - 90, cy - 30, cx - 10, cy - 6}, AnchorMode::KeepBottomRight},
    };
    std::vector<AnchorRow> table;
    std::vector<RECT> before;
    for (const Control& c : controls) {
        before.push_back(ClientRectOf(AddControl(dialog, c.windowClass, c.style, c.id, c.rect)));
        table.push_back({c.id, c.mode});
    }
    table.insert(table.begin() + 2, {kMissing, AnchorMode::KeepRight});
    table.push_back({0, AnchorMode::KeepRight});

    EXPECT_FALSE(anchors.Init(nullptr, table.data()));
    EXPECT_FALSE(anchors.Init(dialog, nullptr));
    ASSERT_TRUE(anchors.Init(dialog, table.data()));
    EXPECT_EQ(anchors.entries.size(), std::size(controls));
    EXPECT_EQ(anchors.initialWidth, 400);
    EXPECT_EQ(anchors.initialHeight, 300);

    auto droppedHeight = [&] {
        RECT list{};
        SendMessageW(GetDlgItem(dialog, kHistory), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
        return list.bottom - list.top;
    };
    const int listHeight = droppedHeight();
    ResizeTo(dialog, 520, 380);
    EXPECT_EQ(droppedHeight(), listHeight); // a widened history list still drops down as far
    GetClientRect(dialog, &client);
    const int dx = client.right - cx, dy = client.bottom - cy;
    ASSERT_EQ(dx, 120);
    ASSERT_EQ(dy, 80);
    const RECT grown[] = {
        {before[0].left, before[0].top, before[0].right + dx, before[0].bottom + dy},
        {before[1].left, before[1].top, before[1].right + dx, before[1].bottom},
        {before[2].left + dx, before[2].top, before[2].right + dx, before[2].bottom},
        {before[3].left, before[3].top + dy, before[3].right + dx, before[3].bottom + dy},
        {before[4].left, before[4].top + dy, before[4].right, before[4].bottom + dy},
        {before[5].left + dx, before[5].top + dy, before[5].right + dx, before[5].bottom + dy},
    };
    for (size_t i = 0; i < std::size(controls); ++i)
        EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, controls[i].id)), grown[i]) << controls[i].id;
    ResizeTo(dialog, 400, 300);
    for (size_t i = 0; i < std::size(controls); ++i)
        EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, controls[i].id)), before[i]) << controls[i].id;

    // Widened but never heightened, and never smaller than at the start; the unset maximum width stays the system's.
    anchors.maxTrackHeight = anchors.initialHeight;
    SIZE allowed = ResizeTo(dialog, 500, 400);
    EXPECT_EQ(allowed.cx, 500);
    EXPECT_EQ(allowed.cy, 300);
    allowed = ResizeTo(dialog, 200, 100);
    EXPECT_EQ(allowed.cx, 400);
    EXPECT_EQ(allowed.cy, 300);

    anchors.Free();
    EXPECT_TRUE(anchors.entries.empty());
    EXPECT_EQ(anchors.dialog, nullptr);
    DestroyWindow(dialog);
}

} // namespace

#include "ui/settings_dialog.h"

// The settings dialog's lists: every offered value round-trips, anything else falls back to the usual choice.
TEST(SettingsLists, OfferedValuesRoundTripAndOthersFallBack) {
    for (int i = 0; i < static_cast<int>(std::size(kRecopyIntervals)); ++i)
        EXPECT_EQ(RecopyIntervalIndex(RecopyIntervalAt(i)), i);
    for (int i = 0; i < static_cast<int>(std::size(kProcessingDelays)); ++i)
        EXPECT_EQ(ProcessingDelayIndex(ProcessingDelayAt(i)), i);
    EXPECT_EQ(RecopyIntervalIndex(1000), 1);
    EXPECT_EQ(ProcessingDelayIndex(1000), 5);
    for (int odd : {-1, 0, 3000, 100000}) EXPECT_EQ(RecopyIntervalIndex(odd), 1) << odd;
    for (int odd : {-1, 300, 1500}) EXPECT_EQ(ProcessingDelayIndex(odd), 0) << odd;
    EXPECT_EQ(RecopyIntervalAt(-1), 1000); // nothing selected
    EXPECT_EQ(RecopyIntervalAt(8), 1000);
    EXPECT_EQ(ProcessingDelayAt(-1), 0);
    EXPECT_EQ(ProcessingDelayAt(6), 0);
}

#include "ui/floating.h"

// The floating button's fade: steps of 10, the last step exact, in both directions; a full fade takes 26 ticks.
TEST(FloatingButtonFade, StepsOfTenEndExactlyOnTheTarget) {
    EXPECT_EQ(NextOpacity(100, 105), 105);
    EXPECT_EQ(NextOpacity(100, 111), 110);
    EXPECT_EQ(NextOpacity(110, 111), 111);
    EXPECT_EQ(NextOpacity(100, 90), 90);
    EXPECT_EQ(NextOpacity(100, 89), 90);
    EXPECT_EQ(NextOpacity(7, 7), 7);
    int alpha = 0, ticks = 0;
    while (alpha != 255) alpha = NextOpacity(alpha, 255), ++ticks;
    EXPECT_EQ(ticks, 26);
}
