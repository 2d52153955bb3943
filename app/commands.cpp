#include "app/commands.h"

#include "app/app.h"
#include "app/handles.h"
#include "app/ids.h"
#include "app/notify.h"
#include "app/text.h"
#include "clipboard/monitor.h"
#include "clipboard/process.h"
#include "clipboard/recopy.h"
#include "convert/definitions.h"
#include "settings/settings.h"
#include "ui/dialogs.h"
#include "ui/floating.h"

bool modalDialogOpen = false;

namespace {

constexpr Text kCannotOpenClipboard{
    L"クリップボードを開けません。他のアプリケーションが使用中である可能性があるので、少し待ってからやり直して下さい。",
    L"Cannot open the clipboard."};
constexpr Text kCannotClearClipboard{L"クリップボードの内容を空にできませんでした。",
                                     L"Cannot clear the data in the clipboard."};
constexpr Text kLfCrBoth{L"改行コード指定をLF/CR共にオンにすると、CR+LFになります。",
                         L"If both LF and CR are turned on for line feed code designation, it becomes CR + LF."};

// After CBWatchEnabled changed: save, show the state, and either stop the re-copy or process at once.
void FollowMonitoringState(HWND window) {
    SaveSettings();
    TrayModify(window, MonitoringIcon());
    if (!Settings.CBWatchEnabled) {
        StopLineRecopy(window);
        return;
    }
    ProcessClipboard(window, true);
    RestartChainRefresh(window);
}

// Holds modalDialogOpen while a dialog runs, on every way out of it.
class ModalDialogScope {
public:
    ModalDialogScope() { modalDialogOpen = true; }
    ~ModalDialogScope() { modalDialogOpen = false; }
    ModalDialogScope(const ModalDialogScope&) = delete;
    ModalDialogScope& operator=(const ModalDialogScope&) = delete;
};

void RunModalDialog(INT_PTR (*run)()) {
    if (modalDialogOpen) return;
    INT_PTR result;
    {
        ModalDialogScope scope;
        result = run();
    }
    if (result == IDOK) SaveSettings();
}

// After the settings dialog the floating button follows SHOW_FLOATING.
void ApplyFloatingButtonSetting() {
    HWND floating = FloatingButtonWindow();
    if (Settings.SHOW_FLOATING && !floating) {
        OpenFloatingButton();
    } else if (Settings.SHOW_FLOATING && floating) {
        SetLayeredWindowAttributes(floating, 0, static_cast<BYTE>(Settings.ALPHA_FLOATING), LWA_ALPHA);
    } else if (!Settings.SHOW_FLOATING && floating) {
        EndDialog(floating, 0);
    }
}

void EmptyTheClipboard(HWND window) {
    ClipboardSession session(window);
    if (!session.IsOpen()) {
        Notify(nullptr, nullptr, 0);
        Notify(window, Tr(kCannotOpenClipboard), NOTICE_ERROR);
        return;
    }
    if (!EmptyClipboard()) {
        Notify(nullptr, nullptr, 0);
        Notify(window, Tr(kCannotClearClipboard), NOTICE_ERROR);
    }
}

void ToggleAndSave(bool& option) {
    option = !option;
    SaveSettings();
}

void ToggleLineFeed(HWND window, bool& option, bool other) {
    option = !option;
    if (option && other) MessageBoxW(window, Tr(kLfCrBoth), g_app.productTitle.c_str(), MB_OK | MB_ICONINFORMATION);
}

void SetFileFolderCopy(int mode) {
    Settings.FileFolderCopy = mode;
    SaveSettings();
}

void SelectConversion(UINT id) {
    size_t index = id - IDM_CONVERT_FIRST;
    if (index > 99 || index >= ConversionTable.size()) return;
    Settings.StrConvID = ConversionTable[index].identifier;
    SaveSettings();
}

} // namespace

void DispatchCommand(HWND window, UINT id) {
    SettingsRecord& s = Settings;
    if (id >= IDM_CONVERT_FIRST && id <= IDM_CONVERT_LAST) {
        SelectConversion(id);
        return;
    }
    switch (id) {
    case IDM_TOGGLE_MONITOR:
        s.CBWatchEnabled = !s.CBWatchEnabled;
        FollowMonitoringState(window);
        break;
    case IDM_MONITOR_OFF:
        s.CBWatchEnabled = false;
        FollowMonitoringState(window);
        break;
    case IDM_MONITOR_ON:
        s.CBWatchEnabled = true;
        FollowMonitoringState(window);
        break;
    case IDM_PROCESS_NOW:
        ProcessClipboard(window, true);
        RestartChainRefresh(window);
        break;
    case IDM_SETTINGS:
        if (modalDialogOpen) break;
        RunModalDialog(RunSettingsDialog);
        ApplyFloatingButtonSetting();
        break;
    case IDM_REGEX: RunModalDialog(RunRegexDialog); break;
    case IDM_MUL_BY_N: RunModalDialog(RunMulByNDialog); break;
    case IDM_ABOUT:
        if (modalDialogOpen) break;
        {
            ModalDialogScope scope;
            RunAboutDialog();
        }
        break;
    case IDM_CONVERT_NONE:
        s.StrConvID.clear();
        SaveSettings();
        break;
    case IDM_DEL_SPACE: ToggleAndSave(s.DelSpace); break;
    case IDM_DEL_ENTER: ToggleAndSave(s.DelEnter); break;
    case IDM_DEL_TAB: ToggleAndSave(s.DelTab); break;
    case IDM_TRIMLEFT: s.FEL_TRIMLEFT = !s.FEL_TRIMLEFT; break;
    case IDM_TRIMLEFT_FPSPACE: s.FEL_TRIMLEFT_FPSPACE = !s.FEL_TRIMLEFT_FPSPACE; break;
    case IDM_TRIMLEFT_TAB: s.FEL_TRIMLEFT_TAB = !s.FEL_TRIMLEFT_TAB; break;
    case IDM_TRIMLEFT_ZERO: s.FEL_TRIMLEFT_ZERO = !s.FEL_TRIMLEFT_ZERO; break;
    case IDM_TRIMLEFT_FPZERO: s.FEL_TRIMLEFT_FPZERO = !s.FEL_TRIMLEFT_FPZERO; break;
    case IDM_TRIMRIGHT: s.FEL_TRIMRIGHT = !s.FEL_TRIMRIGHT; break;
    case IDM_TRIMRIGHT_FPSPACE: s.FEL_TRIMRIGHT_FPSPACE = !s.FEL_TRIMRIGHT_FPSPACE; break;
    case IDM_TRIMRIGHT_TAB: s.FEL_TRIMRIGHT_TAB = !s.FEL_TRIMRIGHT_TAB; break;
    case IDM_SORTASC:
        s.FEL_SORTASC = !s.FEL_SORTASC;
        if (s.FEL_SORTASC) s.FEL_SORTDSC = false;
        break;
    case IDM_SORTDSC:
        s.FEL_SORTDSC = !s.FEL_SORTDSC;
        if (s.FEL_SORTDSC) s.FEL_SORTASC = false;
        break;
    case IDM_UNIQ: s.FEL_UNIQ = !s.FEL_UNIQ; break;
    case IDM_DELBLANKLINE: s.FEL_DELBLANKLINE = !s.FEL_DELBLANKLINE; break;
    case IDM_TAB4SPACE:
        s.TAB4SPACE = !s.TAB4SPACE;
        s.TAB8SPACE = false;
        break;
    case IDM_TAB8SPACE:
        s.TAB8SPACE = !s.TAB8SPACE;
        s.TAB4SPACE = false;
        break;
    case IDM_LC_LF: ToggleLineFeed(window, s.LC_LF, s.LC_CR); break;
    case IDM_LC_CR: ToggleLineFeed(window, s.LC_CR, s.LC_LF); break;
    case IDM_FILES_NONE: SetFileFolderCopy(0); break;
    case IDM_FILES_NAMES: SetFileFolderCopy(1); break;
    case IDM_FILES_FULLPATHS: SetFileFolderCopy(2); break;
    case IDM_CSV_CHANGEROWCOL: s.CSVTSV_CHANGEROWCOL = !s.CSVTSV_CHANGEROWCOL; break;
    case IDM_MULTIDIV: s.MultiDiv = !s.MultiDiv; break;
    case IDM_EMPTY_CLIPBOARD: EmptyTheClipboard(window); break;
    case IDM_HELP:
        if (!modalDialogOpen) ShowHelp(window, L"HLP000001.html");
        break;
    case IDM_EXIT: DestroyWindow(window); break;
    }
}
