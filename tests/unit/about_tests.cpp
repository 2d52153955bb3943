// The environment report's text for machines we do not have, the About box's version and address texts, and the
// copy of the report to the real clipboard.
#include "about/about_dialog.h"
#include "about/environment_report.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD dayOfWeek, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDayOfWeek = dayOfWeek;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

// A Windows 10 desktop in Japan with one screen.
EnvironmentFacts JapaneseDesktop() {
    EnvironmentFacts facts;
    facts.version = {10, 0, 19045, 2, L"", 0, 0, 0x0300, 1};
    facts.productInfo = 0x30;
    facts.country = L"Japan";
    facts.uacPolicyOpened = true;
    facts.uac = {1u, 1u, 5u, 3u};
    facts.screenWidth = 1920;
    facts.screenHeight = 1080;
    facts.bitsPerPixel = 32;
    facts.workArea = {0, 0, 1920, 1040};
    facts.virtualScreen = {0, 0, 1920, 1080};
    facts.monitorCount = 1;
    facts.monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}};
    facts.localTime = Time(2026, 12, 2, 8, 15, 4, 9);
    facts.bias = -540;
    return facts;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }
bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(EnvironmentReport, JapaneseDesktopLineByLine) {
    EXPECT_EQ(FormatEnvironmentReport(JapaneseDesktop()),
              L"EnvProbe ver.1.01.05 [Nov 17 2021]\r\n"
              L"[Windows]\r\n"
              L" Platform Id\t: 2 (NT)\r\n"
              L" OS Version  \t: 10.0.19045 \r\n"
              L" ServicePack\t: 0.0 \r\n"
              L" Architecture\t: x64\r\n"
              L" ProductType\t: 1 (Workstation)\r\n"
              L" ProductInfo.\t: 0x00000030\r\n"
              L" SuiteMask\t: 0x0300\r\n"
              L" SafeMode\t: Off\r\n"
              L" Locale Info\t: Japan\r\n"
              L" Remote Session \t: Off\r\n"
              L"[User Account Control]\r\n"
              L" EnableLUA=1, PromptOnSecureDesktop=1, ConsentPromptBehaviorAdmin=5, ConsentPromptBehaviorUser=3\r\n"
              L"[Screen]\r\n"
              L" 1920x1080 (32bpp) [Work Area (0,0)-(1920,1040)]\r\n"
              L" Virtual Screen: (0,0)-(1920,1080) [Monitors:1]\r\n"
              L" Monitor Info : (0,0)-(1920,1080) [Workarea (0,0)-(1920,1040)] *primary\r\n"
              L"[Other]\r\n"
              L" Date/Time \t: Tue, Dec 8, 2026 15:04:09(UTC+09:00)");
}

TEST(EnvironmentReport, UtcTwoMonitorsMissingPolicyValueAndUnknownProductType) {
    EnvironmentFacts facts = JapaneseDesktop();
    facts.version.productType = 7;
    facts.uac[1].reset();
    facts.cleanBoot = 2;
    facts.remoteSession = true;
    facts.virtualScreen = {-1280, 0, 1920, 1080};
    facts.monitorCount = 2;
    facts.monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true},
                      {{-1280, 56, 0, 1080}, {-1280, 56, 0, 1050}, false}};
    facts.localTime = Time(2026, 1, 0, 4, 5, 4, 9);
    facts.bias = 0;
    std::wstring report = FormatEnvironmentReport(facts);
    EXPECT_TRUE(Contains(report, L"\r\n ProductType\t: 7\r\n ProductInfo.")) << report;
    EXPECT_TRUE(Contains(report, L"\r\n SafeMode\t: Fail-safe with network boot\r\n")) << report;
    EXPECT_TRUE(Contains(report, L"\r\n Remote Session \t: On\r\n")) << report;
    EXPECT_TRUE(Contains(report, L" EnableLUA=1, PromptOnSecureDesktop=, ConsentPromptBehaviorAdmin=5,")) << report;
    EXPECT_TRUE(Contains(report, L"\r\n Virtual Screen: (-1280,0)-(1920,1080) [Monitors:2]"
                                 L"\r\n Monitor Info : (0,0)-(1920,1080) [Workarea (0,0)-(1920,1040)] *primary"
                                 L"\r\n Monitor Info : (-1280,56)-(0,1080) [Workarea (-1280,56)-(0,1050)]\r\n[Other]"))
        << report;
    EXPECT_TRUE(EndsWith(report, L": Sun, Jan 4, 2026  5:04:09(UTC-00:00)")) << report;
}

// Wine reports a Windows version of its own (6.1.7601 Service Pack 1): the OS line names Wine and the host too.
TEST(EnvironmentReport, UnderWineTheOsLineNamesWineAndTheHost) {
    EnvironmentFacts facts = GatherEnvironmentFacts();
    ASSERT_EQ(facts.wine.rfind(L"Wine ", 0), 0u) << facts.wine; // these tests run under Wine
    EXPECT_NE(facts.wine.find(L" on Linux "), std::wstring::npos) << facts.wine;
    EnvironmentFacts desktop = JapaneseDesktop();
    desktop.version = {6, 1, 7601, 2, L"Service Pack 1", 1, 0, 0x0100, 1};
    desktop.wine = L"Wine 8.0 on Linux 6.1.0";
    EXPECT_TRUE(Contains(FormatEnvironmentReport(desktop),
                         L"\r\n OS Version  \t: 6.1.7601 Service Pack 1 (Wine 8.0 on Linux 6.1.0)\r\n ServicePack"));
}

TEST(EnvironmentReport, OlderWindowsHasNoProductInfoNorAccountControlAndOffsetsKeepTheirMinutes) {
    EnvironmentFacts facts = JapaneseDesktop();
    facts.version = {5, 1, 2600, 2, L"Service Pack 3", 3, 0, 0x0100, 1};
    facts.uacPolicyOpened = false;
    facts.country.clear();
    facts.bias = -330;
    std::wstring report = FormatEnvironmentReport(facts);
    EXPECT_TRUE(Contains(report, L" OS Version  \t: 5.1.2600 Service Pack 3\r\n ServicePack\t: 3.0 \r\n")) << report;
    EXPECT_TRUE(Contains(report, L" ProductType\t: 1 (Workstation)\r\n SuiteMask\t: 0x0100\r\n")) << report;
    EXPECT_TRUE(Contains(report, L" Locale Info\t: \r\n Remote Session \t: Off\r\n[Screen]")) << report;
    EXPECT_TRUE(EndsWith(report, L"(UTC+05:30)")) << report;
    facts.bias = 300;
    EXPECT_TRUE(EndsWith(FormatEnvironmentReport(facts), L"(UTC-05:00)"));
}

TEST(EnvironmentReport, OldPlatformsTakeTheVersionFromTheBuildNumber) {
    WindowsVersion win98{0, 0, 0x040A08AE, 1, L""};
    ApplyBuildNumberRule(win98);
    EXPECT_EQ(win98.major, 4u);
    EXPECT_EQ(win98.minor, 10u);
    EXPECT_EQ(win98.build, 2222u);
    WindowsVersion nt{10, 0, 0x12345, 2, L""};
    ApplyBuildNumberRule(nt);
    EXPECT_EQ(nt.major, 10u);
    EXPECT_EQ(nt.minor, 0u);
    EXPECT_EQ(nt.build, 0x2345u);
}

TEST(EnvironmentReport, ClientSectionFollowsAndAReportWithManyMonitorsIsCutAtALineToFit) {
    const std::wstring client = L"Pastrel Version 1.5.6.14  (2026-12-08)";
    const std::wstring section = L"\r\n[Client]\r\n " + client;
    std::wstring shortReport = FormatEnvironmentReport(JapaneseDesktop());
    EXPECT_EQ(AppendClientSection(shortReport, client), shortReport + section);

    EnvironmentFacts crowded = JapaneseDesktop();
    for (int i = 0; i < 300; ++i) crowded.monitors.push_back({{i, 0, i + 1920, 1080}, {i, 0, i + 1920, 1040}, false});
    std::wstring report = FormatEnvironmentReport(crowded);
    ASSERT_GT(report.size() + section.size(), kReportMaxChars);
    std::wstring bounded = AppendClientSection(report, client);
    EXPECT_LE(bounded.size(), kReportMaxChars);
    ASSERT_TRUE(EndsWith(bounded, section));
    std::wstring head = bounded.substr(0, bounded.size() - section.size());
    EXPECT_EQ(report.compare(0, head.size(), head), 0);
    EXPECT_EQ(report.compare(head.size(), 2, L"\r\n"), 0) << "cut inside a line";
    EXPECT_GT(head.size() + section.size(), kReportMaxChars - 100); // only what had to go
}

TEST(VersionText, BetaBecomesGreekOnlyInJapaneseAndAMissingVersionGivesNothing) {
    VersionStrings beta{L"1.5.6.4", L"beta", L"2021/11/22", L"Copyright (C) Brindlewox"};
    EXPECT_EQ(FormatVersionText(beta, L"パストレル", true),
              L"パストレル Version 1.5.6.04β (2021/11/22)\r\nCopyright (C) Brindlewox");
    EXPECT_EQ(FormatVersionText(beta, L"Pastrel", false),
              L"Pastrel Version 1.5.6.04beta (2021/11/22)\r\nCopyright (C) Brindlewox");
    beta.specialBuild = L"alpha";
    EXPECT_TRUE(Contains(FormatVersionText(beta, L"パストレル", true), L"1.5.6.04α ("));
    EXPECT_EQ(FormatVersionText({L"", L" ", L"2021/11/22", L"x"}, L"Pastrel", false), L"");
}

TEST(AddressLinks, ContactKindDecidesLabelAndTargetAndJapaneseAddsTheMailNote) {
    AboutInfo info;
    info.siteAddress = L"https://pastrel.example.org/";
    info.contactAddress = L"HTTPS://pastrel.example.org/mail.html";
    EXPECT_EQ(FormatLinksText(info),
              L"[WebSite]\r\n  <a id=\"https://pastrel.example.org/\">https://pastrel.example.org/</a>\r\n\r\n"
              L"[Contact]\r\n  <a id=\"HTTPS://pastrel.example.org/mail.html\">HTTPS://pastrel.example.org/mail.html"
              L"</a>\r\n\r\n\r\n");
    info.japanese = 1;
    info.contactAddress = L"someone@example.org";
    info.extraText = L"extra";
    std::wstring japanese = FormatLinksText(info);
    EXPECT_TRUE(Contains(japanese, L"[E-Mail]\r\n  <a id=\"mailto:someone@example.org\">someone@example.org</a>"))
        << japanese;
    EXPECT_TRUE(Contains(japanese, L"</a>\r\n\r\n　メールフィルタ")) << japanese;
    EXPECT_TRUE(EndsWith(japanese, L"ご相談下さい。\r\nextra")) << japanese;
    info.siteAddress.clear();
    info.contactAddress.clear();
    EXPECT_EQ(FormatLinksText(info), L"\r\n  <a id=\"\"></a>\r\n\r\n\r\n  <a id=\"\"></a>\r\n\r\n\r\nextra");
}

TEST(ReportCopy, CopiesToTheClipboardAndNeverPastTheBlock) {
    std::wstring report(kReportMaxChars + 500, L'x');
    report[kReportMaxChars - 1] = L'y';
    ASSERT_EQ(CopyReportToClipboard(report), CopyOutcome::Copied);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(copied.size(), kReportMaxChars);
    EXPECT_EQ(copied.back(), L'y');
}

} // namespace
