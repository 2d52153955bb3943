// Process entry: language and resources, the single-instance decision, switches, settings, the hidden main window
// and the message loop. Every path ends with exit code 0.
#include "app/app.h"
#include "base/handles.h"
#include "app/ids.h"
#include "base/program.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/tray_icon.h"
#include "base/test_hooks.h"
#include "base/text.h"
#include "clipboard/monitor.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "settings/store.h"
#include "ui/dialog.h"
#include "ui/dialogs.h"
#include "ui/guide_ids.h"
#include "ui/help.h"
#include "ui/floating.h"

#include <objbase.h>
#include <commctrl.h>
#include <shellapi.h>
#include <objidl.h>
#include <gdiplus.h>

namespace {

constexpr Text kFindWindowFailed{L"ウィンドウの検出に失敗しました。", L"FindWindow was failed."};
constexpr Text kForceExitFailed{L"ウィンドウの検出に失敗しました。強制終了に失敗しました。", L"FindWindow() failed."};

// The command a forwarding switch asks of the running instance, or 0.
UINT ForwardedCommand(StartSwitch sw) {
    switch (sw) {
    case StartSwitch::P: return IDM_TOGGLE_MONITOR;
    case StartSwitch::P0: return IDM_MONITOR_OFF;
    case StartSwitch::P1: return IDM_MONITOR_ON;
    case StartSwitch::R: return IDM_PROCESS_NOW;
    case StartSwitch::U: return IDM_RESTORE_FORMATTED;
    default: return 0;
    }
}

void DecideLanguage() {
    g_language.uiJapanese = DecideJapaneseUi();
    g_language.productTitle = g_language.uiJapanese ? kProductTitleJa : kProductTitleEn;
}

void LoadIconsAndPictures() {
    auto sharedIcon = [](int id, int size) {
        return static_cast<HICON>(LoadImageW(g_resources.instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size,
                                             LR_SHARED | (size ? 0 : LR_DEFAULTSIZE)));
    };
    g_resources.iconApp = sharedIcon(IDI_APP, 0);
    g_resources.iconWatchOn = sharedIcon(IDI_WATCH_ON, 0);
    g_resources.iconWatchOff = sharedIcon(IDI_WATCH_OFF, 0);
    g_resources.iconDone = sharedIcon(IDI_DONE, 0);
    g_resources.iconDoneLarge = sharedIcon(IDI_DONE, 32);

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
        g_resources.guideImageOld = LoadPngResource(g_resources.instance, IDP_GUIDE_OLD);
        g_resources.guideImageNew = LoadPngResource(g_resources.instance, IDP_GUIDE_NEW);
        Gdiplus::GdiplusShutdown(token);
    }
}

// Asks the running instance to end, as "/X" does, and makes sure its process is gone before this one ends: one
// that does not end within ten seconds is ended.
void EndRunningInstance(HWND running) {
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    KernelHandle process{OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId)};
    SendMessageTimeoutW(running, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    if (process && WaitForSingleObject(process.get(), 10000) == WAIT_TIMEOUT) {
        TerminateProcess(process.get(), 0);
        WaitForSingleObject(process.get(), 5000);
    }
}

void RunSecondInstance(StartSwitch sw) {
    HWND running = FindWindowW(kMainWindowClass, nullptr);
    if (UINT command = ForwardedCommand(sw)) {
        if (running) SendMessageW(running, WMU_COMMAND, command, 0);
        else ShowMessage(nullptr, kFindWindowFailed, MB_ICONERROR);
        return;
    }
    if (sw == StartSwitch::X) {
        if (running) EndRunningInstance(running);
        return;
    }
    switch (RunAlreadyRunningDialog()) {
    case IDC_FORCE_EXIT:
        if (HWND found = FindWindowW(kMainWindowClass, nullptr)) EndRunningInstance(found);
        else ShowMessage(nullptr, kForceExitFailed, MB_ICONERROR);
        break;
    case IDC_RUNNING_SETTINGS:
        // Posted: the running instance's settings dialog must not hold this start until it is closed.
        if (HWND found = FindWindowW(kMainWindowClass, nullptr)) PostMessageW(found, WMU_COMMAND, IDM_SETTINGS, 0);
        break;
    }
}

void OpenHelpPage() {
    OpenHelpViewer(L"HLP000021.html"); // says so itself when it cannot
}

// "/C", "/C0", "/C1": monitoring as asked (processing with the loaded options), then the conversions off.
void ResetConversionOptions(HWND window, StartSwitch sw) {
    if ((!Settings.CBWatchEnabled && sw == StartSwitch::C1) || (Settings.CBWatchEnabled && sw == StartSwitch::C0))
        SendMessageW(window, WMU_COMMAND, IDM_TOGGLE_MONITOR, 0);
    SettingsRecord& s = Settings;
    s.StrConvID.clear();
    s.DelSpace = s.DelEnter = s.DelTab = s.REP_REP = false;
    for (size_t i = 0; i < kResettableLineOptions; ++i) s.*kLineOptions[i] = false;
}

void ApplyStartSwitch(HWND window, StartSwitch sw) {
    if (UINT command = ForwardedCommand(sw)) SendMessageW(window, WMU_COMMAND, command, 0);
    if (sw == StartSwitch::C || sw == StartSwitch::C0 || sw == StartSwitch::C1) ResetConversionOptions(window, sw);
}

void RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (HandleModelessDialogMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    g_resources.instance = instance;
    InitTestHooks();
    StartSwitch sw = ParseStartSwitch(commandLine);
    DecideLanguage();
    LoadIconsAndPictures();

    KernelHandle mutex{CreateMutexW(nullptr, TRUE, kMutexName)};
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        RunSecondInstance(sw);
        return 0;
    }
    switch (sw) {
    case StartSwitch::X: return 0;
    case StartSwitch::OR: CopySettingsBetweenStores(StoreCopy::IniToRegistry); return 0;
    case StartSwitch::RO: CopySettingsBetweenStores(StoreCopy::RegistryToIni); return 0;
    case StartSwitch::Help: OpenHelpPage(); return 0;
    default: break;
    }

    SetCurrentDirectoryToExe();
    if (sw == StartSwitch::O) {
        g_store.useIniFile = true;
        EnsureIniFile();
    }
    if (sw == StartSwitch::N) g_store.nonSaveMode = true;
    wchar_t exePath[520];
    DWORD exeLength = GetModuleFileNameW(nullptr, exePath, ARRAYSIZE(exePath));
    ExeNameModes modes = ExeNameModesFromPath(std::wstring(exePath, exeLength < ARRAYSIZE(exePath) ? exeLength : 0));
    g_store.useIniFile = g_store.useIniFile || modes.useIniFile;
    g_store.nonSaveMode = g_store.nonSaveMode || modes.nonSaveMode;
    LoadSettings();

    Library user32{LookUpClipboardListener()};
    InstallTrayFeedback();
    HWND window = CreateMainWindow(instance);
    if (!window) return 0;

    OleInitialize(nullptr); // COM for the shell links, OLE for the viewer's paste
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_LINK_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    ApplyStartSwitch(window, sw);

    Library richEdit{LoadLibraryW(L"RICHED20.DLL")};
    if (Settings.SHOW_FLOATING) OpenFloatingButton(window);
    RunMessageLoop();

    richEdit.reset();
    mutex.reset();
    OleUninitialize();
    return 0;
}
