#include "e2e_support.h"

#include "app/ids.h"
#include "base/program.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <map>

namespace {

constexpr wchar_t kForeignClass[] = L"PastrelTestForeignApp";

std::wstring ReadFileWide(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    std::wstring records;
    // Records are UTF-8 texts separated by NUL; convert each piece separately.
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        std::string piece = bytes.substr(start, end - start);
        int n = MultiByteToWideChar(CP_UTF8, 0, piece.data(), static_cast<int>(piece.size()), nullptr, 0);
        std::wstring wide(n, L'\0');
        if (n) MultiByteToWideChar(CP_UTF8, 0, piece.data(), static_cast<int>(piece.size()), wide.data(), n);
        records += wide;
        if (end < bytes.size()) records += L'\0';
        start = end + 1;
    }
    return records;
}

} // namespace

std::wstring TestBinDir() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.rfind(L'\\'));
}

void RecordBrowserRequests() {
    DeleteFileW((TestBinDir() + L"\\browser.log").c_str());
    std::wstring recorder = TestBinDir().substr(2) + L"\\browser_recorder.sh"; // Z:\x\y -> \x\y
    for (wchar_t& c : recorder)
        if (c == L'\\') c = L'/';
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                   static_cast<DWORD>((recorder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::string BrowserRequests() {
    std::ifstream file((TestBinDir() + L"\\browser.log").c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::wstring PastrelExePath() { return TestBinDir() + L"\\Pastrel.exe"; }

std::wstring ObservedPastrelExePath() { return TestBinDir() + L"\\PastrelTest.exe"; }

std::wstring MakeTempDir(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    // Process ids come back in later runs, so the time keeps names from meeting folders of an earlier run.
    std::wstring dir = std::wstring(temp) + L"pastrel-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
    SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    return dir;
}

std::string ToUtf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    if (n) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(2);
    } while (GetTickCount() - start < ms);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return done();
        PumpFor(3);
    }
}

void ClearStoredSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

void StoreSetting(const wchar_t* key, DWORD value) {
    HKEY k;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExW(k, key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(k);
}

void StoreSetting(const wchar_t* key, const std::wstring& value) {
    HKEY k;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExW(k, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

DWORD StoredSettingDword(const wchar_t* key, DWORD missing) {
    DWORD value = missing, size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, key, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

bool StoredSettingsExist() {
    HKEY k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

HWND FindPastrelWindow() { return FindWindowW(L"PastrelClipboardText", nullptr); }

namespace {

// Starts Pastrel.exe (or `exePath`) with `args`, in `cwd` when given; the process handle, or null.
HANDLE StartPastrel(const std::wstring& exePath, const std::wstring& args, const wchar_t* cwd, DWORD* processId) {
    std::wstring exe = exePath.empty() ? PastrelExePath() : exePath;
    std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    if (processId) *processId = pi.dwProcessId;
    return pi.hProcess;
}

} // namespace

PastrelProcess::PastrelProcess(Options options) {
    std::wstring dir = MakeTempDir(L"log");
    log_ = dir + L"\\test.log";
    DeleteFileW(log_.c_str());
    SetEnvironmentVariableW(L"PASTREL_LANG", options.language.empty() ? nullptr : options.language.c_str());
    SetEnvironmentVariableW(L"PASTREL_TEST_LOG", log_.c_str());
    SetEnvironmentVariableW(L"PASTREL_FAULT_MARKER",
                            options.faultMarker.empty() ? nullptr : options.faultMarker.c_str());
    SetEnvironmentVariableW(L"PASTREL_FAULT_POINT", options.faultPoint.empty() ? nullptr : options.faultPoint.c_str());
    observed_ = options.observed || !options.faultMarker.empty();
    std::wstring exe = !options.exePath.empty() ? options.exePath : observed_ ? ObservedPastrelExePath() : std::wstring();
    process_ = StartPastrel(exe, options.args, nullptr, &processId_);
    SetEnvironmentVariableW(L"PASTREL_FAULT_MARKER", nullptr);
    SetEnvironmentVariableW(L"PASTREL_FAULT_POINT", nullptr);
    if (options.waitForWindow && process_) {
        // Idle means the creation handling has run to its end and the message loop waits.
        WaitForInputIdle(process_, 10000);
        WaitUntil(
            [&] {
                HWND w = FindPastrelWindow();
                DWORD pid = 0;
                if (w) GetWindowThreadProcessId(w, &pid);
                if (pid == processId_) window_ = w;
                return window_ != nullptr;
            },
            10000);
        // Creation ends with the message loop; a synchronous message proves it runs.
        if (window_) SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, nullptr);
    }
}

PastrelProcess::~PastrelProcess() {
    if (process_) {
        Stop();
        CloseHandle(process_);
    }
}

DWORD PastrelProcess::Stop() {
    if (!process_) return 0;
    DWORD code = 0;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        HWND w = window_ ? window_ : FindPastrelWindow();
        if (w && IsWindow(w)) SendMessageTimeoutW(w, WM_DESTROY, 0, 0, SMTO_BLOCK, 5000, nullptr);
        if (WaitForSingleObject(process_, 10000) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    }
    GetExitCodeProcess(process_, &code);
    return code;
}

bool PastrelProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) return false;
    bool ended = WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
    if (ended && exitCode) GetExitCodeProcess(process_, exitCode);
    return ended;
}

std::vector<std::wstring> PastrelProcess::Records(const std::wstring& kind) const {
    std::vector<std::wstring> records;
    if (!observed_) {
        fprintf(stderr, "the shipped Pastrel.exe keeps no log: start it with PastrelProcess::Options::observed\n");
        return records;
    }
    std::wstring all = ReadFileWide(log_);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(L'\0', start);
        if (end == std::wstring::npos) end = all.size();
        std::wstring record = all.substr(start, end - start);
        if (record.compare(0, kind.size() + 1, kind + L" ") == 0) records.push_back(record.substr(kind.size() + 1));
        start = end + 1;
    }
    return records;
}

std::vector<Notice> PastrelProcess::Notices() const {
    std::vector<Notice> notices;
    for (const std::wstring& record : Records(L"notice")) {
        size_t space = record.find(L' ');
        if (space != std::wstring::npos)
            notices.push_back({static_cast<unsigned>(std::stoul(record.substr(0, space))), record.substr(space + 1)});
    }
    return notices;
}

std::vector<std::wstring> PastrelProcess::TrayChanges() const { return Records(L"tray"); }

MenuState PastrelProcess::LastMenuState() const {
    MenuState state;
    auto records = Records(L"menu");
    if (records.empty()) return state;
    std::wistringstream items(records.back());
    std::wstring item;
    while (items >> item) {
        size_t colon = item.find(L':');
        if (colon != std::wstring::npos) state[item.substr(0, colon)] = std::stoul(item.substr(colon + 1));
    }
    return state;
}

std::vector<UINT> PastrelProcess::Commands() const {
    std::vector<UINT> ids;
    for (const std::wstring& record : Records(L"command")) ids.push_back(static_cast<UINT>(std::stoul(record)));
    return ids;
}

void PastrelProcess::ClearLog() { DeleteFileW(log_.c_str()); }

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->processId && lstrcmpW(cls, search->className) == 0 && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> VisibleWindowsOf(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring DialogItemText(HWND dialog, int id) {
    std::wstring text(4096, L'\0');
    text.resize(static_cast<size_t>(GetDlgItemTextW(dialog, id, text.data(), 4096)));
    return text;
}

std::wstring WindowTitle(HWND window) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    return title;
}

namespace {

// The popup menu window the keys are posted to: the last one in z-order.
HWND TopMenuWindow(DWORD processId) {
    std::vector<HWND> menus = VisibleWindowsOf(processId, L"#32768");
    return menus.empty() ? nullptr : menus.back();
}

} // namespace

bool PastrelProcess::MenuOpen() const { return TopMenuWindow(processId_) != nullptr; }

bool ItemChecked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::wstring ComboEntry(HWND dialog, int id, int index) {
    HWND combo = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void ClickCheckBox(HWND dialog, int id) {
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, ItemChecked(dialog, id) ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SlideTrackbar(HWND dialog, int id, int position) {
    SendDlgItemMessageW(dialog, id, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void MouseClickAt(POINT at, DWORD downFlag, DWORD upFlag, int clicks) {
    SetCursorPos(at.x, at.y);
    PumpFor(50);
    for (int i = 0; i < clicks; ++i) {
        INPUT input[2]{};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = downFlag;
        input[1].mi.dwFlags = upFlag;
        SendInput(2, input, sizeof(INPUT));
        PumpFor(30);
    }
}

HWND OpenSettingsDialog(PastrelProcess& pastrel, const wchar_t* title) {
    if (!pastrel.OpenTrayMenu()) return nullptr;
    pastrel.MenuKeys({'S'});
    return WaitForDialog(pastrel.ProcessId(), title);
}

bool PastrelProcess::OpenTrayMenu() {
    PostMessageW(window_, WMU_TRAY, TRAY_ICON_ID, WM_RBUTTONUP);
    return WaitUntil([&] { return MenuOpen(); });
}

void PastrelProcess::MenuKeys(const std::vector<UINT>& keys) {
    for (UINT key : keys) {
        HWND menu = TopMenuWindow(processId_);
        if (!menu) return;
        if (key >= 'A' && key <= 'Z') PostMessageW(menu, WM_CHAR, key + ('a' - 'A'), 0);
        else PostMessageW(menu, WM_KEYDOWN, key, 0);
        PumpFor(120);
    }
}

DWORD RunPastrel(const std::wstring& args, DWORD timeoutMs, const std::wstring& exePath) {
    PROCESS_INFORMATION pi{};
    pi.hProcess = StartPastrel(exePath, args, nullptr, nullptr);
    if (!pi.hProcess) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFE;
    // Keep answering messages meanwhile: the second instance talks to windows synchronously.
    WaitUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 98);
    CloseHandle(pi.hProcess);
    return code;
}

HWND FindMessageBoxOf(DWORD processId) {
    std::vector<HWND> boxes = VisibleWindowsOf(processId, L"#32770");
    return boxes.empty() ? nullptr : boxes.front();
}

std::wstring MessageBoxText(HWND box) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

MessageBoxRun RunPastrelWithMessageBox(const std::wstring& args, const std::wstring& cwd, const std::wstring& exePath) {
    MessageBoxRun run;
    PROCESS_INFORMATION pi{};
    pi.hProcess = StartPastrel(exePath, args, cwd.c_str(), &pi.dwProcessId);
    if (!pi.hProcess) return run;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            HWND w = FindPastrelWindow();
            DWORD pid = 0;
            if (w) GetWindowThreadProcessId(w, &pid);
            if (pid == pi.dwProcessId) run.mainWindowSeen = true;
            box = FindMessageBoxOf(pi.dwProcessId);
            return box != nullptr || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        },
        10000);
    if (box) {
        run.text = MessageBoxText(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &run.exitCode);
    else TerminateProcess(pi.hProcess, 97);
    CloseHandle(pi.hProcess);
    return run;
}

ForeignApp::ForeignApp() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kForeignClass;
    RegisterClassW(&wc);
    window_ = CreateWindowW(kForeignClass, L"foreign", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
}

ForeignApp::~ForeignApp() { DestroyWindow(window_); }

bool ForeignApp::Copy(const std::vector<std::pair<UINT, std::string>>& formats) {
    // While it waits, the window answers as a real application's would: the program holding the clipboard may be
    // telling it that its data goes (WM_DESTROYCLIPBOARD is sent, not posted).
    bool opened = false;
    for (int i = 0; i < 200 && !opened; ++i) {
        opened = OpenClipboard(window_) != FALSE;
        if (!opened) PumpFor(5);
    }
    if (!opened) return false;
    EmptyClipboard();
    bool ok = true;
    for (const auto& [format, data] : formats) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, data.size() ? data.size() : 1);
        void* p = GlobalLock(block);
        if (!data.empty()) memcpy(p, data.data(), data.size());
        GlobalUnlock(block);
        if (!SetClipboardData(format, block)) {
            GlobalFree(block);
            ok = false;
        }
    }
    CloseClipboard();
    return ok;
}

UINT HtmlFormat() { return RegisterClipboardFormatW(L"HTML Format"); }
UINT RtfFormat() { return RegisterClipboardFormatW(L"Rich Text Format"); }

std::string Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

bool ForeignApp::CopyFormattedText(const std::wstring& text) {
    std::string utf8 = ToUtf8(text);
    std::string fragment = "<b>" + utf8 + "</b>";
    char header[200];
    const char* pre = "<html><body><!--StartFragment-->";
    const char* post = "<!--EndFragment--></body></html>";
    int headerLength = snprintf(header, sizeof(header),
                                "Version:0.9\r\nStartHTML:%010d\r\nEndHTML:%010d\r\nStartFragment:%010d\r\n"
                                "EndFragment:%010d\r\n",
                                0, 0, 0, 0);
    size_t startHtml = headerLength, startFragment = startHtml + strlen(pre);
    size_t endFragment = startFragment + fragment.size(), endHtml = endFragment + strlen(post);
    snprintf(header, sizeof(header),
             "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\nEndFragment:%010zu\r\n",
             startHtml, endHtml, startFragment, endFragment);
    std::string html = std::string(header) + pre + fragment + post;
    std::string rtf = "{\\rtf1\\ansi{\\b " + utf8 + "}}";
    return Copy({{RtfFormat(), rtf + '\0'}, {HtmlFormat(), html + '\0'}, {CF_UNICODETEXT, Bytes(text)}});
}

bool ForeignApp::CopyPlainText(const std::wstring& text) { return Copy({{CF_UNICODETEXT, Bytes(text)}}); }

bool ForeignApp::CopyFiles(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& p : paths) list += p + L'\0';
    list += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::string data(reinterpret_cast<const char*>(&header), sizeof(header));
    data.append(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t));
    return Copy({{CF_HDROP, data}});
}

std::vector<UINT> ClipboardFormats() {
    std::vector<UINT> formats;
    for (int i = 0; i < 200; ++i) {
        if (OpenClipboard(nullptr)) break;
        Sleep(5);
    }
    UINT f = 0;
    while ((f = EnumClipboardFormats(f)) != 0) formats.push_back(f);
    CloseClipboard();
    return formats;
}

bool ClipboardHasFormat(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }

bool ClipboardText(std::wstring& text) {
    bool opened = false;
    for (int i = 0; i < 200 && !opened; ++i) {
        opened = OpenClipboard(nullptr) != FALSE;
        if (!opened) Sleep(5);
    }
    if (!opened) return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data));
        if (p) {
            text.assign(p, wcsnlen(p, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
            found = true;
        }
    }
    CloseClipboard();
    return found;
}

HWND ClipboardOwnerWindow() { return GetClipboardOwner(); }

bool WaitForRewrite(HWND pastrel, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            return GetClipboardOwner() == pastrel && !ClipboardHasFormat(HtmlFormat()) &&
                   !ClipboardHasFormat(RtfFormat()) && !ClipboardHasFormat(CF_HDROP);
        },
        timeoutMs);
}

std::wstring CopyExeAs(const std::wstring& name) {
    std::wstring dir = MakeTempDir(L"exe");
    std::wstring path = dir + L"\\" + name;
    CopyFileW(PastrelExePath().c_str(), path.c_str(), FALSE);
    return path;
}

std::wstring ViewerChainExe() {
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\PastrelXP.exe", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    const wchar_t version[] = L"winxp64";
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof(version));
    RegCloseKey(key);
    return CopyExeAs(L"PastrelXP.exe");
}

std::vector<std::wstring> ClipboardTextsOver(DWORD ms) {
    std::vector<std::wstring> seen;
    DWORD sequence = 0, start = GetTickCount();
    while (GetTickCount() - start < ms) {
        DWORD now = GetClipboardSequenceNumber();
        if (now != sequence) {
            sequence = now;
            std::wstring text;
            if (ClipboardText(text) && (seen.empty() || seen.back() != text)) seen.push_back(text);
        }
        PumpFor(10);
    }
    return seen;
}

HWND WaitForDialog(DWORD processId, const wchar_t* title) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND dialog : VisibleWindowsOf(processId, L"#32770"))
            if (WindowTitle(dialog) == title) found = dialog;
        return found != nullptr;
    });
    return found;
}
