#include "convert/lines.h"

#include "convert/csv.h"
#include "settings/settings.h"

#include <algorithm>

LineList SplitLines(const std::wstring& text) {
    LineList lines;
    size_t start = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = text[i];
        if (c != L'\r' && c != L'\n') continue;
        if (c == L'\n' && i > 0 && text[i - 1] == L'\r') { // the LF of CR LF: the CR already ended the line
            start = i + 1;
            continue;
        }
        lines.emplace_back(text, start, i - start);
        start = i + 1;
    }
    lines.emplace_back(text, start, n - start);
    return lines;
}

std::wstring JoinLines(const LineList& lines, const std::wstring& separator) {
    size_t total = 0;
    for (const std::wstring& line : lines) total += line.size() + separator.size();
    std::wstring text;
    text.reserve(total);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += separator;
        text += lines[i];
    }
    return text;
}

std::wstring LineSeparator(const SettingsRecord& settings) {
    if (settings.LC_LF && !settings.LC_CR) return L"\n";
    if (settings.LC_CR && !settings.LC_LF) return L"\r";
    return L"\r\n";
}

void DeleteCharacters(const SettingsRecord& settings, std::wstring& text) {
    const bool space = settings.DelSpace, enter = settings.DelEnter, tab = settings.DelTab;
    text.erase(std::remove_if(text.begin(), text.end(),
                              [&](wchar_t c) {
                                  return (space && c == L' ') || (enter && (c == L'\r' || c == L'\n')) ||
                                         (tab && c == L'\t');
                              }),
               text.end());
}

namespace {

template <class InSet> void TrimEachLine(LineList& lines, bool fromLeft, InSet inSet) {
    for (std::wstring& line : lines) {
        if (fromLeft) {
            size_t k = 0;
            while (k < line.size() && inSet(line[k])) ++k;
            line.erase(0, k);
        } else {
            size_t k = line.size();
            while (k > 0 && inSet(line[k - 1])) --k;
            line.resize(k);
        }
    }
}

bool Ordinal(const std::wstring& a, const std::wstring& b) {
    // wchar_t is an unsigned 16-bit unit here, so the standard comparison is the ordinal one.
    static_assert(static_cast<wchar_t>(-1) > 0, "wchar_t must be unsigned");
    return a < b;
}

} // namespace

void TrimLeft(const SettingsRecord& s, LineList& lines) {
    const bool space = s.FEL_TRIMLEFT, fullSpace = s.FEL_TRIMLEFT_FPSPACE, tab = s.FEL_TRIMLEFT_TAB,
               zero = s.FEL_TRIMLEFT_ZERO, fullZero = s.FEL_TRIMLEFT_FPZERO;
    if (!(space || fullSpace || tab || zero || fullZero)) return;
    TrimEachLine(lines, true, [&](wchar_t c) {
        return (space && c == L' ') || (fullSpace && c == 0x3000) || (tab && c == L'\t') || (zero && c == L'0') ||
               (fullZero && c == 0xFF10);
    });
}

void TrimRight(const SettingsRecord& s, LineList& lines) {
    const bool space = s.FEL_TRIMRIGHT, fullSpace = s.FEL_TRIMRIGHT_FPSPACE, tab = s.FEL_TRIMRIGHT_TAB;
    if (!(space || fullSpace || tab)) return;
    TrimEachLine(lines, false,
                 [&](wchar_t c) { return (space && c == L' ') || (fullSpace && c == 0x3000) || (tab && c == L'\t'); });
}

void SortAscending(LineList& lines) { std::sort(lines.begin(), lines.end(), Ordinal); }

void SortDescending(LineList& lines) {
    std::sort(lines.begin(), lines.end(), [](const std::wstring& a, const std::wstring& b) { return Ordinal(b, a); });
}

void RemoveRepeatedLines(LineList& lines) { lines.erase(std::unique(lines.begin(), lines.end()), lines.end()); }

void DeleteBlankLines(LineList& lines) {
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::wstring& line) { return line.empty(); }),
                lines.end());
}

void ExpandTabs(LineList& lines, int width) {
    std::wstring expanded;
    for (std::wstring& line : lines) {
        if (line.find(L'\t') == std::wstring::npos) continue;
        expanded.clear();
        expanded.reserve(line.size() + static_cast<size_t>(width) * 4);
        unsigned column = 0;
        for (wchar_t c : line) {
            if (c == L'\t') {
                unsigned spaces = static_cast<unsigned>(width) - column % static_cast<unsigned>(width);
                expanded.append(spaces, L' ');
                column += spaces;
            } else {
                expanded += c;
                // Half-width katakana and punctuation take one column like everything up to U+00FF; every other
                // unit above, each surrogate half included, takes two.
                column += (c <= 0xFF || (c >= 0xFF61 && c <= 0xFF9F)) ? 1 : 2;
            }
        }
        line.swap(expanded);
    }
}

bool LineStageEnabled(const SettingsRecord& s) {
    return s.FEL_TRIMLEFT || s.FEL_TRIMLEFT_FPSPACE || s.FEL_TRIMLEFT_TAB || s.FEL_TRIMLEFT_ZERO ||
           s.FEL_TRIMLEFT_FPZERO || s.FEL_TRIMRIGHT || s.FEL_TRIMRIGHT_FPSPACE || s.FEL_TRIMRIGHT_TAB || s.FEL_SORTASC ||
           s.FEL_SORTDSC || s.FEL_UNIQ || s.FEL_DELBLANKLINE || s.TAB4SPACE || s.TAB8SPACE || s.LC_LF || s.LC_CR ||
           s.CSVTSV_CHANGEROWCOL || s.MUL_BY_N != L"1";
}

void RunLineStage(const SettingsRecord& s, std::wstring& text) {
    LineList lines = SplitLines(text);
    text = std::wstring(); // the lines hold the text now; release it before the steps allocate
    TrimLeft(s, lines);
    TrimRight(s, lines);
    if (s.FEL_SORTASC) SortAscending(lines);
    if (s.FEL_SORTDSC) SortDescending(lines);
    if (s.FEL_UNIQ) RemoveRepeatedLines(lines);
    if (s.FEL_DELBLANKLINE) DeleteBlankLines(lines);
    if (s.CSVTSV_CHANGEROWCOL || s.MUL_BY_N != L"1") TransposeAndMultiply(s, lines);
    if (s.TAB4SPACE || s.TAB8SPACE) ExpandTabs(lines, s.TAB4SPACE ? 4 : 8);
    text = JoinLines(lines, LineSeparator(s));
}
