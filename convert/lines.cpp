#include "convert/lines.h"

#include "convert/csv.h"
#include "settings/settings.h"

#include <algorithm>

LineList SplitLines(const std::wstring& text) {
    LineList list;
    const wchar_t* data = text.data();
    size_t start = 0;
    const size_t n = text.size();
    // Sized once: growing the list by doubling would copy it over and over on a huge text.
    list.lines.reserve(1 + static_cast<size_t>(std::count(text.begin(), text.end(), L'\n')) +
                       static_cast<size_t>(std::count(text.begin(), text.end(), L'\r')));
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = data[i];
        if (c != L'\r' && c != L'\n') continue;
        if (c == L'\n' && i > 0 && data[i - 1] == L'\r') { // the LF of CR LF: the CR already ended the line
            start = i + 1;
            continue;
        }
        list.lines.emplace_back(data + start, i - start);
        start = i + 1;
    }
    list.lines.emplace_back(data + start, n - start);
    return list;
}

std::wstring JoinLines(const LineList& list, const std::wstring& separator) {
    size_t total = 0, tabs = 0;
    for (std::wstring_view line : list.lines) {
        total += line.size() + separator.size();
        if (list.tabWidth) tabs += static_cast<size_t>(std::count(line.begin(), line.end(), L'\t'));
    }
    std::wstring text;
    text.reserve(total + tabs * (list.tabWidth ? list.tabWidth - 1 : 0));
    for (size_t i = 0; i < list.lines.size(); ++i) {
        if (i) text += separator;
        if (list.tabWidth)
            AppendExpanded(text, list.lines[i], list.tabWidth);
        else
            text += list.lines[i];
    }
    return text;
}

std::vector<std::wstring> LineList::Strings() const {
    std::vector<std::wstring> strings;
    for (std::wstring_view line : lines) {
        strings.emplace_back();
        if (tabWidth)
            AppendExpanded(strings.back(), line, tabWidth);
        else
            strings.back().assign(line);
    }
    return strings;
}

std::wstring LineSeparator(const SettingsRecord& settings) {
    if (settings.LC_LF && !settings.LC_CR) return L"\n";
    if (settings.LC_CR && !settings.LC_LF) return L"\r";
    return L"\r\n";
}

std::wstring DeleteCharacters(const SettingsRecord& settings, const std::wstring& text) {
    const bool space = settings.DelSpace, enter = settings.DelEnter, tab = settings.DelTab;
    std::wstring result;
    result.resize(text.size());
    auto end = std::remove_copy_if(text.begin(), text.end(), result.begin(), [&](wchar_t c) {
        return (space && c == L' ') || (enter && (c == L'\r' || c == L'\n')) || (tab && c == L'\t');
    });
    result.resize(static_cast<size_t>(end - result.begin()));
    return result;
}

namespace {

template <class InSet> void TrimEachLine(LineList& list, bool fromLeft, InSet inSet) {
    for (std::wstring_view& line : list.lines) {
        if (fromLeft) {
            size_t k = 0;
            while (k < line.size() && inSet(line[k])) ++k;
            line.remove_prefix(k);
        } else {
            size_t k = line.size();
            while (k > 0 && inSet(line[k - 1])) --k;
            line.remove_suffix(line.size() - k);
        }
    }
}

// wchar_t is an unsigned 16-bit unit here, so the standard comparison is the ordinal one.
static_assert(static_cast<wchar_t>(-1) > 0, "wchar_t must be unsigned");

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

void SortAscending(LineList& list) { std::sort(list.lines.begin(), list.lines.end()); }

void SortDescending(LineList& list) {
    std::sort(list.lines.begin(), list.lines.end(), [](std::wstring_view a, std::wstring_view b) { return b < a; });
}

void RemoveRepeatedLines(LineList& list) {
    list.lines.erase(std::unique(list.lines.begin(), list.lines.end()), list.lines.end());
}

void DeleteBlankLines(LineList& list) {
    list.lines.erase(std::remove_if(list.lines.begin(), list.lines.end(),
                                    [](std::wstring_view line) { return line.empty(); }),
                     list.lines.end());
}

void ExpandTabs(LineList& list, int width) { list.tabWidth = static_cast<unsigned>(width); }

void AppendExpanded(std::wstring& out, std::wstring_view line, unsigned width) {
    if (line.find(L'\t') == std::wstring_view::npos) {
        out += line;
        return;
    }
    unsigned column = 0;
    for (wchar_t c : line) {
        if (c == L'\t') {
            unsigned spaces = width - column % width;
            out.append(spaces, L' ');
            column += spaces;
        } else {
            out += c;
            // Half-width katakana and punctuation take one column like everything up to U+00FF; every other unit
            // above, each surrogate half included, takes two.
            column += (c <= 0xFF || (c >= 0xFF61 && c <= 0xFF9F)) ? 1 : 2;
        }
    }
}

bool LineStageEnabled(const SettingsRecord& s) {
    return s.FEL_TRIMLEFT || s.FEL_TRIMLEFT_FPSPACE || s.FEL_TRIMLEFT_TAB || s.FEL_TRIMLEFT_ZERO ||
           s.FEL_TRIMLEFT_FPZERO || s.FEL_TRIMRIGHT || s.FEL_TRIMRIGHT_FPSPACE || s.FEL_TRIMRIGHT_TAB || s.FEL_SORTASC ||
           s.FEL_SORTDSC || s.FEL_UNIQ || s.FEL_DELBLANKLINE || s.TAB4SPACE || s.TAB8SPACE || s.LC_LF || s.LC_CR ||
           s.CSVTSV_CHANGEROWCOL || s.MUL_BY_N != L"1";
}

std::wstring RunLineStage(const SettingsRecord& s, const std::wstring& text) {
    LineList lines = SplitLines(text); // views into `text`, which stays until the join
    TrimLeft(s, lines);
    TrimRight(s, lines);
    if (s.FEL_SORTASC) SortAscending(lines);
    if (s.FEL_SORTDSC) SortDescending(lines);
    if (s.FEL_UNIQ) RemoveRepeatedLines(lines);
    if (s.FEL_DELBLANKLINE) DeleteBlankLines(lines);
    if (s.CSVTSV_CHANGEROWCOL || s.MUL_BY_N != L"1") TransposeAndMultiply(s, lines);
    if (s.TAB4SPACE || s.TAB8SPACE) ExpandTabs(lines, s.TAB4SPACE ? 4 : 8);
    return JoinLines(lines, LineSeparator(s));
}
