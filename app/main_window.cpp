#include "app/main_window.h"

#include "app/app.h"
#include "app/commands.h"
#include "app/ids.h"
#include "base/program.h"
#include "app/tray_icon.h"
#include "base/notices.h"
#include "base/test_hooks.h"
#include "base/text.h"
#include "app/tray_menu.h"
#include "app/x11_hotkeys.h"
#include "clipboard/monitor.h"
#include "clipboard/process.h"
#include "clipboard/recopy.h"
#include "settings/settings.h"
#include "ui/dialogs.h"
#include "ui/floating.h"

namespace {

struct MainWindowState {
    UINT taskbarCreatedMsg = 0;
    bool shutDown = false;
};
MainWindowState mainWindow;

constexpr Text kHotkey1Failed{L"「クリップボードの変更を監視しない」のホットキーの割当てに失敗しました。",
                              L"Cannot register a hotkey for 'Stops to monitor the clipboard.'"};
constexpr Text kHotkey2Failed{L"「クリップボード内のテキストの属性を除去する」のホットキーの割当てに失敗しました。",
                              L"Cannot register a hotkey for 'Clipboard Rich Text to Plane Text.'"};

UINT HotkeyModifiers(bool shift, bool ctrl, bool alt) {
    return (shift ? MOD_SHIFT : 0) | (ctrl ? MOD_CONTROL : 0) | (alt ? MOD_ALT : 0);
}

void RegisterHotkeys(HWND window) {
    bool failed = false;
    if (Settings.SK1_VKEY != 0 &&
        !RegisterHotKey(window, HOTKEY_MONITOR,
                        HotkeyModifiers(Settings.SK1_SHIFT, Settings.SK1_CTRL, Settings.SK1_ALT), Settings.SK1_VKEY)) {
        AddNotice(Tr(kHotkey1Failed), NOTICE_WARNING);
        failed = true;
    }
    if (Settings.SK2_VKEY != 0 &&
        !RegisterHotKey(window, HOTKEY_REWRITE,
                        HotkeyModifiers(Settings.SK2_SHIFT, Settings.SK2_CTRL, Settings.SK2_ALT), Settings.SK2_VKEY)) {
        AddNotice(Tr(kHotkey2Failed), NOTICE_WARNING);
        failed = true;
    }
    if (failed) ShowNotices();
    ShareHotkeysWithX11Companion();
}

// The settings dialog changed the hotkeys: they replace the registered ones at once.
void ReregisterHotkeys() {
    HWND window = g_app.mainWindow;
    ClearNotices();
    UnregisterHotKey(window, HOTKEY_MONITOR);
    UnregisterHotKey(window, HOTKEY_REWRITE);
    RegisterHotkeys(window);
}

LRESULT OnCreate(HWND window) {
    g_app.mainWindow = window;
    TrayAdd(window, MonitoringIcon());
    mainWindow.taskbarCreatedMsg = RegisterWindowMessageW(L"TaskbarCreated");
    LoadTrayMenu();
    if (Settings.CBWatchEnabled) ProcessClipboard(window, false);
    AttachClipboardWatch(window);
    ClearNotices();
    RegisterHotkeys(window);
    SetHotkeysChangedHandler(ReregisterHotkeys);
    RestartChainRefresh(window);
    if (g_language.uiJapanese && !Settings.NoOpeningDlg) OpenOpeningDialog(window);
    return 0;
}

void ShutDown(HWND window) {
    if (mainWindow.shutDown) return;
    mainWindow.shutDown = true;
    KillTimer(window, TIMER_CHAIN_REFRESH);
    StopLineRecopy(window);
    DetachClipboardWatch(window);
    TrayDelete(window);
    if (Settings.SK1_VKEY != 0) UnregisterHotKey(window, HOTKEY_MONITOR);
    if (Settings.SK2_VKEY != 0) UnregisterHotKey(window, HOTKEY_REWRITE);
    DestroyTrayMenu();
    KeepClipboardTextAfterExit(window);
    StoreFloatingButtonPlacement(); // the process ends without destroying the button
    SaveSettings();
}

// Every close request ("/X", Exit, the end of the session) arrives here. It may arrive inside the tray menu, a
// message box or a dialog, whose modal loop can swallow the quit message (under Wine even a menu that was just
// dismissed did), which would leave a process that holds the mutex and watches nothing. Once the settings are saved
// nothing remains to be done, so the process ends here, whatever loop is running.
LRESULT OnDestroy(HWND window) {
    try {
        ShutDown(window);
    } catch (...) {
        ShowExceptionBox(window);
    }
    ExitProcess(0);
}

LRESULT OnEndSession(HWND window, WPARAM ending) {
    if (ending) DestroyWindow(window);
    return 0;
}

LRESULT OnTimer(HWND window, WPARAM id) {
    switch (id) {
    case TIMER_SINGLE_CLICK:
        KillTimer(window, TIMER_SINGLE_CLICK);
        DispatchCommand(window, IDM_PROCESS_NOW);
        break;
    case TIMER_CHAIN_REFRESH: OnChainRefreshTimer(window); break;
    case TIMER_PROCESS_DELAY: OnProcessDelayTimer(window); break;
    case TIMER_ICON_RESTORE:
        TrayModify(window, MonitoringIcon());
        KillTimer(window, TIMER_ICON_RESTORE);
        break;
    case TIMER_RECOPY: OnRecopyTimer(window); break;
    }
    return 0;
}

// Hotkey requests are posted so that they run after the message being handled.
LRESULT OnHotKey(HWND window, WPARAM id) {
    if (id == HOTKEY_MONITOR) PostMessageW(window, WMU_COMMAND, IDM_TOGGLE_MONITOR, 0);
    if (id == HOTKEY_REWRITE) PostMessageW(window, WMU_COMMAND, IDM_PROCESS_NOW, 0);
    return 0;
}

// Other instances, the hotkeys, the floating button and the already-running dialog may ask for these only.
LRESULT OnCommandMessage(HWND window, WPARAM id) {
    RecordCommand(static_cast<UINT>(id));
    switch (id) {
    case IDM_TOGGLE_MONITOR:
    case IDM_PROCESS_NOW:
    case IDM_MONITOR_OFF:
    case IDM_MONITOR_ON:
    case IDM_SETTINGS: DispatchCommand(window, static_cast<UINT>(id)); break;
    }
    return 0;
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_DESTROY: return OnDestroy(window);
    case WM_ENDSESSION: return OnEndSession(window, wParam);
    case WM_TIMER: return OnTimer(window, wParam);
    case WM_CLIPBOARDUPDATE:
    case WM_DRAWCLIPBOARD: OnClipboardChanged(window, message, wParam, lParam); return 0;
    case WM_CHANGECBCHAIN: OnChangeClipboardChain(window, wParam, lParam); return 0;
    case WM_PAINT: ValidateRect(window, nullptr); return 0;
    case WM_CLOSE: return 0; // closing does not end the program
    case WM_HOTKEY: return OnHotKey(window, wParam);
    case WMU_TRAY: OnTrayMessage(window, wParam, lParam); return 0;
    case WMU_COMMAND: return OnCommandMessage(window, wParam);
    case WMU_OPEN_FLOATING:
        if (Settings.SHOW_FLOATING) OpenFloatingButton(window);
        return 0;
    }
    if (message == mainWindow.taskbarCreatedMsg && message != 0) {
        TrayAdd(window, MonitoringIcon()); // the shell restarted
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// No exception crosses into the system's code: whatever a handler did not expect is reported here, and the guards
// it passed have already restored their state.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        ShowExceptionBox(window);
        return 0;
    }
}

} // namespace

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = g_resources.iconApp;
    windowClass.hIconSm = g_resources.iconWatchOn;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, kMainWindowClass, g_language.productTitle.c_str(), WS_POPUP, CW_USEDEFAULT, 0, 64,
                                  64, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    return window;
}
