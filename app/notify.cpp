#include "app/notify.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/test_hooks.h"
#include "settings/settings.h"
#include "ui/floating.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstddef>
#include <string>

namespace {

struct NoticeBuffer {
    std::wstring text;
    unsigned level = 0;
};
NoticeBuffer notices;

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
    lstrcpynW(data.szTip, g_app.productTitle.c_str(), ARRAYSIZE(data.szTip));
    Shell_NotifyIconW(message, &data);
}

void ShowBalloon(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = kBalloonRecordSize;
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_INFO;
    lstrcpynW(data.szInfo, notices.text.c_str(), 256); // the first 255 characters
    lstrcpynW(data.szInfoTitle, g_app.productTitle.c_str(), ARRAYSIZE(data.szInfoTitle));
    data.dwInfoFlags = notices.level;
    data.uTimeout = 3000;
    Shell_NotifyIconW(NIM_MODIFY, &data);
    RecordShownNotice(notices.level, data.szInfo);
}

} // namespace

void TrayAdd(HWND window, HICON icon) {
    SendTrayIcon(NIM_ADD, window, icon);
    RecordTrayIcon(true, icon);
}

void TrayModify(HWND window, HICON icon) {
    SendTrayIcon(NIM_MODIFY, window, icon);
    RecordTrayIcon(false, icon);
}

void TrayDelete(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    Shell_NotifyIconW(NIM_DELETE, &data);
}

HICON MonitoringIcon() { return Settings.CBWatchEnabled ? g_app.iconWatchOn : g_app.iconWatchOff; }

void Notify(HWND window, const wchar_t* text, unsigned level) {
    if (!window && !text) {
        notices.text.clear();
        notices.level = 0;
        return;
    }
    if (text) {
        if (!notices.text.empty()) notices.text += L"\r\n-----\r\n";
        notices.text += text;
        if (level > notices.level) notices.level = level;
    }
    if (window && !notices.text.empty()) ShowBalloon(window);
}

void PlayDoneSound() {
    if (!Settings.PLAY_SOUND) return;
    if (Settings.PLAY_SOUND_FNAME.empty()) {
        MessageBeep(MB_OK);
        return;
    }
    if (!PlaySoundW(Settings.PLAY_SOUND_FNAME.c_str(), nullptr, SND_FILENAME | SND_ASYNC)) MessageBeep(MB_OK);
}

void FlashDoneIcon(HWND window) {
    TrayModify(window, g_app.iconDone);
    SetTimer(window, TIMER_ICON_RESTORE, 300, nullptr);
    if (HWND floating = FloatingButtonWindow()) SendMessageW(floating, WMU_TRAY, 0, 0);
}
