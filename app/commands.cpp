#include "app/commands.h"

#include "about/about_dialog.h"
#include "app/app.h"
#include "base/handles.h"
#include "app/ids.h"
#include "app/options.h"
#include "app/tray_icon.h"
#include "base/notices.h"
#include "base/text.h"
#include "clipboard/monitor.h"
#include "clipboard/process.h"
#include "clipboard/recopy.h"
#include "clipboard/snapshot.h"
#include "convert/definitions.h"
#include "settings/settings.h"
#include "ui/dialog.h"
#include "ui/dialogs.h"
#include "ui/help.h"
#include "ui/floating.h"

namespace {

constexpr Text kCannotOpenClipboard{
    L"クリップボードを開けません。他のアプリケーションが使用中である可能性があるので、少し待ってからやり直して下さい。",
    L"Cannot open the clipboard."};
constexpr Text kCannotClearClipboard{L"クリップボードの内容を空にできませんでした。",
                                     L"Cannot clear the data in the clipboard."};
constexpr Text kFormattedCopyBack{L"書式付きのコピーに戻しました。", L"The formatted copy is back."};
constexpr Text kNothingToRestore{L"戻せる書式付きのコピーがありません。", L"There is no formatted copy to restore."};

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

void SaveAfterOk(INT_PTR result) {
    if (result == IDOK) SaveSettings();
}

// After the settings dialog the floating button follows SHOW_FLOATING. A new button is opened once this command is
// done: its loop runs until it closes, and whoever asked for the command must not wait that long.
void ApplyFloatingButtonSetting(HWND window) {
    HWND floating = FloatingButtonWindow();
    if (Settings.SHOW_FLOATING && !floating) {
        PostMessageW(window, WMU_OPEN_FLOATING, 0, 0);
    } else if (Settings.SHOW_FLOATING && floating) {
        SetLayeredWindowAttributes(floating, 0, static_cast<BYTE>(Settings.ALPHA_FLOATING), LWA_ALPHA);
    } else if (!Settings.SHOW_FLOATING && floating) {
        EndDialog(floating, 0);
    }
}

void EmptyTheClipboard(HWND window) {
    ClipboardSession session(window);
    if (!session.IsOpen()) {
        ShowNotice(Tr(kCannotOpenClipboard), NOTICE_ERROR);
        return;
    }
    if (!EmptyClipboard()) {
        ShowNotice(Tr(kCannotClearClipboard), NOTICE_ERROR);
    }
}

// The re-copy would overwrite the restored copy at its next tick, so it ends first.
void RestoreTheFormattedCopy(HWND window) {
    StopLineRecopy(window);
    switch (RestoreFormattedCopy(window)) {
    case RestoreResult::Restored:
        AnnounceClipboardChange();
        if (Settings.SHOW_BALLOON) ShowNotice(Tr(kFormattedCopyBack), NOTICE_INFO);
        break;
    case RestoreResult::NothingToRestore: ShowNotice(Tr(kNothingToRestore), NOTICE_WARNING); break;
    case RestoreResult::CannotOpen: ShowNotice(Tr(kCannotOpenClipboard), NOTICE_ERROR); break;
    }
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
    if (ToggleOption(window, id)) return;
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
    case IDM_RESTORE_FORMATTED: RestoreTheFormattedCopy(window); break;
    case IDM_SETTINGS:
        if (modalDialogOpen) break;
        SaveAfterOk(RunSettingsDialog());
        ApplyFloatingButtonSetting(window);
        break;
    case IDM_REGEX: SaveAfterOk(RunRegexDialog()); break;
    case IDM_MUL_BY_N: SaveAfterOk(RunMulByNDialog()); break;
    case IDM_ABOUT: RunAboutDialog(); break;
    case IDM_CONVERT_NONE:
        s.StrConvID.clear();
        SaveSettings();
        break;
    case IDM_FILES_NONE: SetFileFolderCopy(0); break;
    case IDM_FILES_NAMES: SetFileFolderCopy(1); break;
    case IDM_FILES_FULLPATHS: SetFileFolderCopy(2); break;
    case IDM_EMPTY_CLIPBOARD: EmptyTheClipboard(window); break;
    case IDM_HELP:
        if (!modalDialogOpen) ShowHelp(window, L"HLP000001.html");
        break;
    case IDM_EXIT: DestroyWindow(window); break;
    }
}
