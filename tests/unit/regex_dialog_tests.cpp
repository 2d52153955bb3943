// The regular-expression dialog's pure parts: the template file, the history lists and the pattern check, plus the
// history against the real registry and ini file, and the shipped templates through the real replacement stage.
#include "convert/regex_stage.h"
#include "settings/settings.h"
#include "settings/store.h"
#include "ui/combobox_queue.h"
#include "ui/regex_templates.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// A template file's bytes: the byte-order mark, then `text` as UTF-16LE.
std::string TemplateFile(const std::wstring& text, bool mark = true) {
    std::string bytes = mark ? std::string("\xFF\xFE") : std::string();
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

TEST(RegexTemplateFile, CountedLinesFormGroupsOfFourAcrossCommentsAndBlankLines) {
    std::wstring text = L"# heading\r\nFirst\r\n\r\n最初\r\n# between\r\na+\r\nb\r\n"
                        L"Second\r\n二番目\r\n";
    std::vector<RegexTemplate> english = ParseRegexTemplates(TemplateFile(text), false);
    ASSERT_EQ(english.size(), 1u); // the last two counted lines are dropped
    EXPECT_EQ(english[0].name, L"First");
    EXPECT_EQ(english[0].before, L"a+");
    EXPECT_EQ(english[0].after, L"b");
    std::vector<RegexTemplate> japanese = ParseRegexTemplates(TemplateFile(text), true);
    ASSERT_EQ(japanese.size(), 1u);
    EXPECT_EQ(japanese[0].name, L"最初");
}

TEST(RegexTemplateFile, OneLeadingBackslashIsDropped) {
    std::wstring text = L"n\nj\n\\#not a comment\n\\\\d\n"
                        L"n\nj\n\\\\\\x\n\\\n";
    std::vector<RegexTemplate> t = ParseRegexTemplates(TemplateFile(text), false);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].before, L"#not a comment");
    EXPECT_EQ(t[0].after, L"\\d");
    EXPECT_EQ(t[1].before, L"\\\\x");
    EXPECT_EQ(t[1].after, L"");
}

TEST(RegexTemplateFile, WithoutByteOrderMarkOrInUtf8NothingIsRead) {
    std::wstring text = L"n\r\nj\r\na\r\nb\r\n";
    EXPECT_TRUE(ParseRegexTemplates(TemplateFile(text, false), false).empty());
    EXPECT_TRUE(ParseRegexTemplates("\xEF\xBB\xBFn\r\nj\r\na\r\nb\r\n", false).empty());
    EXPECT_TRUE(ParseRegexTemplates("", false).empty());
    EXPECT_TRUE(ParseRegexTemplates("\xFF", false).empty());
}

TEST(RegexTemplateFile, LongLinesAreReadInPiecesAndNulEndsAValue) {
    // 5000 units are five reads: the first four make a template, the fifth piece starts an incomplete group.
    std::wstring text = std::wstring(5000, L'x') + L"\r\n";
    std::vector<RegexTemplate> t = ParseRegexTemplates(TemplateFile(text), false);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].name, std::wstring(kTemplateReadUnits, L'x'));
    EXPECT_EQ(t[0].after, std::wstring(kTemplateReadUnits, L'x'));

    std::wstring withNul = std::wstring(L"n\nj\na") + L'\0' + L"hidden\nb\n";
    std::string bytes = TemplateFile(withNul) + "\x41"; // and an odd last byte
    t = ParseRegexTemplates(bytes, false);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].before, L"a");
    EXPECT_EQ(t[0].after, L"b");
}

TEST(RegexPatternCheck, SyntaxErrorsAreReportedWithTheLibrarysText) {
    std::string description;
    EXPECT_EQ(CheckRegexPattern(L"", description), PatternCheck::Compiles);
    EXPECT_EQ(CheckRegexPattern(L"(a+)+c|b", description), PatternCheck::Compiles);
    EXPECT_EQ(CheckRegexPattern(L"a(b", description), PatternCheck::RegexError);
    EXPECT_FALSE(description.empty());
}

// ---- History lists ----

std::vector<std::wstring> Entries(int from, int to) {
    std::vector<std::wstring> items;
    for (int i = from; i <= to; ++i) items.push_back(L"e" + std::to_wstring(i));
    return items;
}

TEST(HistoryList, NewestFirstWithoutDuplicatesAndAtMostSixteen) {
    std::vector<std::wstring> items;
    EXPECT_TRUE(PushHistoryEntry(items, L"a"));
    EXPECT_FALSE(PushHistoryEntry(items, L"a"));
    EXPECT_TRUE(PushHistoryEntry(items, L"b"));
    EXPECT_TRUE(PushHistoryEntry(items, L"c"));
    EXPECT_TRUE(PushHistoryEntry(items, L"a"));
    EXPECT_EQ(items, (std::vector<std::wstring>{L"a", L"c", L"b"}));
    items = Entries(1, 16);
    EXPECT_TRUE(PushHistoryEntry(items, L"e0"));
    std::vector<std::wstring> expected = Entries(0, 15);
    EXPECT_EQ(items, expected);
}

TEST(HistoryList, TextsThatDifferOnlyInIgnorableCharactersAreDifferentEntries) {
    std::vector<std::wstring> items{L"ab"};
    EXPECT_TRUE(PushHistoryEntry(items, L"a\u00ADb"));
    EXPECT_EQ(items, (std::vector<std::wstring>{L"a\u00ADb", L"ab"}));
}

TEST(HistoryList, MultiSzOfAnyShapeIsReadWithinItsBounds) {
    std::wstring data = BuildMultiSz({L"one", L"two"});
    EXPECT_EQ(data, std::wstring(L"one\0two\0\0", 9));
    auto bytes = [](const std::wstring& d) { return reinterpret_cast<const BYTE*>(d.data()); };
    EXPECT_EQ(ParseMultiSz(bytes(data), data.size() * 2), (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_EQ(ParseMultiSz(bytes(data), 7), (std::vector<std::wstring>{L"one"})); // odd size, no final NUL
    std::wstring unterminated = L"abc";
    EXPECT_EQ(ParseMultiSz(bytes(unterminated), 6), (std::vector<std::wstring>{L"abc"}));
    std::wstring many = BuildMultiSz(Entries(1, 20));
    EXPECT_EQ(ParseMultiSz(bytes(many), many.size() * 2), Entries(1, 16));
    std::wstring longEntry = BuildMultiSz({std::wstring(3000, L'p')});
    EXPECT_EQ(ParseMultiSz(bytes(longEntry), longEntry.size() * 2)[0].size(), 2049u);
    EXPECT_TRUE(ParseMultiSz(nullptr, 0).empty());
}

// The history against the real stores, shown in a real combo box.
class HistoryStore : public ::testing::Test {
protected:
    void SetUp() override {
        combo_ = CreateWindowW(L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN, 0, 0, 200, 200, nullptr, nullptr, nullptr,
                               nullptr);
        ASSERT_NE(combo_, nullptr);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRegistryKeyPath, L"cbq_test");
    }
    void TearDown() override {
        DestroyWindow(combo_);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRegistryKeyPath, L"cbq_test");
    }
    void SetValue(DWORD type, const void* data, DWORD size) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kRegistryKeyPath, L"cbq_test", type, data, size);
    }
    std::vector<std::wstring> ComboItems() {
        std::vector<std::wstring> items;
        int count = static_cast<int>(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring text(static_cast<size_t>(SendMessageW(combo_, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
            text.resize(
                static_cast<size_t>(SendMessageW(combo_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
            items.push_back(text);
        }
        return items;
    }
    HWND combo_ = nullptr;
};

TEST_F(HistoryStore, RegistryValueOfAnotherTypeIsIgnoredThenReplacedByMultiSz) {
    std::wstring text = L"x";
    SetValue(REG_SZ, text.c_str(), 4);
    ComboboxQueue queue;
    queue.InitReg(combo_, L"cbq_test");
    EXPECT_TRUE(queue.Items().empty());
    queue.Push(L"first");
    queue.Push(L"second");
    DWORD type = 0, size = sizeof(wchar_t) * 64;
    wchar_t data[64] = {};
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kRegistryKeyPath, L"cbq_test", RRF_RT_ANY, &type, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(std::wstring(data, size / sizeof(wchar_t)), std::wstring(L"second\0first\0\0", 14));
    EXPECT_EQ(ComboItems(), (std::vector<std::wstring>{L"second", L"first"}));
    queue.Free();

    ComboboxQueue again;
    again.InitReg(combo_, L"cbq_test");
    EXPECT_EQ(again.Items(), (std::vector<std::wstring>{L"second", L"first"}));
}

TEST_F(HistoryStore, IniSectionStopsAtAGapAndKeepsLongQuotedEntriesWhole) {
    wchar_t temp[MAX_PATH], previous[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    GetCurrentDirectoryW(MAX_PATH, previous);
    std::wstring dir = std::wstring(temp) + L"pastrel-history-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    SetCurrentDirectoryW(dir.c_str());
    std::ofstream(".\\Pastrel.ini", std::ios::binary) << "\xFF\xFE";
    WritePrivateProfileStringW(L"cbq_test", L"0", L"zero", kIniFileName);
    WritePrivateProfileStringW(L"cbq_test", L"1", L"one", kIniFileName);
    WritePrivateProfileStringW(L"cbq_test", L"3", L"three", kIniFileName);

    ComboboxQueue queue;
    queue.InitIni(combo_, L"cbq_test");
    EXPECT_EQ(queue.Items(), (std::vector<std::wstring>{L"zero", L"one"}));
    std::wstring longPattern = L"\" " + std::wstring(2045, L'p') + L" \""; // 2049 characters, quoted, blanks
    queue.Push(longPattern);
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"cbq_test", L"3", L"gone", value, 16, kIniFileName);
    EXPECT_STREQ(value, L"gone"); // the section is written anew
    ComboboxQueue again;
    again.InitIni(combo_, L"cbq_test");
    EXPECT_EQ(again.Items(), (std::vector<std::wstring>{longPattern, L"zero", L"one"}));

    DeleteFileW(L".\\Pastrel.ini");
    SetCurrentDirectoryW(previous);
    RemoveDirectoryW(dir.c_str());
}

// ---- The shipped templates, each applied through the replacement stage as the dialog sets it up ----

std::vector<RegexTemplate> ShippedTemplates(bool japanese) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file.resize(file.rfind(L'\\') + 1);
    file += kRegexTemplateFile;
    std::ifstream in(file.c_str(), std::ios::binary);
    return ParseRegexTemplates(std::string(std::istreambuf_iterator<char>(in), {}), japanese);
}

TEST(ShippedTemplates, EachGivesTheExpectedTextOnItsSample) {
    struct Case {
        const wchar_t* name;
        const wchar_t* sample;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"Remove trailing blanks", L"a  \r\nb\t　\r\nc ", L"a\r\nb\r\nc"},
        {L"Remove leading blanks", L"  a\r\n\t　b", L"a\r\nb"},
        {L"Runs of blanks to one space", L"a  b\t\tc d", L"a b c d"},
        {L"Remove blank lines", L"a\r\n\r\n  \r\nb\r\n", L"a\r\nb\r\n"},
        {L"Blank lines in a row to one", L"a\r\n\r\n\r\n\r\nb\r\n\r\nc", L"a\r\n\r\nb\r\n\r\nc"},
        {L"Remove leading numbers (1. 2) (3))", L"1. one\r\n 2) two\r\n(10) ten\r\n3.5 kg",
         L"one\r\ntwo\r\nten\r\n3.5 kg"},
        {L"Remove leading bullets", L"- a\r\n* b\r\n• c\r\n・d\r\n-5 stays", L"a\r\nb\r\nc\r\nd\r\n-5 stays"},
        {L"Remove quoted-reply markers (> )", L"> a\r\n>> b\r\n> > c\r\nd > e", L"a\r\nb\r\nc\r\nd > e"},
        {L"Remove HTML tags", L"<p>a <b class=\"x\">b</b></p>", L"a b"},
        {L"Remove tracking parameters from URLs",
         L"https://x.org/a?utm_source=t&utm_medium=m&id=3 https://x.org/b?id=4&fbclid=Z&k=1 "
         L"https://x.org/c?gclid=1#top https://x.org/d?id=5&utm_campaign=c",
         L"https://x.org/a?id=3 https://x.org/b?id=4&k=1 https://x.org/c#top https://x.org/d?id=5"},
        {L"Full-width spaces to half-width", L"a　b　　c", L"a b  c"},
        {L"Remove invisible characters (zero-width space, soft hyphen, BOM)", L"\uFEFFa\u200Bb\u00ADc", L"abc"},
        {L"Quote every CSV field", L"a,b,,c\r\n\"q\",x", L"\"a\",\"b\",\"\",\"c\"\r\n\"q\",\"x\""},
        {L"Remove the quotes around CSV fields", L"\"a\",\"b c\",d", L"a,b c,d"},
        {L"Dates YYYY/MM/DD to YYYY-MM-DD", L"2024/03/07 and 2024/3/7, not 12024/03/07",
         L"2024-03-07 and 2024-3-7, not 12024/03/07"},
        {L"Mask e-mail addresses", L"write to jane.doe+x@mail.example.co.jp now",
         L"write to ***@mail.example.co.jp now"},
        {L"Join the lines of a paragraph with a space", L"one\r\ntwo \r\nthree\r\n\r\nnext",
         L"one two three\r\n\r\nnext"},
        {L"Join the lines of a paragraph (Japanese, no space)", L"これは\r\n一文\r\n\r\n次", L"これは一文\r\n\r\n次"},
        {L"Tabs to commas", L"a\tb\tc", L"a,b,c"},
        {L"Commas to tabs", L"a,b,c", L"a\tb\tc"},
        {L"Line breaks to CR LF", L"a\nb\rc\r\nd", L"a\r\nb\r\nc\r\nd"},
    };
    std::vector<RegexTemplate> english = ShippedTemplates(false);
    std::vector<RegexTemplate> japanese = ShippedTemplates(true);
    ASSERT_EQ(english.size(), std::size(cases));
    ASSERT_EQ(japanese.size(), english.size());
    for (size_t i = 0; i < english.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(english[i].name, cases[i].name);
        EXPECT_NE(japanese[i].name, english[i].name);
        SettingsRecord settings;
        settings.REP_BEFORE = english[i].before;
        settings.REP_AFTER = english[i].after;
        settings.REP_SINGLELINE = false;
        settings.REP_NOTDOTNEWLINE = true;
        std::wstring result;
        EXPECT_EQ(ApplyRegexReplacement(settings, cases[i].sample, result), L"");
        EXPECT_EQ(result, cases[i].expected);
    }
}

} // namespace
