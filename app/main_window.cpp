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
#include "convert/filter.h"
#include "settings/settings.h"
#include "ui/dialog.h"
#include "ui/dialogs.h"
#include "ui/floating.h"
#include "ui/hotkey_keys.h"

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
constexpr Text kHotkey3Failed{L"「書式付きのコピーに戻す」のホットキーの割当てに失敗しました。",
                              L"Cannot register a hotkey for 'Restore the formatted copy.'"};

constexpr UINT kOpenFloatingRetryMs = 100;

UINT HotkeyModifiers(bool shift, bool ctrl, bool alt) {
    return (shift ? MOD_SHIFT : 0) | (ctrl ? MOD_CONTROL : 0) | (alt ? MOD_ALT : 0);
}

// A bare key (no Shift, Ctrl or Alt) is never registered: it fails like a combination another program holds.
bool RegisterOneHotkey(HWND window, int id, bool shift, bool ctrl, bool alt, BYTE key) {
    return !IsBareHotkey({shift, ctrl, alt, key}) && RegisterHotKey(window, id, HotkeyModifiers(shift, ctrl, alt), key);
}

struct HotkeySlot {
    int id;
    const bool SettingsRecord::*shift;
    const bool SettingsRecord::*ctrl;
    const bool SettingsRecord::*alt;
    const BYTE SettingsRecord::*key;
    const Text* failed;
};
const HotkeySlot kHotkeySlots[] = {
    {HOTKEY_MONITOR, &SettingsRecord::SK1_SHIFT, &SettingsRecord::SK1_CTRL, &SettingsRecord::SK1_ALT,
     &SettingsRecord::SK1_VKEY, &kHotkey1Failed},
    {HOTKEY_REWRITE, &SettingsRecord::SK2_SHIFT, &SettingsRecord::SK2_CTRL, &SettingsRecord::SK2_ALT,
     &SettingsRecord::SK2_VKEY, &kHotkey2Failed},
    {HOTKEY_RESTORE, &SettingsRecord::SK3_SHIFT, &SettingsRecord::SK3_CTRL, &SettingsRecord::SK3_ALT,
     &SettingsRecord::SK3_VKEY, &kHotkey3Failed},
};

void RegisterHotkeys(HWND window) {
    const SettingsRecord& s = Settings;
    bool failed = false;
    for (const HotkeySlot& slot : kHotkeySlots) {
        if (s.*slot.key == 0 || RegisterOneHotkey(window, slot.id, s.*slot.shift, s.*slot.ctrl, s.*slot.alt, s.*slot.key))
            continue;
        AddNotice(Tr(*slot.failed), NOTICE_WARNING);
        failed = true;
    }
    if (failed) ShowNotices();
    ShareHotkeysWithX11Companion();
}

void UnregisterHotkeys(HWND window) {
    for (const HotkeySlot& slot : kHotkeySlots) UnregisterHotKey(window, slot.id);
}

// The settings dialog changed the hotkeys: they replace the registered ones at once.
void ReregisterHotkeys() {
    HWND window = g_app.mainWindow;
    ClearNotices();
    UnregisterHotkeys(window);
    RegisterHotkeys(window);
}

void ShowClipboardChange(const std::wstring* ownText) {
    if (ownText) ShowOwnWriteInFloatingViewer(*ownText);
    else RefreshFloatingViewer();
}

// Dispatches what arrived, as the main loop would; false once the loop is to end (the quit message is put back).
bool DispatchWaitingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (HandleModelessDialogMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

// The wait for an external command: the thread goes on answering the tray, hotkeys, other instances and "/X".
bool WaitAnsweringMessages(HANDLE process, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD result = MsgWaitForMultipleObjectsEx(1, &process, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1 || !DispatchWaitingMessages())
            return WaitForSingleObject(process, result == WAIT_TIMEOUT ? 0 : static_cast<DWORD>(deadline - now)) ==
                   WAIT_OBJECT_0;
    }
}

LRESULT OnCreate(HWND window) {
    g_app.mainWindow = window;
    TrayAdd(window, MonitoringIcon());
    mainWindow.taskbarCreatedMsg = RegisterWindowMessageW(L"TaskbarCreated");
    LoadTrayMenu();
    SetClipboardChangeHook(ShowClipboardChange);
    SetFilterWait(WaitAnsweringMessages);
    RemoveLeftoverFilterFiles();
    if (Settings.CBWatchEnabled) ProcessClipboard(window, false);
    AttachClipboardWatch(window);
    CatchUpMissedCopy(window);
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
    CancelExternalFilter(); // the copy stays as it was
    KillTimer(window, TIMER_CHAIN_REFRESH);
    StopLineRecopy(window);
    DetachClipboardWatch(window);
    TrayDelete(window);
    UnregisterHotkeys(window);
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

// The button's loop runs until it closes: opened while a run waits for an external command, it would hold that run
// as long, so it waits for the run instead.
void OnOpenFloating(HWND window) {
    if (!Settings.SHOW_FLOATING) return;
    if (ClipboardProcessingRunning()) SetTimer(window, TIMER_OPEN_FLOATING, kOpenFloatingRetryMs, nullptr);
    else OpenFloatingButton(window);
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
    case TIMER_OPEN_FLOATING:
        KillTimer(window, TIMER_OPEN_FLOATING);
        OnOpenFloating(window);
        break;
    }
    return 0;
}

// Hotkey requests are posted so that they run after the message being handled.
LRESULT OnHotKey(HWND window, WPARAM id) {
    if (id == HOTKEY_MONITOR) PostMessageW(window, WMU_COMMAND, IDM_TOGGLE_MONITOR, 0);
    if (id == HOTKEY_REWRITE) PostMessageW(window, WMU_COMMAND, IDM_PROCESS_NOW, 0);
    if (id == HOTKEY_RESTORE) PostMessageW(window, WMU_COMMAND, IDM_RESTORE_FORMATTED, 0);
    return 0;
}

// Other instances, the hotkeys, the floating button and the already-running dialog may ask for these only.
LRESULT OnCommandMessage(HWND window, WPARAM id) {
    RecordCommand(static_cast<UINT>(id));
    switch (id) {
    case IDM_TOGGLE_MONITOR:
    case IDM_PROCESS_NOW:
    case IDM_RESTORE_FORMATTED:
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
    case WMU_OPEN_FLOATING: OnOpenFloating(window); return 0;
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
