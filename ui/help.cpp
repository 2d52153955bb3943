#include "ui/help.h"

#include "base/handles.h"
#include "base/system.h"
#include "base/text.h"

#include <shellapi.h>

#include <string>

namespace {

using HtmlHelpFn = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

struct HelpLibrary {
    HMODULE module = nullptr;
    HtmlHelpFn display = nullptr;
    bool failed = false;
};
HelpLibrary helpLibrary;

constexpr wchar_t kStartPage[] = L"HLP000001.html";

// The HTML Help control's registered in-process server, with environment variables expanded.
HMODULE LoadRegisteredHelpControl() {
    RegKey key;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0, KEY_READ,
                      &opened) != ERROR_SUCCESS)
        return nullptr;
    key.reset(opened);
    char value[260] = {};
    DWORD type = 0, size = sizeof(value) - 1;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return nullptr;
    if (type == REG_EXPAND_SZ) {
        char expanded[260];
        DWORD needed = ExpandEnvironmentStringsA(value, expanded, sizeof(expanded));
        if (needed == 0 || needed > sizeof(expanded)) return nullptr;
        return LoadLibraryA(expanded);
    }
    return type == REG_SZ ? LoadLibraryA(value) : nullptr;
}

bool LoadHelpLibrary() {
    if (helpLibrary.display) return true;
    if (helpLibrary.failed) return false;
    helpLibrary.module = LoadRegisteredHelpControl();
    if (!helpLibrary.module) helpLibrary.module = LoadLibraryW(L"hhctrl.ocx");
    if (helpLibrary.module) helpLibrary.display = GetProcedure<HtmlHelpFn>(helpLibrary.module, MAKEINTRESOURCEA(15));
    helpLibrary.failed = !helpLibrary.display;
    return !helpLibrary.failed;
}

// A path as a URL's path: its UTF-8 bytes, with every byte but unreserved characters and '/' written as %XX.
std::wstring EncodeUrlPath(const std::wstring& path) {
    constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring encoded;
    for (unsigned char c : EncodeUtf8(path)) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            encoded += static_cast<wchar_t>(c);
        } else {
            encoded += L'%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

std::wstring WindowsFileUrl(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return L"file:///" + path;
}

// winebrowser turns a Windows file URL into the Linux one the desktop's browser needs, but fails on one that ends in
// an anchor. So the browser gets a small page without one, which sends it on to the page's Linux path with the anchor.
std::wstring AnchorRedirectUrl(const std::wstring& page, const std::wstring& anchor) {
    std::wstring unixPage;
    wchar_t directory[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, directory);
    if (!UnixFileName(page, unixPage) || length == 0 || length >= MAX_PATH) return WindowsFileUrl(page) + anchor;
    std::wstring target = L"file://" + EncodeUrlPath(unixPage) + anchor;
    std::wstring html = L"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"0; url=" +
                        target + L"\"></head><body><a href=\"" + target + L"\">" + target + L"</a></body></html>\n";
    std::wstring redirect = std::wstring(directory) + L"Pastrel-help.html";
    const std::string utf8 = EncodeUtf8(html);
    FileHandle file{CreateFileW(redirect.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ||
        written != utf8.size())
        return WindowsFileUrl(page) + anchor;
    return WindowsFileUrl(redirect);
}

constexpr Text kCannotOpenHelp{L"ヘルプを開けません。", L"Cannot open the help."};

// A file beside the program, by its full path.
std::wstring BesideProgram(const std::wstring& name) {
    wchar_t exe[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return name;
    std::wstring path(exe, length);
    path.resize(path.rfind(L'\\') + 1);
    return path + name;
}

// The plain HTML copy of a topic's page beside the program.
std::wstring HelpPagePath(const wchar_t* topic) {
    std::wstring page = topic ? topic : kStartPage;
    if (size_t hash = page.find(L'#'); hash != std::wstring::npos) page.resize(hash);
    return BesideProgram(L"help\\" + page);
}

// The page as a file URL with the topic's anchor, or empty when the page is not there.
std::wstring HelpPageUrl(const wchar_t* topic) {
    std::wstring path = HelpPagePath(topic), anchor;
    if (const wchar_t* hash = topic ? wcschr(topic, L'#') : nullptr) anchor = hash;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    if (!anchor.empty() && RunningUnderWine()) return AnchorRedirectUrl(path, anchor);
    return WindowsFileUrl(path) + anchor;
}

// The Linux name of a path under Wine, also when its last folders do not exist (Wine names existing ones only).
std::wstring LinuxPath(const std::wstring& windowsPath) {
    std::wstring head = windowsPath, tail, unixPath;
    while (!UnixFileName(head, unixPath)) {
        size_t slash = head.rfind(L'\\');
        if (slash == std::wstring::npos || slash < 3) return {}; // nothing left above the drive
        tail = L"/" + head.substr(slash + 1) + tail;
        head.resize(slash);
    }
    return unixPath + tail;
}

// Says that the help cannot be shown and which page it is, so that it can still be opened by hand; under Wine with
// the page's Linux path too.
void ReportHelpFailure(HWND owner, const std::wstring& page) {
    std::wstring text = std::wstring(Tr(kCannotOpenHelp)) + L"\r\n\r\n" + page;
    if (RunningUnderWine())
        if (std::wstring unixPath = LinuxPath(page.substr(0, page.find(L"::"))); !unixPath.empty())
            text += L"\r\n" + unixPath;
    MessageBoxW(owner, text.c_str(), g_language.productTitle.c_str(), MB_OK | MB_ICONERROR);
}

// Wine's winebrowser hands the page to the desktop's browser; the shell's own "open" of an HTML file would start
// Wine's built-in browser, which asks to download an HTML engine. winebrowser fails when none of the browsers it knows
// can be started; once one has started, what becomes of the page is the browser's business.
bool OpenInDesktopBrowser(const wchar_t* topic) {
    std::wstring url = HelpPageUrl(topic);
    if (url.empty()) return false;
    std::wstring parameters = L"\"" + url + L"\"";
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"open";
    run.lpFile = L"winebrowser.exe";
    run.lpParameters = parameters.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&run)) return false;
    if (!run.hProcess) return true;
    KernelHandle browser{run.hProcess};
    DWORD exitCode = 0;
    // It only starts the browser: a few hundred milliseconds. One that takes longer is taken to have succeeded.
    if (WaitForSingleObject(browser.get(), 5000) != WAIT_OBJECT_0) return true;
    return GetExitCodeProcess(browser.get(), &exitCode) && exitCode == 0;
}

bool ShowHelpQuietly(HWND owner, const wchar_t* topic) {
    if (RunningUnderWine()) return OpenInDesktopBrowser(topic);
    wchar_t path[264];
    if (topic) swprintf(path, 264, L".\\Pastrel.chm::/_RESOURCE/%ls", topic);
    else lstrcpynW(path, L".\\Pastrel.chm", 264);
    if (!LoadHelpLibrary()) return false;
    return helpLibrary.display(owner, path, 0 /* HH_DISPLAY_TOPIC */, 0) != nullptr;
}

// What a failure names: the HTML page under Wine, the topic inside Pastrel.chm on Windows.
std::wstring HelpTarget(const wchar_t* topic) {
    if (RunningUnderWine()) return HelpPagePath(topic);
    return BesideProgram(L"Pastrel.chm") + L"::/_RESOURCE/" + (topic ? topic : kStartPage);
}

} // namespace

bool ShowHelp(HWND owner, const wchar_t* topic) {
    if (ShowHelpQuietly(owner, topic)) return true;
    ReportHelpFailure(owner, HelpTarget(topic));
    return false;
}

bool OpenHelpViewer(const wchar_t* topic) {
    bool opened = false;
    if (RunningUnderWine()) {
        opened = OpenInDesktopBrowser(topic);
    } else {
        std::wstring target = std::wstring(L"Pastrel.chm::/_RESOURCE/") + topic;
        opened = reinterpret_cast<INT_PTR>(
                     ShellExecuteW(nullptr, L"open", L"hh.exe", target.c_str(), L".", SW_SHOWNORMAL)) > 32;
    }
    if (!opened) ReportHelpFailure(nullptr, HelpTarget(topic));
    return opened;
}
