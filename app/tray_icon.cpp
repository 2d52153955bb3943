#include "app/tray_icon.h"

#include "app/app.h"
#include "app/ids.h"
#include "base/program.h"
#include "base/notices.h"
#include "base/test_hooks.h"
#include "base/text.h"
#include "settings/settings.h"
#include "ui/floating.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstddef>
#include <string>

namespace {

// The balloon record is sent without the trailing balloon-icon handle.
constexpr DWORD kBalloonRecordSize = offsetof(NOTIFYICONDATAW, hBalloonIcon);
static_assert(sizeof(NOTIFYICONDATAW) == 976, "full tray record");
static_assert(kBalloonRecordSize == 968, "balloon record");

void SendTrayIcon(DWORD message, HWND window, HICON icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WMU_TRAY;
    data.hIcon = icon;
    lstrcpynW(data.szTip, g_language.productTitle.c_str(), ARRAYSIZE(data.szTip));
    Shell_NotifyIconW(message, &data);
}

void ShowBalloon(const std::wstring& text, unsigned level) {
    NOTIFYICONDATAW data{};
    data.cbSize = kBalloonRecordSize;
    data.hWnd = g_app.mainWindow;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_INFO;
    lstrcpynW(data.szInfo, text.c_str(), 256); // the first 255 characters
    lstrcpynW(data.szInfoTitle, g_language.productTitle.c_str(), ARRAYSIZE(data.szInfoTitle));
    data.dwInfoFlags = level;
    data.uTimeout = 3000;
    Shell_NotifyIconW(NIM_MODIFY, &data);
    RecordShownNotice(level, data.szInfo);
}

void PlaySelectedSound() {
    if (!Settings.PLAY_SOUND) return;
    if (Settings.PLAY_SOUND_FNAME.empty()) {
        MessageBeep(MB_OK);
        return;
    }
    if (!PlaySoundW(Settings.PLAY_SOUND_FNAME.c_str(), nullptr, SND_FILENAME | SND_ASYNC)) MessageBeep(MB_OK);
}

void ShowDoneIcon() {
    TrayModify(g_app.mainWindow, g_resources.iconDone);
    SetTimer(g_app.mainWindow, TIMER_ICON_RESTORE, 300, nullptr);
    if (HWND floating = FloatingButtonWindow()) SendMessageW(floating, WMU_TRAY, 0, 0);
}

const wchar_t* IconName(HICON icon) {
    return icon == g_resources.iconWatchOn ? L"on" : icon == g_resources.iconWatchOff ? L"off" : L"done";
}

} // namespace

void TrayAdd(HWND window, HICON icon) {
    SendTrayIcon(NIM_ADD, window, icon);
    RecordTrayIcon(true, IconName(icon));
}

void TrayModify(HWND window, HICON icon) {
    SendTrayIcon(NIM_MODIFY, window, icon);
    RecordTrayIcon(false, IconName(icon));
}

void TrayDelete(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    Shell_NotifyIconW(NIM_DELETE, &data);
}

HICON MonitoringIcon() { return Settings.CBWatchEnabled ? g_resources.iconWatchOn : g_resources.iconWatchOff; }

void InstallTrayFeedback() {
    FeedbackDisplay display;
    display.showBalloon = ShowBalloon;
    display.playDoneSound = PlaySelectedSound;
    display.flashDoneIcon = ShowDoneIcon;
    SetFeedbackDisplay(display);
}
