#include "about/environment_report.h"

#include "base/handles.h"
#include "base/system.h"
#include "base/text.h"

#include <cstdarg>
#include <cwchar>

namespace {

// The report's own module identification: the report format is versioned apart from the program.
constexpr unsigned kProbeVersion[3] = {1, 1, 5};
constexpr wchar_t kProbeBuildDate[] = L"Nov 17 2021";

constexpr const wchar_t* kUacLabels[4] = {L"EnableLUA=", L", PromptOnSecureDesktop=", L", ConsentPromptBehaviorAdmin=",
                                          L", ConsentPromptBehaviorUser="};
constexpr const wchar_t* kUacValues[4] = {L"EnableLUA", L"PromptOnSecureDesktop", L"ConsentPromptBehaviorAdmin",
                                          L"ConsentPromptBehaviorUser"};

// Appends printf-style text; every piece of the report is short, far below the buffer.
void Append(std::wstring& out, const wchar_t* format, ...) {
    wchar_t piece[600];
    va_list args;
    va_start(args, format);
    int length = vswprintf(piece, ARRAYSIZE(piece), format, args);
    va_end(args);
    if (length > 0) out.append(piece, static_cast<size_t>(length));
}

void AppendRect(std::wstring& out, const RECT& r) { Append(out, L"(%d,%d)-(%d,%d)", r.left, r.top, r.right, r.bottom); }

const wchar_t* PlatformName(DWORD platformId) {
    switch (platformId) {
    case 0: return L"(Win32s)";
    case 1: return L"(Win9x)";
    case 2: return L"(NT)";
    }
    return L"";
}

const wchar_t* ProductTypeName(BYTE type) {
    switch (type) {
    case 1: return L"1 (Workstation)";
    case 2: return L"2 (Domain Controller)";
    case 3: return L"3 (Server)";
    }
    return nullptr;
}

const wchar_t* SafeModeName(int cleanBoot) {
    switch (cleanBoot) {
    case 1: return L"Fail-safe boot";
    case 2: return L"Fail-safe with network boot";
    }
    return L"Off";
}

std::optional<DWORD> ReadPolicyDword(HKEY key, const wchar_t* name) {
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return std::nullopt;
    return value;
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, RECT*, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<MonitorFacts>*>(data)->push_back(
            {info.rcMonitor, info.rcWork, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

} // namespace

void ApplyBuildNumberRule(WindowsVersion& version) {
    if (version.platformId != VER_PLATFORM_WIN32_NT && version.build > 0xFFFF) {
        version.major = version.build >> 24;
        version.minor = (version.build >> 16) & 0xFF;
    }
    version.build &= 0xFFFF;
}

WindowsVersion ReadWindowsVersion() {
    OSVERSIONINFOEXW info = QuerySystemVersion();
    WindowsVersion version;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.platformId = info.dwPlatformId;
    version.servicePack.assign(info.szCSDVersion, wcsnlen(info.szCSDVersion, ARRAYSIZE(info.szCSDVersion)));
    version.servicePackMajor = info.wServicePackMajor;
    version.servicePackMinor = info.wServicePackMinor;
    version.suiteMask = info.wSuiteMask;
    version.productType = info.wProductType;
    ApplyBuildNumberRule(version);
    return version;
}

// Wine's version and the system it runs on, from ntdll's own exports, looked up at run time; empty on Windows.
std::wstring WineDescription() {
    using GetVersionFn = const char*(CDECL*)();
    using GetHostVersionFn = void(CDECL*)(const char**, const char**);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto getVersion = GetProcedure<GetVersionFn>(ntdll, "wine_get_version");
    if (!getVersion) return {};
    std::wstring text = L"Wine " + WidenAnsi(getVersion());
    const char* system = nullptr;
    const char* release = nullptr;
    if (const auto getHostVersion = GetProcedure<GetHostVersionFn>(ntdll, "wine_get_host_version"))
        getHostVersion(&system, &release);
    if (system && *system)
        text += L" on " + WidenAnsi(system) + (release && *release ? L" " + WidenAnsi(release) : L"");
    return text;
}

EnvironmentFacts GatherEnvironmentFacts() {
    EnvironmentFacts facts;
    facts.version = ReadWindowsVersion();
    facts.wine = WineDescription();
    const WindowsVersion& v = facts.version;
    if (v.major > 5) {
        using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
        if (auto getProductInfo = GetProcedure<GetProductInfoFn>(GetModuleHandleW(L"kernel32.dll"), "GetProductInfo"))
            getProductInfo(v.major, v.minor, v.servicePackMajor, v.servicePackMinor, &facts.productInfo);
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                          KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            RegKey policy{key};
            facts.uacPolicyOpened = true;
            for (size_t i = 0; i < facts.uac.size(); ++i) facts.uac[i] = ReadPolicyDword(policy.get(), kUacValues[i]);
        }
    }
    facts.cleanBoot = GetSystemMetrics(SM_CLEANBOOT);
    wchar_t country[520] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, country, ARRAYSIZE(country)) > 0)
        facts.country = country;
    facts.remoteSession = GetSystemMetrics(SM_REMOTESESSION) != 0;
    facts.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    facts.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (HDC screen = GetDC(nullptr)) {
        facts.bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
    }
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &facts.workArea, 0);
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    facts.virtualScreen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    facts.monitorCount = GetSystemMetrics(SM_CMONITORS);
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&facts.monitors));
    GetLocalTime(&facts.localTime);
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    facts.bias = zone.Bias;
    return facts;
}

std::wstring FormatEnvironmentReport(const EnvironmentFacts& facts) {
    static constexpr const wchar_t* kWeekdays[7] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    static constexpr const wchar_t* kMonths[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                                   L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    const WindowsVersion& v = facts.version;
    std::wstring out;
    Append(out, L"EnvProbe ver.%u.%02u.%02u [%ls]\r\n", kProbeVersion[0], kProbeVersion[1], kProbeVersion[2],
           kProbeBuildDate);
    out += L"[Windows]";
    Append(out, L"\r\n Platform Id\t: %d %ls", static_cast<int>(v.platformId), PlatformName(v.platformId));
    Append(out, L"\r\n OS Version  \t: %u.%u.%u %ls", static_cast<unsigned>(v.major), static_cast<unsigned>(v.minor),
           static_cast<unsigned>(v.build), v.servicePack.c_str());
    if (!facts.wine.empty()) Append(out, v.servicePack.empty() ? L"(%ls)" : L" (%ls)", facts.wine.c_str());
    Append(out, L"\r\n ServicePack\t: %u.%u ", v.servicePackMajor, v.servicePackMinor);
    out += L"\r\n Architecture\t: x64";
    out += L"\r\n ProductType\t: ";
    if (const wchar_t* name = ProductTypeName(v.productType)) out += name;
    else Append(out, L"%u", static_cast<unsigned>(v.productType));
    if (v.major > 5) Append(out, L"\r\n ProductInfo.\t: 0x%08x", static_cast<unsigned>(facts.productInfo));
    Append(out, L"\r\n SuiteMask\t: 0x%04x", static_cast<unsigned>(v.suiteMask));
    out += L"\r\n SafeMode\t: ";
    out += SafeModeName(facts.cleanBoot);
    out += L"\r\n Locale Info\t: ";
    out += facts.country;
    out += L"\r\n Remote Session \t: ";
    out += facts.remoteSession ? L"On" : L"Off";
    if (v.major > 5) {
        out += L"\r\n[User Account Control]\r\n ";
        if (facts.uacPolicyOpened)
            for (size_t i = 0; i < facts.uac.size(); ++i) {
                out += kUacLabels[i];
                if (facts.uac[i]) Append(out, L"%u", static_cast<unsigned>(*facts.uac[i]));
            }
    }
    Append(out, L"\r\n[Screen]\r\n %dx%d (%dbpp) ", facts.screenWidth, facts.screenHeight, facts.bitsPerPixel);
    out += L"[Work Area ";
    AppendRect(out, facts.workArea);
    out += L"]";
    out += L"\r\n Virtual Screen: ";
    AppendRect(out, facts.virtualScreen);
    Append(out, L" [Monitors:%d]", facts.monitorCount);
    for (const MonitorFacts& monitor : facts.monitors) {
        out += L"\r\n Monitor Info : ";
        AppendRect(out, monitor.area);
        out += L" [Workarea ";
        AppendRect(out, monitor.workArea);
        out += L"]";
        if (monitor.primary) out += L" *primary";
    }
    out += L"\r\n[Other]";
    const SYSTEMTIME& t = facts.localTime;
    Append(out, L"\r\n Date/Time \t: %ls, %ls %d, %d %2d:%02d:%02d", kWeekdays[t.wDayOfWeek % 7],
           kMonths[(t.wMonth + 11) % 12], t.wDay, t.wYear, t.wHour, t.wMinute, t.wSecond);
    LONG bias = facts.bias < 0 ? -facts.bias : facts.bias;
    Append(out, facts.bias < 0 ? L"(UTC+%02d:%02d)" : L"(UTC-%02d:%02d)", static_cast<int>(bias / 60),
           static_cast<int>(bias % 60));
    return out;
}

std::wstring BuildEnvironmentReport() { return FormatEnvironmentReport(GatherEnvironmentFacts()); }

std::wstring AppendClientSection(const std::wstring& report, const std::wstring& clientLine, size_t maxChars) {
    std::wstring client = L"\r\n[Client]\r\n " + clientLine;
    if (client.size() > maxChars) client.resize(maxChars);
    std::wstring head = report;
    if (head.size() + client.size() > maxChars) {
        // Cut at the line break that ends the last whole line that still fits, so no line is left half.
        size_t cut = head.rfind(L"\r\n", maxChars - client.size());
        head.resize(cut == std::wstring::npos ? 0 : cut);
    }
    return head + client;
}
