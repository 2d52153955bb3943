// A plain-text description of the machine Pastrel runs on, for users to attach to a question to the maker. Reading
// the system and writing the text are separate, so that the text can be checked for machines we do not have.
#pragma once
#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

// The clipboard block the report travels in holds this many characters and the terminator.
inline constexpr size_t kReportMaxChars = 8191;

struct WindowsVersion {
    DWORD major = 0, minor = 0, build = 0, platformId = 0;
    std::wstring servicePack;
    WORD servicePackMajor = 0, servicePackMinor = 0;
    WORD suiteMask = 0;
    BYTE productType = 0;
};

struct MonitorFacts {
    RECT area{};
    RECT workArea{};
    bool primary = false;
};

// What the report says, as gathered from the system.
struct EnvironmentFacts {
    WindowsVersion version;
    DWORD productInfo = 0; // GetProductInfo's answer, or 0 where the function is missing
    int cleanBoot = 0;     // SM_CLEANBOOT
    std::wstring country;  // English name of the user's country or region, empty when unknown
    bool remoteSession = false;
    bool uacPolicyOpened = false; // the policy key opened; each value may still be missing
    // EnableLUA, PromptOnSecureDesktop, ConsentPromptBehaviorAdmin, ConsentPromptBehaviorUser.
    std::array<std::optional<DWORD>, 4> uac;
    int screenWidth = 0, screenHeight = 0, bitsPerPixel = 0;
    RECT workArea{};
    RECT virtualScreen{}; // right and bottom are left + width and top + height
    int monitorCount = 0;
    std::vector<MonitorFacts> monitors; // in the system's enumeration order
    SYSTEMTIME localTime{};
    LONG bias = 0; // minutes, UTC = local time + bias, without the daylight bias
    // Under Wine, which reports a Windows version of its own: "Wine 8.0 on Linux 6.1.0-13-amd64"; empty on Windows.
    std::wstring wine;
};

// The version the system reports (RtlGetVersion, or GetVersionExW where ntdll lacks it), with the old platforms'
// build-number rule applied.
WindowsVersion ReadWindowsVersion();
// Windows 9x packs major and minor into the build number's top bytes; only its low word is the build.
void ApplyBuildNumberRule(WindowsVersion& version);

EnvironmentFacts GatherEnvironmentFacts();
std::wstring FormatEnvironmentReport(const EnvironmentFacts& facts);
std::wstring BuildEnvironmentReport();

// The report followed by the client section ("[Client]" and `clientLine`), at most `maxChars` long: when it would
// not fit, whole lines at the end of the report give way (machines with very many monitors), never the client part.
std::wstring AppendClientSection(const std::wstring& report, const std::wstring& clientLine,
                                 size_t maxChars = kReportMaxChars);
