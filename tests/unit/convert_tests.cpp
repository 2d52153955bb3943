// The conversion stages. Each fast stage is compared on random inputs with a literal implementation kept here, written
// the straightforward way (erasing and inserting in place), plus the cases users rely on.
#include "base/text.h"
#include "convert/csv.h"
#include "convert/definitions.h"
#include "convert/lines.h"
#include "convert/pipeline.h"
#include "convert/regex_stage.h"
#include "settings/settings.h"

#include <boost/regex.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

// ---- literal references -------------------------------------------------------------------------------------

using Lines = std::vector<std::wstring>;

Lines LiteralSplit(const std::wstring& text) {
    Lines lines;
    size_t start = 0;
    wchar_t previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\n' && previous == L'\r') {
            start = i + 1;
        } else if (c == L'\r' || c == L'\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
        previous = c;
    }
    lines.push_back(text.substr(start));
    return lines;
}

void LiteralDelete(std::wstring& text, bool space, bool enter, bool tab) {
    size_t i = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        if ((space && c == L' ') || (enter && (c == L'\r' || c == L'\n')) || (tab && c == L'\t')) text.erase(i, 1);
        else ++i;
    }
}

void LiteralUniq(Lines& lines) {
    size_t i = 1;
    while (i < lines.size()) {
        if (lines[i] == lines[i - 1]) lines.erase(lines.begin() + static_cast<ptrdiff_t>(i));
        else ++i;
    }
}

bool LiteralLess(const std::wstring& a, const std::wstring& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return static_cast<unsigned>(a[i]) < static_cast<unsigned>(b[i]);
    return a.size() < b.size();
}

void LiteralSort(Lines& lines, bool descending) {
    for (size_t i = 1; i < lines.size(); ++i)
        for (size_t j = i; j > 0; --j) {
            bool swap = descending ? LiteralLess(lines[j - 1], lines[j]) : LiteralLess(lines[j], lines[j - 1]);
            if (!swap) break;
            std::swap(lines[j], lines[j - 1]);
        }
}

void LiteralExpandTabs(Lines& lines, int w) {
    for (std::wstring& line : lines) {
        int col = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            wchar_t c = line[i];
            if (c == L'\t') {
                line.replace(i, 1, static_cast<size_t>(w - col % w), L' ');
                col += 1;
            } else if (c <= 0xFF || (c >= 0xFF61 && c <= 0xFF9F)) {
                col += 1;
            } else {
                col += 2;
            }
        }
    }
}

// The scan as written: every position, rules in order, replacing in place. A reference is refused when the same
// entry, in the same direction, is already being applied in the chain on exactly the same rest of the text; a depth
// budget marks what the real stage stops by its size limits.
struct LiteralOpen {
    std::wstring id;
    bool reverse;
    std::wstring rest;
};

bool LiteralApplyAt(const std::vector<ConversionEntry>& table, const std::wstring& id, std::wstring& text, size_t k,
                    bool reverse, std::vector<LiteralOpen>& open, bool& endless) {
    if (id.empty() || text.empty()) return false;
    if (open.size() > 200) {
        endless = true;
        return false;
    }
    const ConversionEntry* entry = nullptr;
    for (const ConversionEntry& e : table)
        if (e.identifier == id) {
            entry = &e;
            break;
        }
    if (!entry) return false;
    open.push_back({id, reverse, text.substr(k)});
    for (const ConversionRule& rule : entry->rules) {
        if (rule.isReference) {
            bool opposite = !rule.to.empty() && rule.to[0] == L'!';
            std::wstring name = opposite ? rule.to.substr(1) : rule.to;
            bool direction = opposite ? !reverse : reverse;
            bool repeat = false;
            for (const LiteralOpen& o : open)
                repeat = repeat || (o.id == name && o.reverse == direction && o.rest == text.substr(k));
            if (!repeat) LiteralApplyAt(table, name, text, k, direction, open, endless);
            continue;
        }
        const std::wstring& search = reverse ? rule.to : rule.from;
        const std::wstring& replacement = reverse ? rule.from : rule.to;
        if (search.empty()) continue;
        if (k + search.size() <= text.size() && text.compare(k, search.size(), search) == 0)
            text.replace(k, search.size(), replacement);
    }
    open.pop_back();
    return true;
}

// Stops (setting `endless`) once the text passes `limit` or the chain the depth budget: rules can feed each other
// without end.
std::wstring LiteralConvert(const std::vector<ConversionEntry>& table, const std::wstring& id, std::wstring text,
                            size_t limit, bool& endless) {
    endless = false;
    std::vector<LiteralOpen> open;
    for (size_t k = 0; k < text.size() && !endless; ++k) {
        LiteralApplyAt(table, id, text, k, false, open, endless);
        endless = endless || text.size() > limit;
    }
    return text;
}

std::string ToUtf8Test(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// ---- random inputs ------------------------------------------------------------------------------------------

// Breaks, tabs, blanks and zeros of every kind, and the units at each edge of the column-width classes.
const wchar_t kUnits[] = {L'a',   L'b',   L'0',   L' ', L'\t', L'\r', L'\n', 0x3000, 0xFF10, 0xFF61, 0xFF9F, 0x30A2,
                          0x6F22, 0xD83D, 0xDE00, L'z', L'A',  L',',  L'1',  L'.',   0x00FF, 0x0100, 0xFF60, 0xFFA0};

std::wstring RandomText(std::mt19937& random, size_t maxLength) {
    std::wstring text(random() % (maxLength + 1), L'\0');
    for (wchar_t& c : text) c = kUnits[random() % ARRAYSIZE(kUnits)];
    return text;
}

// Lines of tens of units, as real texts have: the stages work on eight units at a time.
std::wstring RandomLongLines(std::mt19937& random, size_t maxLength) {
    std::wstring text = RandomText(random, maxLength);
    for (wchar_t& c : text)
        if ((c == L'\r' || c == L'\n') && random() % 8) c = L'x';
    return text;
}

class Stages : public ::testing::Test {
protected:
    void SetUp() override {
        Settings = SettingsRecord{};
        g_language.uiJapanese = false;
        ConversionTable.clear();
    }
    std::mt19937 random{12345};
};

// ---- splitting, joining, deletion --------------------------------------------------------------------------

TEST_F(Stages, SplitMatchesTheLiteralScan) {
    for (int round = 0; round < 3000; ++round) {
        std::wstring text = round % 2 ? RandomText(random, 40) : RandomLongLines(random, 200);
        EXPECT_EQ(SplitLines(text).Strings(), LiteralSplit(text));
    }
    EXPECT_EQ(SplitLines(L"").Strings(), Lines{L""});
    EXPECT_EQ(SplitLines(L"a\n\nb").Strings(), (Lines{L"a", L"", L"b"}));
    EXPECT_EQ(SplitLines(L"a\r\n").Strings(), (Lines{L"a", L""}));
}

TEST_F(Stages, DeletionMatchesTheLiteralErase) {
    std::wstring out; // reused, as the pipeline reuses its buffers, so a longer earlier result must not show through
    auto deleted = [&](const std::wstring& text) -> const std::wstring& {
        DeleteCharacters(Settings, text, out);
        return out;
    };
    for (int round = 0; round < 3000; ++round) {
        std::wstring text = RandomText(random, 40), expected = text;
        Settings.DelSpace = random() % 2;
        Settings.DelEnter = random() % 2;
        Settings.DelTab = random() % 2;
        LiteralDelete(expected, Settings.DelSpace, Settings.DelEnter, Settings.DelTab);
        EXPECT_EQ(deleted(text), expected);
        DeleteCharactersInPlace(Settings, text);
        EXPECT_EQ(text, expected);
    }
    std::wstring ideographic = L"a \x3000"
                               L"b";
    Settings.DelSpace = true;
    EXPECT_EQ(deleted(ideographic), L"a\x3000"
                                    L"b");
}

TEST_F(Stages, LineStepsMatchTheLiteralOnes) {
    for (int round = 0; round < 3000; ++round) {
        std::wstring text = round % 2 ? RandomText(random, 60) : RandomLongLines(random, 200);
        Lines lines = SplitLines(text).Strings();
        LineList sorted = SplitLines(text);
        Lines expectedSorted = lines;
        bool descending = random() % 2;
        descending ? SortDescending(sorted) : SortAscending(sorted);
        LiteralSort(expectedSorted, descending);
        EXPECT_EQ(sorted.Strings(), expectedSorted);

        LineList unique = SplitLines(text);
        Lines expectedUnique = lines;
        RemoveRepeatedLines(unique);
        LiteralUniq(expectedUnique);
        EXPECT_EQ(unique.Strings(), expectedUnique);

        int width = random() % 2 ? 4 : 8;
        LineList tabs = SplitLines(text);
        Lines expectedTabs = lines;
        ExpandTabs(tabs, width);
        LiteralExpandTabs(expectedTabs, width);
        EXPECT_EQ(tabs.Strings(), expectedTabs);
    }
}

// Sorting reads a line's first four units as one number and the rest eight units at a time: lines that share long
// beginnings and differ near those edges, short lines, and the lowest and highest units decide there.
TEST_F(Stages, SortMatchesTheLiteralOrderWhereLinesShareLongBeginnings) {
    const wchar_t units[] = {0, 1, L'a', L'b', 0x7FFF, 0x8000, 0xFFFF, 0x3042};
    for (int round = 0; round < 1500; ++round) {
        std::wstring stem(random() % 24, L'\0');
        for (wchar_t& c : stem) c = units[random() % ARRAYSIZE(units)];
        std::wstring text;
        for (int line = 0, lines = 1 + random() % 12; line < lines; ++line) {
            std::wstring next = stem.substr(0, random() % (stem.size() + 1));
            for (size_t tail = random() % 3; tail > 0; --tail) next += units[random() % ARRAYSIZE(units)];
            if (!next.empty() && random() % 3 == 0) next[random() % next.size()] = units[random() % ARRAYSIZE(units)];
            text += (line ? L"\n" : L"") + next;
        }
        Lines expected = SplitLines(text).Strings();
        bool descending = random() % 2;
        LiteralSort(expected, descending);
        LineList sorted = SplitLines(text);
        descending ? SortDescending(sorted) : SortAscending(sorted);
        ASSERT_EQ(sorted.Strings(), expected) << round;
    }
}

// The regular-expression stage matches on positions that count its steps and appends what lies between matches; the
// library's own regex_replace on plain pointers is the reference, for empty matches and every format piece too.
TEST_F(Stages, RegexReplacementMatchesTheLibrarysOwnOnRandomTexts) {
    const wchar_t* patterns[] = {L"[ \\t]+$", L"^", L"$", L"a*", L"\\b", L"(a)|b", L"[^\\x{3000}]+", L"a.?", L"\\s+",
                                 L"(?<=a)b|0$"};
    const wchar_t* formats[] = {L"", L"<$&>", L"$1|$`|$'", L"${1}x$$", L"\\n"};
    std::wstring out(500, L'#');
    for (int round = 0; round < 1500; ++round) {
        Settings.REP_BEFORE = patterns[random() % ARRAYSIZE(patterns)];
        Settings.REP_AFTER = formats[random() % ARRAYSIZE(formats)];
        Settings.REP_SINGLELINE = random() % 2;
        Settings.REP_NOTDOTNEWLINE = random() % 2;
        Settings.REP_ICASE = random() % 2;
        std::wstring text = round % 2 ? RandomText(random, 40) : RandomLongLines(random, 200);
        boost::regex_constants::match_flag_type flags = boost::regex_constants::match_default;
        if (Settings.REP_SINGLELINE) flags |= boost::regex_constants::match_single_line;
        if (Settings.REP_NOTDOTNEWLINE) flags |= boost::regex_constants::match_not_dot_newline;
        boost::wregex expression(Settings.REP_BEFORE, Settings.REP_ICASE ? boost::regex_constants::icase
                                                                        : boost::regex_constants::normal);
        std::wstring expected;
        boost::regex_replace(std::back_inserter(expected), text.data(), text.data() + text.size(), expression,
                             Settings.REP_AFTER, flags);
        ASSERT_EQ(ApplyRegexReplacement(Settings, text, out), L"") << round;
        ASSERT_EQ(out, expected) << round << " " << ToUtf8Test(Settings.REP_BEFORE);
    }
}

// ---- the pipeline ------------------------------------------------------------------------------------------

// Working memory kept from text to text (a long table, then a short line, ...) gives what fresh memory gives.
TEST_F(Stages, ReusedWorkingMemoryGivesWhatFreshMemoryGives) {
    ConversionTable = ParseConversionDefinitions(L"SPACES\nspaces\n\x3000\t  \na\tA\n");
    ConversionBuffers kept;
    for (int round = 0; round < 400; ++round) {
        Settings = SettingsRecord{};
        Settings.DelTab = random() % 4 == 0;
        Settings.FEL_TRIMLEFT = random() % 2;
        Settings.FEL_UNIQ = random() % 2;
        Settings.TAB8SPACE = random() % 3 == 0;
        Settings.CSVTSV_CHANGEROWCOL = random() % 2;
        Settings.MUL_BY_N = random() % 3 ? L"1" : L"2.5";
        Settings.FEL_SORTASC = random() % 3 == 0;
        Settings.DelSpace = random() % 4 == 0;
        Settings.REP_REP = random() % 3 == 0;
        Settings.REP_BEFORE = random() % 2 ? L"[ \\t]+$" : L"a|\\x{3000}";
        Settings.REP_AFTER = L"<$&>";
        const std::wstring conversion = random() % 3 ? L"" : L"SPACES";
        std::wstring input = random() % 2 ? RandomText(random, 300) : RandomLongLines(random, 40);
        std::wstring fresh, reused = input;
        ConvertText(conversion, input, fresh);
        ConvertTextInPlace(conversion, reused, kept);
        ASSERT_EQ(reused, fresh) << round;
    }
}

std::wstring Convert(const std::wstring& text, const std::wstring& id = L"") {
    std::wstring out = L"stale";
    ConvertText(id, text, out);
    return out;
}

TEST_F(Stages, EverythingOffReturnsTheInputUnitForUnit) {
    for (const std::wstring& text :
         {std::wstring(L"lone\rCR lone\nLF\r\n"), std::wstring(), std::wstring(L"\U0001F600")})
        EXPECT_EQ(Convert(text), text);
}

TEST_F(Stages, TheLineStageNormalisesEveryBreak) {
    Settings.FEL_UNIQ = true;
    EXPECT_EQ(Convert(L"x\ny\rz"), L"x\r\ny\r\nz");
    Settings = SettingsRecord{};
    Settings.MUL_BY_N = L"1";
    EXPECT_EQ(Convert(L"x\ny\rz"), L"x\ny\rz");
    Settings.LC_LF = Settings.LC_CR = true;
    EXPECT_EQ(Convert(L"x\ny\rz"), L"x\r\ny\r\nz");
    Settings.LC_CR = false;
    EXPECT_EQ(Convert(L"x\r\ny\rz"), L"x\ny\nz");
    Settings.LC_LF = false;
    Settings.LC_CR = true;
    EXPECT_EQ(Convert(L"x\r\ny\nz"), L"x\ry\rz");
}

TEST_F(Stages, DeleteEnterMakesOneLineBeforeTheLineStage) {
    Settings.DelEnter = true;
    Settings.FEL_SORTASC = true;
    EXPECT_EQ(Convert(L"b\r\na\r\n"), L"ba");
}

TEST_F(Stages, SortingPutsTheEmptyLastLineFirst) {
    Settings.FEL_SORTASC = true;
    EXPECT_EQ(Convert(L"b\r\na\r\n"), L"\r\na\r\nb");
    EXPECT_EQ(Convert(L""), L"");
    EXPECT_EQ(Convert(L"b\r\nB\r\nア\r\n漢\r\na"), L"B\r\na\r\nb\r\nア\r\n漢");
    Settings.FEL_SORTDSC = true; // both on: ascending, then descending
    EXPECT_EQ(Convert(L"a\r\nc\r\nb"), L"c\r\nb\r\na");
}

TEST_F(Stages, TrimsUniqAndBlankLines) {
    Settings.FEL_TRIMLEFT_ZERO = true;
    EXPECT_EQ(Convert(L"007\n000\n0.5"), L"7\r\n\r\n.5");
    Settings.FEL_TRIMLEFT = true;
    EXPECT_EQ(Convert(L" 0 07"), L"7");
    Settings = SettingsRecord{};
    Settings.FEL_TRIMLEFT_TAB = true;
    EXPECT_EQ(Convert(L"\t \tx"), L" \tx");
    Settings.FEL_TRIMLEFT = true;
    EXPECT_EQ(Convert(L"\t \tx"), L"x");
    Settings = SettingsRecord{};
    Settings.FEL_TRIMLEFT_ZERO = Settings.FEL_TRIMRIGHT = Settings.FEL_TRIMRIGHT_TAB = true;
    EXPECT_EQ(Convert(L"100 \t"), L"100");
    Settings = SettingsRecord{};
    Settings.FEL_TRIMRIGHT_FPSPACE = Settings.FEL_TRIMLEFT_FPSPACE = Settings.FEL_TRIMLEFT_FPZERO = true;
    EXPECT_EQ(Convert(L"\x3000\xFF10\x31\x3000"), L"1");
    Settings = SettingsRecord{};
    Settings.FEL_UNIQ = true;
    EXPECT_EQ(Convert(L"a\na\nb\na"), L"a\r\nb\r\na");
    Settings.FEL_SORTASC = true;
    EXPECT_EQ(Convert(L"a\na\nb\na"), L"a\r\nb");
    Settings = SettingsRecord{};
    Settings.FEL_DELBLANKLINE = true;
    EXPECT_EQ(Convert(L"a\r\n\r\n  \r\nb\r\n"), L"a\r\n  \r\nb");
}

TEST_F(Stages, TabStopsCountDisplayColumns) {
    Settings.TAB8SPACE = true;
    EXPECT_EQ(Convert(L"x\ty"), L"x       y");
    EXPECT_EQ(Convert(L"漢字\t"), L"漢字    ");
    EXPECT_EQ(Convert(L"\xFF71\t"), L"\xFF71       ");
    EXPECT_EQ(Convert(L"12345678\t|"), L"12345678        |");
    Settings.TAB4SPACE = true;
    EXPECT_EQ(Convert(L"ab\tc"), L"ab  c");
}

// ---- definitions -------------------------------------------------------------------------------------------

std::vector<ConversionEntry> Parse(const std::wstring& file) { return ParseConversionDefinitions(file); }

TEST_F(Stages, DefinitionFileStates) {
    auto table = Parse(L"# comment\r\n\r\nZEN2HAN\n\n# skipped in the name state\nFull to half\n\xFF21\tA\n"
                       L"#\tcomment-looking rule\nno tab here\n\t!HAN2ZEN\n\nSECOND\r\nSecond\r\nx\ty\tz");
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].identifier, L"ZEN2HAN");
    EXPECT_EQ(table[0].displayName, L"Full to half");
    ASSERT_EQ(table[0].rules.size(), 3u);
    EXPECT_EQ(table[0].rules[1].from, L"#");
    EXPECT_TRUE(table[0].rules[2].isReference);
    EXPECT_EQ(table[0].rules[2].to, L"!HAN2ZEN");
    EXPECT_EQ(table[1].rules[0].to, L"y\tz");
}

TEST_F(Stages, EscapedEntriesDecodeBothSides) {
    auto table = Parse(L"\\ABC\nname\n\\u3000\t \n\\q\\x41\\101\\t\\\\\t\\\"\\'\\n\n");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].identifier, L"ABC");
    EXPECT_TRUE(table[0].escaped);
    EXPECT_EQ(table[0].rules[0].from, L"\x3000");
    EXPECT_EQ(table[0].rules[0].to, L" ");
    EXPECT_EQ(table[0].rules[1].from, L"qAA\t\\");
    EXPECT_EQ(table[0].rules[1].to, L"\"'\n");
    EXPECT_EQ(UnescapeDefinitionText(L"a\\000b"), L"a");
    EXPECT_EQ(UnescapeDefinitionText(L"\\x4"), L"x4");
    EXPECT_EQ(UnescapeDefinitionText(L"end\\"), L"end");
}

TEST_F(Stages, LongLinesAreReadInPiecesOf259Units) {
    std::wstring name(300, L'n');
    auto table = Parse(L"ID\n" + name + L"\n");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].displayName, std::wstring(259, L'n'));
}

TEST_F(Stages, ConversionsApplyRulesInOrderAtEachPosition) {
    ConversionTable = Parse(L"CHAIN\nchain\nx\ty\ny\tz\n\nDEL\ndel\n-\t\n\nREF\nref\n\tCHAIN\n\tMISSING\n\n"
                            L"REV\nrev\n\t!CHAIN\n\nA\nfirst\nq\t1\n\nA\nsecond\nq\t2\n");
    EXPECT_EQ(Convert(L"axb", L"CHAIN"), L"azb");
    EXPECT_EQ(Convert(L"a-b-c", L"DEL"), L"abc");
    // The scan moves on after each position, so of two adjacent matches the second slides under it.
    EXPECT_EQ(Convert(L"a--b", L"DEL"), L"a-b");
    EXPECT_EQ(Convert(L"x", L"REF"), L"z");
    EXPECT_EQ(Convert(L"z", L"REV"), L"y"); // reverse: z -> y, then y -> x is tried before: order matters
    EXPECT_EQ(Convert(L"q", L"A"), L"1");
    EXPECT_EQ(Convert(L"x", L"NONE"), L"x");
    Settings.StrConvID = L"A";
    EXPECT_EQ(FindConversionEntry(ConversionTable, Settings.StrConvID), 4); // the first entry of that name
}

TEST_F(Stages, FastConversionMatchesTheLiteralScanOnRandomDefinitions) {
    const wchar_t alphabet[] = {L'a', L'b', L'c', L'\x3000', L' '};
    std::wstring reused(200, L'#'); // the result's memory, kept from round to round as the pipeline keeps it
    for (int round = 0; round < 600; ++round) {
        // Half the rounds reach no other entry, which takes a path of its own.
        const bool references = round % 2;
        std::wstring file;
        int entries = 1 + random() % 3;
        for (int e = 0; e < entries; ++e) {
            file += L"E" + std::to_wstring(e) + L"\nname\n";
            int rules = 1 + random() % 4;
            for (int r = 0; r < rules; ++r) {
                if (references && random() % 5 == 0) {
                    // any entry, the referring one and a missing one included, or no name at all
                    int target = random() % (entries + 1);
                    std::wstring name = random() % 8 ? L"E" + std::to_wstring(target) : L"";
                    file += std::wstring(L"\t") + (random() % 2 ? L"!" : L"") + name + L"\n";
                    continue;
                }
                std::wstring from(1 + random() % 2, L'a'), to(random() % 3, L'a');
                for (wchar_t& c : from) c = alphabet[random() % 3];
                for (wchar_t& c : to) c = alphabet[random() % ARRAYSIZE(alphabet)];
                // a replacement that starts with its own search text at a later offset would not end
                if (to.find(from) != std::wstring::npos) continue;
                file += from + L"\t" + to + L"\n";
            }
            file += L"\n";
        }
        ConversionTable = Parse(file);
        std::wstring text(random() % 30, L'a');
        for (wchar_t& c : text) c = alphabet[random() % ARRAYSIZE(alphabet)];
        bool endless = false;
        std::wstring expected = LiteralConvert(ConversionTable, L"E0", text, 5000, endless);
        if (endless) continue;
        EXPECT_EQ(Convert(text, L"E0"), expected) << "round " << round << "\n"
                                                  << ToUtf8Test(file) << "\ntext: " << testing::PrintToString(text);
        std::wstring warning;
        if (!text.empty() && ApplyDefinitionConversion(ConversionTable, L"E0", text, reused, warning)) {
            EXPECT_EQ(reused, expected) << "round " << round;
        }
    }
}

TEST_F(Stages, ReferencesRepeatOnlyWhereTheRestIsUnchanged) {
    ConversionTable = Parse(L"LOOP\nloop\nx\ty\n\tLOOP2\n\nLOOP2\nloop2\n\tLOOP\ny\tz\n\n"
                            L"EAT\neat\nx\t\n\tEAT\n");
    EXPECT_EQ(Convert(L"x", L"LOOP"), L"z");
    // Each inner application finds a shorter rest, so the entry eats every x at position 0.
    EXPECT_EQ(Convert(L"xx", L"EAT"), L"");
    EXPECT_EQ(Convert(L"axxxb", L"EAT"), L"ab");
}

TEST_F(Stages, ReferenceWithAnEmptyNameAppliesNothing) {
    ConversionTable = Parse(L"\\\nnameless\nx\ty\n\nR\nr\n\t\n\nQ\nq\n\t!\n");
    ASSERT_EQ(ConversionTable[0].identifier, L"");
    EXPECT_EQ(Convert(L"x", L"R"), L"x");
    EXPECT_EQ(Convert(L"y", L"Q"), L"y");
}

TEST_F(Stages, GrowthThatEndsIsKeptAndEndlessGrowthStopsWithAWarning) {
    ConversionTable =
        Parse(L"WIDE\nwide\na\t" + std::wstring(200, L'b') + L"\n\nGROW\ngrow\na\tb" + std::wstring(200, L'a') + L"\n");
    std::wstring warning, result;
    ASSERT_TRUE(ApplyDefinitionConversion(ConversionTable, L"WIDE", std::wstring(20000, L'a'), result, warning));
    EXPECT_TRUE(warning.empty());
    EXPECT_EQ(result, std::wstring(4000000, L'b'));
    EXPECT_FALSE(ApplyDefinitionConversion(ConversionTable, L"GROW", L"cab", result, warning));
    EXPECT_NE(warning.find(L"grew too large"), std::wstring::npos);
    EXPECT_EQ(Convert(L"cab", L"GROW"), L"cab");
}

TEST_F(Stages, DeepReferenceChainsRunWithoutTheMachineStack) {
    std::wstring file;
    for (int i = 0; i < 12000; ++i) file += L"C" + std::to_wstring(i) + L"\nc\n\tC" + std::to_wstring(i + 1) + L"\n\n";
    file += L"C12000\nlast\nx\tdone\n";
    ConversionTable = Parse(file);
    std::wstring many(100, L'x'), done;
    for (int i = 0; i < 100; ++i) done += L"done";
    EXPECT_EQ(Convert(L"-x-" + many, L"C0"), L"-done-" + done);
}

TEST_F(Stages, DefinitionFileHeldOpenByAnEditorStillLoads) {
    wchar_t temp[MAX_PATH], previous[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    GetCurrentDirectoryW(MAX_PATH, previous);
    std::wstring dir = std::wstring(temp) + L"pastrel def " + std::to_wstring(GetCurrentProcessId());
    std::wstring path = dir + L"\\Convert.def";
    CreateDirectoryW(dir.c_str(), nullptr);
    HANDLE editor = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                0, nullptr);
    ASSERT_NE(editor, INVALID_HANDLE_VALUE);
    std::wstring content = L"\xFEFF"
                           L"ID\nname\nx\ty\n";
    DWORD written = 0;
    WriteFile(editor, content.data(), static_cast<DWORD>(content.size() * 2), &written, nullptr);
    SetCurrentDirectoryW(dir.c_str());
    bool loaded = LoadConversionDefinitions();
    SetCurrentDirectoryW(previous);
    CloseHandle(editor);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(dir.c_str());
    EXPECT_TRUE(loaded);
    EXPECT_EQ(ConversionTable.size(), 1u);
}

// ---- regular expressions -------------------------------------------------------------------------------

std::wstring Regex(const std::wstring& pattern, const std::wstring& format, const std::wstring& text,
                   std::wstring* warning = nullptr) {
    Settings.REP_BEFORE = pattern;
    Settings.REP_AFTER = format;
    std::wstring out(100, L'#'); // memory of an earlier, longer text, reused
    std::wstring w = ApplyRegexReplacement(Settings, text, out);
    if (warning) *warning = w;
    return out;
}

TEST_F(Stages, RegexReplacement) {
    EXPECT_EQ(Regex(L"^", L">", L"a\nb"), L">a\n>b");
    Settings.REP_SINGLELINE = true;
    EXPECT_EQ(Regex(L"^", L">", L"a\nb"), L">a\nb");
    Settings.REP_SINGLELINE = false;
    EXPECT_EQ(Regex(L"a.*", L"X", L"ab\ncd"), L"X");
    Settings.REP_NOTDOTNEWLINE = true;
    EXPECT_EQ(Regex(L"a.*", L"X", L"ab\ncd"), L"X\ncd");
    Settings.REP_ICASE = true;
    EXPECT_EQ(Regex(L"abc", L"[$&]", L"xAbCx"), L"x[AbC]x");
    Settings.REP_ICASE = false;
    EXPECT_EQ(Regex(L"(b)(c)", L"$2${1}|$`|$'|$$", L"abcd"), L"acb|a|d|$d");
    EXPECT_EQ(Regex(L"zzz", L"y", L"abc"), L"abc");
}

TEST_F(Stages, RegexErrorsLeaveTheTextAndExplain) {
    std::wstring warning;
    Regex(L"(unbalanced", L"x", L"text (unbalanced", &warning);
    EXPECT_EQ(warning.rfind(L"regex error[boost::regex_error]:\n", 0), 0u);
    EXPECT_GT(warning.size(), 36u);
    g_language.uiJapanese = true;
    Regex(L"[", L"x", L"t", &warning);
    EXPECT_EQ(warning.rfind(L"正規表現による文字列置換中にエラー[boost::regex_error]が発生しました：\n", 0), 0u);
    g_language.uiJapanese = false;
    // A pattern that makes the matcher give up is an error, not a hang.
    std::wstring text(40, L'a');
    text += L"!";
    Regex(L"(a*)*(a*)*b", L"x", text, &warning);
    EXPECT_FALSE(warning.empty());
    Settings.REP_REP = true; // the pipeline keeps its text
    EXPECT_EQ(Convert(text), text);
}

TEST_F(Stages, CatastrophicPatternStopsAtTheTimeBudget) {
    std::wstring text;
    for (int i = 0; i < 2000; ++i) text += std::wstring(18, L'a') + L"b";
    Settings.REP_BEFORE = L"(a+)+c|b";
    Settings.REP_AFTER = L"x";
    std::wstring out;
    std::wstring warning = ApplyRegexReplacement(Settings, text, out, 200);
    EXPECT_NE(warning.find(L"did not finish within 3 seconds"), std::wstring::npos) << ToUtf8Test(warning);
    g_language.uiJapanese = true;
    warning = ApplyRegexReplacement(Settings, text, out, 200);
    EXPECT_EQ(warning.rfind(L"正規表現による文字列置換が3秒以内に終わらなかった", 0), 0u);
}

TEST_F(Stages, RegexFailureLetsTheLaterStagesRun) {
    Settings.REP_REP = true;
    Settings.REP_BEFORE = L"(";
    Settings.FEL_SORTASC = true;
    EXPECT_EQ(Convert(L"b\na"), L"a\r\nb");
}

// ---- CSV/TSV -----------------------------------------------------------------------------------------

std::wstring Csv(const std::wstring& text, bool transpose, const std::wstring& factor = L"1") {
    Settings.CSVTSV_CHANGEROWCOL = transpose;
    Settings.MUL_BY_N = factor;
    return Convert(text);
}

TEST_F(Stages, CsvTransposeAndSeparators) {
    EXPECT_EQ(Csv(L"p,q,r\r\ns,t,u", true), L"p,s\r\nq,t\r\nr,u");
    EXPECT_EQ(Csv(L"x\ty\r\nz", true), L"x\tz\r\ny\t");
    EXPECT_EQ(Csv(L"p\r\nq\r\nr", true), L"p,q,r");
    EXPECT_EQ(Csv(L"a,b\tc\td\te", false, L"1.0"), L"a\tb\tc\td\te");
    EXPECT_EQ(Csv(L"a,b\r\nc", false, L"1"), L"a,b\r\nc"); // the step does not run; breaks stay
    EXPECT_EQ(Csv(L"a;b\nc", false, L"1"), L"a;b\nc");
    EXPECT_EQ(Csv(L"\r\n\r\n", true), L",,");
    EXPECT_EQ(Csv(L"\r\n\r\n", false, L"2"), L"\r\n\r\n");
}

TEST_F(Stages, CsvMultiply) {
    EXPECT_EQ(Csv(L"1.5,10,0,0.0,abc,12abc, 5,-3", false, L"2"), L"3,20,0,0.0,abc,24,10,-6");
    EXPECT_EQ(Csv(L"3", false, L"0.5"), L"1.5");
    EXPECT_EQ(Csv(L"1234567", false, L"2"), L"2.46913e+006");
    EXPECT_EQ(Csv(L"1.50,007,x", false, L"1.0"), L"1.5,7,x");
    EXPECT_EQ(Csv(L"1.50\t007", false, L"01"), L"1.5\t7");
    EXPECT_EQ(Csv(L"1,2\r\n3,4", true, L"1"), L"1,3\r\n2,4");
}

TEST_F(Stages, NumbersInPrintfGForm) {
    EXPECT_EQ(FormatNumberG(100000), L"100000");
    EXPECT_EQ(FormatNumberG(1000000), L"1e+006");
    EXPECT_EQ(FormatNumberG(999999.5), L"1e+006");
    EXPECT_EQ(FormatNumberG(0.0001), L"0.0001");
    EXPECT_EQ(FormatNumberG(0.00001234), L"1.234e-005");
    EXPECT_EQ(FormatNumberG(-2.5), L"-2.5");
    EXPECT_EQ(FormatNumberG(1e300 * 10), L"1e+301");
    EXPECT_EQ(FormatNumberG(123456789012.0), L"1.23457e+011");
    EXPECT_EQ(FormatNumberG(-1e-300 / 1e10), L"-1e-310");
}

// The runtime's own "%.6g", with its exponent widened to three digits, is the reference.
TEST_F(Stages, NumberFormAgreesWithPrintfOnRandomValues) {
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int round = 0; round < 20000; ++round) {
        double value = mantissa(random) * std::pow(10.0, static_cast<int>(random() % 640) - 320);
        if (round % 4 == 0) value = std::round(value * 1e6) / 1e6 + 5e-7; // halfway cases at six digits
        char printed[64];
        snprintf(printed, sizeof(printed), "%.6g", value);
        std::string expected = printed;
        size_t e = expected.find('e');
        if (e != std::string::npos)
            while (expected.size() - (e + 2) < 3) expected.insert(e + 2, "0");
        ASSERT_EQ(ToUtf8Test(FormatNumberG(value)), expected) << value;
    }
}

// Multiplying by 1.0 rewrites each number as the standard reading sees it; compare with wcstod on random cells.
TEST_F(Stages, NumberReadingAgreesWithTheRuntime) {
    const wchar_t pieces[] = {L'0', L'1', L'5', L'9', L'.', L'-', L'+', L'e', L'x', L' '};
    for (int round = 0; round < 3000; ++round) {
        std::wstring cell(1 + random() % 20, L'0');
        for (wchar_t& c : cell) c = pieces[random() % (round % 3 == 0 ? ARRAYSIZE(pieces) : 5)];
        double expected = wcstod(cell.c_str(), nullptr);
        std::wstring out = Csv(cell, false, L"1.0");
        std::wstring want = expected == 0 ? cell : FormatNumberG(expected);
        EXPECT_EQ(out, want) << ToUtf8Test(cell);
    }
}

TEST_F(Stages, TransposingAMillionCellsStaysProportional) {
    std::wstring row;
    for (int c = 0; c < 1000; ++c) row += (c ? L"," : L"") + std::to_wstring(c);
    std::wstring table;
    for (int r = 0; r < 1000; ++r) table += row + L"\r\n";
    std::wstring out = Csv(table, true);
    EXPECT_EQ(out.substr(0, 6), L"0,0,0,");
    EXPECT_EQ(std::count(out.begin(), out.end(), L'\n'), 999);
}

} // namespace
