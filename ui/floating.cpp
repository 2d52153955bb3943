#include "ui/floating.h"

#include "base/handles.h"
#include "base/program.h"
#include "base/text.h"
#include "base/x11_companion.h"
#include "settings/settings.h"
#include "ui/dialog.h"
#include "ui/floating_ids.h"
#include "ui/layout.h"
#include "ui/settings_dialog.h"
#include "ui/settings_ids.h"

#include <commctrl.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

namespace {

constexpr UINT_PTR TIMER_FADE = 545440;    // 17 ms, for the life of the window: hover test and fading
constexpr UINT_PTR TIMER_REFOCUS = 457412; // 300 ms after a click: the previous window gets the focus back
constexpr UINT_PTR TIMER_FLASH = 457411;   // 300 ms of the done icon
constexpr UINT kFadeMs = 17;
constexpr UINT kRefocusMs = 300;
constexpr UINT kFlashMs = 300;

// The viewer shows a preview: a text longer than this is shown as its first kViewerTextLimit characters, and rich
// text larger than kViewerRtfLimit bytes as plain text, so that a huge copy costs the viewer nothing noticeable.
constexpr size_t kViewerTextLimit = 32 * 1024;
constexpr SIZE_T kViewerRtfLimit = 1024 * 1024;

constexpr Text kConfirmClose{L"このボタンを非表示にしてもよろしいですか?",
                             L"Are you sure you want to close this button?"};
constexpr Text kHowToRedisplay{L"ボタンを再表示する場合は、設定ダイアログを一度閉じて下さい。",
                               L"To redisplay the button, close the setting dialog once."};

constexpr AnchorRow kLayout[] = {{IDC_FLOATING_VIEWER, AnchorMode::StretchBoth}, {0, AnchorMode::KeepRight}};

struct FloatingButton {
    HWND mainWindow = nullptr;
    HWND window = nullptr;
    HWND viewer = nullptr;
    HWND lastForeground = nullptr; // the last window other than the button that was in the foreground
    bool confirmingClose = false;
    DialogAnchors anchors;
    HIMAGELIST icons = nullptr; // the icon the button shows: the program's, or the done icon for a moment
};
FloatingButton floating;

bool RectHolds(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x <= rect.right && point.y >= rect.top && point.y <= rect.bottom;
}

struct MonitorSearch {
    POINT point;
    bool found;
};

BOOL CALLBACK FindMonitorHolding(HMONITOR, HDC, RECT* monitor, LPARAM data) {
    auto* search = reinterpret_cast<MonitorSearch*>(data);
    if (RectHolds(*monitor, search->point)) search->found = true;
    return !search->found;
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

SIZE SizeOf(const RECT& rect) { return SIZE{rect.right - rect.left, rect.bottom - rect.top}; }

SIZE WindowSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return SizeOf(rect);
}

// Moves the button to its stored top-left corner when that lies on an attached monitor.
bool MoveToStoredPosition(HWND dialog) {
    MonitorSearch search{POINT{Settings.LEFT_FLOATING, Settings.TOP_FLOATING}, false};
    EnumDisplayMonitors(nullptr, nullptr, FindMonitorHolding, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    SetWindowPos(dialog, nullptr, search.point.x, search.point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CentreInWorkArea(HWND dialog) {
    RECT area = WorkAreaOf(dialog);
    SIZE size = WindowSize(dialog);
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - size.cx) / 2,
                 area.top + (area.bottom - area.top - size.cy) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The outer size the button opens with: the stored size when it is not below the minimum in either direction, else
// the minimum; never larger than the work area (but never below the minimum).
SIZE FloatingWindowSize(SIZE stored, SIZE minimum, SIZE workArea) {
    if (stored.cx < minimum.cx || stored.cy < minimum.cy) return minimum;
    return SIZE{std::max(minimum.cx, std::min(stored.cx, workArea.cx)),
                std::max(minimum.cy, std::min(stored.cy, workArea.cy))};
}

// A double click and a middle click on the icon act as on the tray icon; the first click of a double click still
// rewrites the clipboard.
LRESULT CALLBACK IconButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONUP: SendMessageW(floating.mainWindow, WMU_TRAY, 0, message); return 0;
    case WM_NCDESTROY: RemoveWindowSubclass(button, IconButtonProc, 0); break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

// The button draws its icon from an image list of one image that the button window owns; flashing the done icon
// replaces that image in place. Handing the button a new icon each time instead (BM_SETIMAGE) costs an icon's memory
// for good at every change under Wine, whose button keeps a copy of every image it is given.
void CreateIconImages(HWND dialog) {
    const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    floating.icons = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (!floating.icons) return;
    ImageList_AddIcon(floating.icons, g_resources.iconApp);
    BUTTON_IMAGELIST images{floating.icons, {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_CENTER};
    SendDlgItemMessageW(dialog, IDC_FLOATING_ICON, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
}

void DestroyIconImages(HWND dialog) {
    if (!floating.icons) return;
    BUTTON_IMAGELIST none{}; // no list: the button lets go of it
    SendDlgItemMessageW(dialog, IDC_FLOATING_ICON, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&none));
    ImageList_Destroy(floating.icons);
    floating.icons = nullptr;
}

void SetIconImage(HWND dialog, HICON icon) {
    if (!floating.icons || ImageList_ReplaceIcon(floating.icons, 0, icon) < 0) return;
    InvalidateRect(GetDlgItem(dialog, IDC_FLOATING_ICON), nullptr, FALSE);
}

INT_PTR OnInitDialog(HWND dialog) {
    floating.window = dialog;
    floating.viewer = GetDlgItem(dialog, IDC_FLOATING_VIEWER);
    // The rich-edit control keeps its own default font unless given the dialog's.
    SendMessageW(floating.viewer, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    CreateIconImages(dialog);
    SetLayeredWindowAttributes(dialog, 0, static_cast<BYTE>(Settings.ALPHA_FLOATING), LWA_ALPHA);
    const bool placed = MoveToStoredPosition(dialog);
    SetWindowSubclass(GetDlgItem(dialog, IDC_FLOATING_ICON), IconButtonProc, 0, 0);
    SetTimer(dialog, TIMER_FADE, kFadeMs, nullptr);
    RefreshFloatingViewer();

    FloatingButton& f = floating;
    f.anchors.Init(dialog, kLayout);
    RECT viewer{};
    GetWindowRect(f.viewer, &viewer);
    SIZE window = WindowSize(dialog);
    f.anchors.minTrackWidth = window.cx - (viewer.right - viewer.left);
    f.anchors.minTrackHeight = window.cy;
    SIZE size = FloatingWindowSize(SIZE{Settings.WIDTH_FLOATING, Settings.HEIGHT_FLOATING},
                                   SIZE{f.anchors.minTrackWidth, f.anchors.minTrackHeight}, SizeOf(WorkAreaOf(dialog)));
    SetWindowPos(dialog, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The dialog manager centred the button at its resource size; centre it again at the size it now has.
    if (!placed) CentreInWorkArea(dialog);
    return FALSE; // the keyboard focus stays where it is
}

void OnFadeTick(HWND dialog) {
    POINT cursor{};
    RECT rect{};
    BYTE alpha = 255;
    DWORD flags = 0;
    if (GetCursorPos(&cursor) && GetWindowRect(dialog, &rect) &&
        GetLayeredWindowAttributes(dialog, nullptr, &alpha, &flags)) {
        const bool hover = RectHolds(rect, cursor);
        int target = hover ? Settings.ALPHA_FLOATING2 : Settings.ALPHA_FLOATING;
        if (settingsPreviewActive) target = hover ? previewAlphaHover : previewAlpha;
        int next = NextOpacity(alpha, target);
        if (next != alpha) SetLayeredWindowAttributes(dialog, 0, static_cast<BYTE>(next), LWA_ALPHA);
    }
    // The hidden main window becomes the foreground while the tray menu shows; it is no place to return to.
    HWND foreground = GetForegroundWindow();
    if (foreground && foreground != dialog && IsWindowVisible(foreground)) floating.lastForeground = foreground;
}

void OnTimer(HWND dialog, WPARAM id) {
    switch (id) {
    case TIMER_FADE: OnFadeTick(dialog); break;
    case TIMER_REFOCUS:
        KillTimer(dialog, TIMER_REFOCUS);
        // On a Linux desktop the window that had the focus is mostly no Wine window: the X11 companion gives it back.
        if (WriteX11CompanionFile(L"focus", "")) break;
        if (floating.lastForeground && IsWindow(floating.lastForeground)) SetForegroundWindow(floating.lastForeground);
        break;
    case TIMER_FLASH:
        KillTimer(dialog, TIMER_FLASH);
        SetIconImage(dialog, g_resources.iconApp);
        break;
    }
}

// A context menu asked for on the icon opens the tray menu there, or at the window's centre from the keyboard.
INT_PTR OnContextMenu(HWND dialog, HWND source, LPARAM lParam) {
    if (source != GetDlgItem(dialog, IDC_FLOATING_ICON)) return FALSE;
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (at.x == -1) {
        RECT rect{};
        GetWindowRect(dialog, &rect);
        at = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    SendMessageW(floating.mainWindow, WMU_TRAY, MAKEWPARAM(at.x, at.y), WM_CONTEXTMENU);
    return TRUE;
}

// Closing switches the button off; a settings dialog that is open can then no longer switch it on.
void OnClose(HWND dialog) {
    if (Settings.CHKCLOSE_FLOATING) {
        if (floating.confirmingClose) return;
        floating.confirmingClose = true;
        ScopeExit done([] { floating.confirmingClose = false; });
        if (MessageBoxW(floating.mainWindow, Tr(kConfirmClose), g_language.productTitle.c_str(),
                        MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    Settings.SHOW_FLOATING = false;
    EndDialog(dialog, 0);
    if (HWND settings = settingsDialogWindow) {
        CheckItem(settings, IDC_SET_FLOATING, false);
        EnableItem(settings, IDC_SET_FLOATING, false);
        SendMessageW(settings, WM_COMMAND, IDC_SET_FLOATING, 0);
        MessageBoxW(floating.mainWindow, Tr(kHowToRedisplay), g_language.productTitle.c_str(), MB_OK | MB_ICONWARNING);
    }
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDC_FLOATING_ICON:
        SendMessageW(floating.mainWindow, WMU_COMMAND, IDC_FLOATING_ICON, 0);
        SetTimer(dialog, TIMER_REFOCUS, kRefocusMs, nullptr);
        return TRUE;
    case IDCANCEL: OnClose(dialog); return TRUE;
    }
    return TRUE;
}

void OnDestroy(HWND dialog) {
    KillTimer(dialog, TIMER_FADE);
    KillTimer(dialog, TIMER_FLASH);
    DestroyIconImages(dialog);
    StoreFloatingButtonPlacement();
    floating.window = nullptr;
    floating.viewer = nullptr;
    SaveSettings();
    floating.anchors.Free();
}

INT_PTR FloatingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, void*) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    case WM_TIMER: OnTimer(dialog, wParam); return TRUE;
    case WM_CONTEXTMENU: return OnContextMenu(dialog, reinterpret_cast<HWND>(wParam), lParam);
    case WMU_TRAY: // the request to flash
        SetIconImage(dialog, g_resources.iconDoneLarge);
        SetTimer(dialog, TIMER_FLASH, kFlashMs, nullptr);
        return TRUE;
    case WM_SIZE: floating.anchors.Apply(); return FALSE;
    case WM_GETMINMAXINFO: floating.anchors.ApplyMinMax(reinterpret_cast<MINMAXINFO*>(lParam)); return FALSE;
    case WM_DESTROY: OnDestroy(dialog); return FALSE;
    }
    return FALSE;
}

// What the viewer is to show: the clipboard pasted as rich text, or a plain text.
struct ViewerContent {
    bool paste = false;
    std::wstring text;
};

// The text up to its first NUL, or its first kViewerTextLimit characters and an ellipsis.
std::wstring PreviewOf(const wchar_t* text, size_t units) {
    const wchar_t* end = std::find(text, text + std::min(units, kViewerTextLimit), L'\0');
    std::wstring preview(text, end);
    if (static_cast<size_t>(end - text) == kViewerTextLimit) preview += L'\x2026';
    return preview;
}

// Only text is shown. Rich text is pasted as such when it is small; otherwise the text is read here, which costs
// far less than the control's paste, and a long one is cut to its beginning. A clipboard that cannot be opened now
// shows nothing; the next change refreshes again.
ViewerContent ReadViewerContent(HWND owner) {
    ViewerContent content;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return content;
    ClipboardSession session(owner);
    if (!session.IsOpen()) return content;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return content;
    const size_t units = GlobalSize(data) / sizeof(wchar_t);
    const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
    if (units <= kViewerTextLimit && IsClipboardFormatAvailable(rtf)) {
        HANDLE rich = GetClipboardData(rtf);
        if (rich && GlobalSize(rich) <= kViewerRtfLimit) {
            content.paste = true;
            return content;
        }
    }
    GlobalLockGuard<const wchar_t> text(data);
    if (!text) return content;
    content.text = PreviewOf(text.get(), units);
    return content;
}

void ShowInViewer(HWND viewer, const ViewerContent& content) {
    SendMessageW(viewer, EM_SETREADONLY, FALSE, 0);
    SetWindowTextW(viewer, L"");
    if (content.paste) SendMessageW(viewer, WM_PASTE, 0, 0);
    else if (!content.text.empty()) SetWindowTextW(viewer, content.text.c_str());
    SendMessageW(viewer, EM_SETREADONLY, TRUE, 0);
}

} // namespace

HWND FloatingButtonWindow() { return floating.window; }

void OpenFloatingButton(HWND mainWindow) {
    if (floating.window) return;
    floating.mainWindow = mainWindow;
    RunModalDialog(IDD_FLOATING, IDD_FLOATING, nullptr, FloatingProc, nullptr);
}

void RefreshFloatingViewer() {
    if (floating.viewer) ShowInViewer(floating.viewer, ReadViewerContent(floating.window));
}

void ShowOwnWriteInFloatingViewer(const std::wstring& text) {
    if (!floating.viewer) return;
    ViewerContent content;
    content.text = PreviewOf(text.data(), text.size());
    ShowInViewer(floating.viewer, content);
}

void StoreFloatingButtonPlacement() {
    if (!floating.window || !IsWindow(floating.window)) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(floating.window, &placement)) return;
    const RECT& r = placement.rcNormalPosition; // screen coordinates for a tool window
    Settings.LEFT_FLOATING = r.left;
    Settings.TOP_FLOATING = r.top;
    Settings.WIDTH_FLOATING = r.right - r.left;
    Settings.HEIGHT_FLOATING = r.bottom - r.top;
}

int NextOpacity(int current, int target) {
    const int d = target - current;
    if (d < -9) return current - 10;
    if (d > 9) return current + 10;
    return target;
}
