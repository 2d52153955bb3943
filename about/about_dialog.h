// The About box: the program's icon, name and version, the maker's addresses, the notice, and the environment
// report copied to the clipboard. Its template is built in memory in the UI language at each opening.
#pragma once
#include "ui/dialog.h"

#include <windows.h>

#include <string>

// What the About box shows; read while the dialog is open. An empty address is "none".
struct AboutInfo {
    int japanese = 0;
    int iconId = 0;
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    std::wstring productName;
    std::wstring siteAddress;
    std::wstring contactAddress; // an e-mail address unless it begins with http:// or https://
    std::wstring contributionAddress;
    std::wstring aboutNotice;
    std::wstring feedbackAddress;
    std::wstring extraText;
    // Where the open dialog is kept for the tray icon to bring forward; it also guards against a second modal dialog.
    DialogSlot windowSlot = DialogSlot::None;
};

// Runs the About box; always 0 (also when it was refused or its template could not be built).
INT_PTR ShowAboutDialog(const AboutInfo& info);
// The About box of Pastrel, for the tray menu's command.
INT_PTR RunAboutDialog();

// The strings of the executable's version resource the About box shows; missing ones are empty.
struct VersionStrings {
    std::wstring fileVersion, specialBuild, privateBuild, legalCopyright;
};
VersionStrings ReadVersionStrings(HINSTANCE module);
// The version box's text, or empty when `fileVersion` is not four numbers.
std::wstring FormatVersionText(const VersionStrings& strings, const std::wstring& productName, bool japanese);
// The text of the address links.
std::wstring FormatLinksText(const AboutInfo& info);

// How copying the report to the clipboard ended.
enum class CopyOutcome { Copied, SetDataFailed, EmptyFailed, LockFailed, OutOfMemory, CannotOpen };
// Copies `text` (at most kReportMaxChars characters) to the clipboard as Unicode text.
CopyOutcome CopyReportToClipboard(const std::wstring& text);
