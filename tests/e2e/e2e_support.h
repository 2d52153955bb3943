// Helpers for tests that start the real Pastrel.exe and act as other applications, the shell or a second instance.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

std::wstring TestBinDir();
std::wstring PastrelExePath();
// The test build, which keeps the log PastrelProcess reads.
std::wstring ObservedPastrelExePath();
// A fresh, empty folder under the temporary directory.
std::wstring MakeTempDir(const std::wstring& name);
std::string ToUtf8(const std::wstring& text);

// Polls `done` every few milliseconds until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Runs this thread's messages for a while (windows of the test keep answering).
void PumpFor(DWORD ms);

// The settings key of the registry store, spelled out here so that a mistake in the program's own name shows.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Brindlewox\\Pastrel\\CurrentVersion";

// The settings key, written before Pastrel starts.
void ClearStoredSettings();
void StoreSetting(const wchar_t* key, DWORD value);
void StoreSetting(const wchar_t* key, const std::wstring& value);
bool StoredSettingsExist();
// A DWORD value of the settings key, or `missing`.
DWORD StoredSettingDword(const wchar_t* key, DWORD missing = 0xFFFFFFFF);

struct Notice {
    unsigned level;
    std::wstring text;
};

// Item id (or "pos<n>" for a submenu's own item) to its MF_CHECKED / MF_GRAYED flags.
using MenuState = std::map<std::wstring, unsigned>;
inline std::wstring Item(UINT id) { return std::to_wstring(id); }

// One running Pastrel.exe. The destructor ends it (WM_DESTROY as "/X" does) and waits for it.
class PastrelProcess {
public:
    struct Options {
        std::wstring args;
        std::wstring exePath; // default: the shipped Pastrel.exe, or PastrelTest.exe when observed
        std::wstring language = L"EN";
        // The test build, whose log the accessors below read (balloons, tray changes, menu state, commands); a
        // fault marker implies it.
        bool observed = false;
        std::wstring faultMarker; // PASTREL_FAULT_MARKER
        std::wstring faultPoint;  // PASTREL_FAULT_POINT
        bool waitForWindow = true;
    };
    explicit PastrelProcess(Options options);
    PastrelProcess() : PastrelProcess(Options{}) {}
    ~PastrelProcess();
    PastrelProcess(const PastrelProcess&) = delete;
    PastrelProcess& operator=(const PastrelProcess&) = delete;

    HWND Window() const { return window_; }
    DWORD ProcessId() const { return processId_; }
    HANDLE Handle() const { return process_; }
    // Ends the program as "/X" would; returns its exit code.
    DWORD Stop();
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    std::vector<Notice> Notices() const;
    // "add on", "modify done" ... in order.
    std::vector<std::wstring> TrayChanges() const;
    // The state recorded when the popup menu last opened.
    MenuState LastMenuState() const;
    // The command ids other programs, hotkeys or the floating button asked for, in order.
    std::vector<UINT> Commands() const;
    void ClearLog();
    // Opens the tray menu as a right click would and waits until it shows; false if it did not.
    bool OpenTrayMenu();
    // Sends keys to the open menu (virtual-key codes, or letters for access keys).
    void MenuKeys(const std::vector<UINT>& keys);
    bool MenuOpen() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
    std::vector<std::wstring> Records(const std::wstring& kind) const;
    std::wstring log_;
    bool observed_ = false;
};

// Options that start the test build, whose log PastrelProcess reads.
inline PastrelProcess::Options Observed() {
    PastrelProcess::Options options;
    options.observed = true;
    return options;
}

// Runs Pastrel.exe with `args` as a short-lived second process and returns its exit code.
DWORD RunPastrel(const std::wstring& args, DWORD timeoutMs = 10000, const std::wstring& exePath = {});

HWND FindPastrelWindow();

// The process's visible top-level windows of a class ("#32770" for dialogs), topmost first.
std::vector<HWND> VisibleWindowsOf(DWORD processId, const wchar_t* className);
// Waits for the process's visible dialog with this title; null when none appeared.
HWND WaitForDialog(DWORD processId, const wchar_t* title);
// A control's text (up to 4095 characters) and a window's title, read from another process.
std::wstring DialogItemText(HWND dialog, int id);
std::wstring WindowTitle(HWND window);

// What the user does on a dialog of another process, by control id.
bool ItemChecked(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
// The text of a combo box's list entry.
std::wstring ComboEntry(HWND dialog, int id, int index);
// A click on a check box: it toggles and the dialog hears of it.
void ClickCheckBox(HWND dialog, int id);
// A trackbar dragged to `position`.
void SlideTrackbar(HWND dialog, int id, int position);
// Mouse input as the hardware gives it: `clicks` clicks (2: a double click) of the button whose press and release
// flags are given (MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP ...) at a screen point; the cursor stays there.
void MouseClickAt(POINT at, DWORD downFlag, DWORD upFlag, int clicks = 1);

// A copy of Pastrel.exe under another name, in a fresh folder.
std::wstring CopyExeAs(const std::wstring& name);
// A copy to which Wine reports Windows XP 64-bit, so that Pastrel falls back to the viewer chain.
std::wstring ViewerChainExe();

// Runs Pastrel.exe with `args` in folder `cwd`, waits for the message box it shows, returns the box's text (empty
// when none appeared) after pressing OK, and its exit code.
struct MessageBoxRun {
    std::wstring text;
    DWORD exitCode = 0xFFFFFFFF;
    bool mainWindowSeen = false;
};
HWND FindMessageBoxOf(DWORD processId);
std::wstring MessageBoxText(HWND box);
MessageBoxRun RunPastrelWithMessageBox(const std::wstring& args, const std::wstring& cwd,
                                       const std::wstring& exePath = {});

// Opens the settings dialog through the tray menu's Settings item (access key S in both languages) and waits for
// the dialog with this title; null when it did not appear.
HWND OpenSettingsDialog(PastrelProcess& pastrel, const wchar_t* title);

// Under Wine a web page opens in the desktop's browser: points Wine's browser at bin/browser_recorder.sh, which
// appends every address it is asked to open to bin/browser.log, and empties that log.
void RecordBrowserRequests();
// What the browser was asked to open, one request a line.
std::string BrowserRequests();

// Another application's clipboard: a hidden window that owns what it puts there.
class ForeignApp {
public:
    ForeignApp();
    ~ForeignApp();
    HWND Window() const { return window_; }
    // Puts these formats on the clipboard in one session; data is copied as given (bytes).
    bool Copy(const std::vector<std::pair<UINT, std::string>>& formats);
    // Plain text plus "HTML Format" and "Rich Text Format", as a word processor would.
    bool CopyFormattedText(const std::wstring& text);
    bool CopyPlainText(const std::wstring& text);
    // A CF_HDROP list of wide paths.
    bool CopyFiles(const std::vector<std::wstring>& paths);

private:
    HWND window_ = nullptr;
};

UINT HtmlFormat();
UINT RtfFormat();
std::string Bytes(const std::wstring& text); // UTF-16LE bytes with the terminating NUL
std::vector<UINT> ClipboardFormats();
bool ClipboardHasFormat(UINT format);
// The CF_UNICODETEXT on the clipboard (up to the first NUL); false when there is none.
bool ClipboardText(std::wstring& text);
HWND ClipboardOwnerWindow();
// The clipboard texts seen over `ms`, each change once (a text that follows itself counts once).
std::vector<std::wstring> ClipboardTextsOver(DWORD ms);
// Waits until Pastrel's window owns a clipboard without formatted formats.
bool WaitForRewrite(HWND pastrel, DWORD timeoutMs = 3000);
