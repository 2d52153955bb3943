#include "clipboard/monitor.h"

#include "base/system.h"
#include "clipboard/owner.h"
#include "clipboard/process.h"
#include "clipboard/snapshot.h"
#include "settings/settings.h"

bool clipboardBusy = false;

namespace {

using AddClipboardFormatListenerFn = BOOL(WINAPI*)(HWND);
using RemoveClipboardFormatListenerFn = BOOL(WINAPI*)(HWND);

struct ClipboardWatch {
    // Both set (listener mode) or both null (viewer-chain mode).
    AddClipboardFormatListenerFn addListener = nullptr;
    RemoveClipboardFormatListenerFn removeListener = nullptr;
    HWND nextViewer = nullptr; // viewer-chain mode: the window after ours when we last joined
    bool attached = false;
    DWORD ownWriteSequence = 0;
    ClipboardChangeHook announceChange = nullptr;
};
ClipboardWatch watch;

constexpr UINT kChainRefreshMs = 30000;
constexpr UINT kRetryDelayMs = 500;

} // namespace

HMODULE LookUpClipboardListener() {
    if (GetOsVersionNumber() < 600) return nullptr;
    HMODULE user32 = LoadSystemLibrary(L"user32.dll");
    if (!user32) return nullptr;
    auto add = GetProcedure<AddClipboardFormatListenerFn>(user32, "AddClipboardFormatListener");
    auto remove = GetProcedure<RemoveClipboardFormatListenerFn>(user32, "RemoveClipboardFormatListener");
    if (add && remove) {
        watch.addListener = add;
        watch.removeListener = remove;
    }
    return user32;
}

bool ListenerMode() { return watch.addListener != nullptr && watch.removeListener != nullptr; }

// Attaching twice would register twice, and in the viewer chain a second SetClipboardViewer returns our own window
// and loses the real next viewer; so only a detached window attaches.
void AttachClipboardWatch(HWND window) {
    if (watch.attached) return;
    ClipboardBusyScope busy;
    if (ListenerMode()) {
        watch.addListener(window);
    } else {
        HWND next = SetClipboardViewer(window);
        watch.nextViewer = next == window ? nullptr : next;
    }
    watch.attached = true;
}

bool DetachClipboardWatch(HWND window) {
    if (!watch.attached) return true;
    ClipboardBusyScope busy;
    BOOL ok = ListenerMode() ? watch.removeListener(window) : ChangeClipboardChain(window, watch.nextViewer);
    watch.attached = false;
    return ok != FALSE;
}

// Wine counts the clipboard's changes up once more when it is closed, so the number is read after closing.
void NoteOwnClipboardWrite() { watch.ownWriteSequence = GetClipboardSequenceNumber(); }

bool ClipboardChangedSinceOwnWrite() { return GetClipboardSequenceNumber() != watch.ownWriteSequence; }

void NoteClipboardSeen(DWORD sequence) { watch.ownWriteSequence = sequence; }

void SetClipboardChangeHook(ClipboardChangeHook announce) { watch.announceChange = announce; }

void AnnounceClipboardChange(const std::wstring* ownText) {
    if (watch.announceChange) watch.announceChange(ownText);
}

namespace {

// Another program copied: the formatted copy kept from the last rewrite is no longer what the clipboard holds.
void OnForeignCopy(HWND window) {
    DropClipboardSnapshot();
    std::vector<std::wstring> owner = CopyOwnerNames();
    NoteForeignCopyOwner(owner.empty() ? std::wstring() : owner.front());
    // Processing at once refreshes the viewer itself, after the rewrite; refreshing first would only delay it.
    if (Settings.CBWatchEnabled && Settings.Delay1Sec == 0) {
        if (!ProcessClipboard(window, false)) SetTimer(window, TIMER_PROCESS_DELAY, kRetryDelayMs, nullptr);
    } else {
        AnnounceClipboardChange();
        // Restarting the timer on every change processes a burst once, Delay1Sec after its last change.
        if (Settings.CBWatchEnabled)
            SetTimer(window, TIMER_PROCESS_DELAY, static_cast<UINT>(Settings.Delay1Sec), nullptr);
    }
}

} // namespace

void CatchUpMissedCopy(HWND window) {
    if (!clipboardBusy && watch.attached && ClipboardChangedSinceOwnWrite()) OnForeignCopy(window);
}

void OnClipboardChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The program's own writes (a re-copied line, a rewrite) are neither shown nor processed again.
    if (!clipboardBusy && ClipboardChangedSinceOwnWrite()) OnForeignCopy(window);
    if (ListenerMode()) return;
    if (watch.nextViewer && watch.nextViewer != window) SendMessageW(watch.nextViewer, message, wParam, lParam);
    RestartChainRefresh(window);
}

void OnChangeClipboardChain(HWND window, WPARAM removed, LPARAM next) {
    if (reinterpret_cast<HWND>(removed) == watch.nextViewer) watch.nextViewer = reinterpret_cast<HWND>(next);
    else if (watch.nextViewer && watch.nextViewer != window)
        SendMessageW(watch.nextViewer, WM_CHANGECBCHAIN, removed, next);
}

void OnProcessDelayTimer(HWND window) {
    KillTimer(window, TIMER_PROCESS_DELAY);
    ProcessClipboard(window, false);
}

void OnChainRefreshTimer(HWND window) {
    DetachClipboardWatch(window);
    AttachClipboardWatch(window);
}

void RestartChainRefresh(HWND window) {
    if (ListenerMode()) return;
    KillTimer(window, TIMER_CHAIN_REFRESH);
    SetTimer(window, TIMER_CHAIN_REFRESH, kChainRefreshMs, nullptr);
}
