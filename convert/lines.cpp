#include "convert/lines.h"

#include "convert/csv.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

namespace {

// The first CR or LF at or after `p`, or `end`. Eight units at a time: a huge text is mostly line content.
const wchar_t* FindBreak(const wchar_t* p, const wchar_t* end) {
    const __m128i cr = _mm_set1_epi16(L'\r'), lf = _mm_set1_epi16(L'\n');
    for (; end - p >= 8; p += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, cr), _mm_cmpeq_epi16(units, lf)));
        if (hits) return p + __builtin_ctz(static_cast<unsigned>(hits)) / 2;
    }
    while (p < end && *p != L'\r' && *p != L'\n') ++p;
    return p;
}

// Copies `n` units and returns the end. Lines are short, and a call to the runtime's memmove for each line and
// each piece between tabs costs more than the copy; the overlapping loads and stores stay inside both ranges.
wchar_t* CopyUnits(wchar_t* out, const wchar_t* p, size_t n) {
    if (n >= 64) return static_cast<wchar_t*>(memcpy(out, p, n * sizeof(wchar_t))) + n;
    if (n >= 8) {
        for (size_t i = 0; i + 8 <= n; i += 8)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n - 8),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 8)));
    } else if (n >= 4) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + n - 4),
                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + n - 4)));
    } else {
        for (size_t i = 0; i < n; ++i) out[i] = p[i];
    }
    return out + n;
}

// An upper bound of the number of breaks: every CR and LF (a CR LF counts twice).
size_t CountBreaks(const wchar_t* p, const wchar_t* end) {
    const __m128i cr = _mm_set1_epi16(L'\r'), lf = _mm_set1_epi16(L'\n');
    size_t count = 0;
    for (; end - p >= 8; p += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, cr), _mm_cmpeq_epi16(units, lf)));
        count += static_cast<unsigned>(__builtin_popcount(static_cast<unsigned>(hits))) / 2;
    }
    for (; p < end; ++p) count += *p == L'\r' || *p == L'\n';
    return count;
}

size_t CountTabs(std::wstring_view line) { return static_cast<size_t>(std::count(line.begin(), line.end(), L'\t')); }

} // namespace

void MakeRoom(std::wstring& out, size_t units) {
    if (out.capacity() >= units) return;
    std::wstring().swap(out);
    out.reserve(units);
}

void SplitLines(const std::wstring& text, LineList& list) {
    list.Clear();
    // A list without memory yet takes exactly what it needs, rather than growing in copies and twice its size at once.
    if (list.lines.capacity() == 0) list.lines.reserve(CountBreaks(text.data(), text.data() + text.size()) + 1);
    const wchar_t* p = text.data();
    const wchar_t* const end = p + text.size();
    for (;;) {
        const wchar_t* brk = FindBreak(p, end);
        list.lines.emplace_back(p, static_cast<size_t>(brk - p));
        if (brk == end) break;
        p = brk + 1;
        if (*brk == L'\r' && p < end && *p == L'\n') ++p; // CR LF ends one line
    }
}

void JoinLines(const LineList& list, const std::wstring& separator, std::wstring& text) {
    const unsigned width = list.tabWidth;
    size_t total = 0;
    for (std::wstring_view line : list.lines) {
        total += line.size() + separator.size();
        if (width) total += CountTabs(line) * (width - 1);
    }
    MakeRoom(text, total + kExpansionSlack);
    text.resize(total + kExpansionSlack);
    wchar_t* out = text.data();
    for (size_t i = 0; i < list.lines.size(); ++i) {
        if (i) out = CopyUnits(out, separator.data(), separator.size());
        std::wstring_view line = list.lines[i];
        out = width ? WriteExpanded(out, line, width) : CopyUnits(out, line.data(), line.size());
    }
    text.resize(static_cast<size_t>(out - text.data()));
}

std::vector<std::wstring> LineList::Strings() const {
    std::vector<std::wstring> strings;
    for (std::wstring_view line : lines) {
        std::wstring& text = strings.emplace_back(line);
        if (!tabWidth) continue;
        text.resize(line.size() + CountTabs(line) * (tabWidth - 1) + kExpansionSlack);
        text.resize(static_cast<size_t>(WriteExpanded(text.data(), line, tabWidth) - text.data()));
    }
    return strings;
}

std::wstring LineSeparator(const SettingsRecord& settings) {
    if (settings.LC_LF && !settings.LC_CR) return L"\n";
    if (settings.LC_CR && !settings.LC_LF) return L"\r";
    return L"\r\n";
}

void DeleteCharacters(const SettingsRecord& settings, const std::wstring& text, std::wstring& result) {
    const bool space = settings.DelSpace, enter = settings.DelEnter, tab = settings.DelTab;
    MakeRoom(result, text.size());
    result.resize(text.size());
    auto end = std::remove_copy_if(text.begin(), text.end(), result.begin(), [&](wchar_t c) {
        return (space && c == L' ') || (enter && (c == L'\r' || c == L'\n')) || (tab && c == L'\t');
    });
    result.resize(static_cast<size_t>(end - result.begin()));
}

void DeleteCharactersInPlace(const SettingsRecord& settings, std::wstring& text) {
    const bool space = settings.DelSpace, enter = settings.DelEnter, tab = settings.DelTab;
    auto end = std::remove_if(text.begin(), text.end(), [&](wchar_t c) {
        return (space && c == L' ') || (enter && (c == L'\r' || c == L'\n')) || (tab && c == L'\t');
    });
    text.erase(end, text.end());
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

namespace {

// A line to sort, with four of its units as one number (`units`): the first unit highest, and padded with zeros
// past the line's end.
struct SortItem {
    uint64_t units;
    const wchar_t* data;
    size_t size;
};

uint64_t FourUnits(const SortItem& line, size_t from) {
    uint64_t units = 0;
    for (size_t i = from; i < from + 4; ++i) units = units << 16 | (i < line.size ? line.data[i] : 0u);
    return units;
}

// Ordinal order, four units at a time: the lines are ordered by their first four units read as one number, then each
// group of lines whose numbers are equal by their next four, and so on until the lines of a group end, which then
// go shortest first. Comparing numbers in memory read once per line and level is what makes this fast; a group of
// equal lines is never compared unit by unit again. Levels are kept on a list, not on the machine's stack.
template <bool kDescending> void SortLines(LineList& list) {
    std::vector<SortItem> items; // as large as the list: given back before the lines are joined
    items.reserve(list.lines.size());
    for (std::wstring_view line : list.lines) {
        items.push_back({0, line.data(), line.size()});
        items.back().units = FourUnits(items.back(), 0);
    }
    struct Group {
        size_t begin, end, from;
    };
    std::vector<Group> groups{{0, items.size(), 0}};
    while (!groups.empty()) {
        const Group group = groups.back();
        groups.pop_back();
        const auto first = items.begin() + static_cast<ptrdiff_t>(group.begin);
        const auto last = items.begin() + static_cast<ptrdiff_t>(group.end);
        std::sort(first, last, [](const SortItem& a, const SortItem& b) {
            return kDescending ? b.units < a.units : a.units < b.units;
        });
        const size_t next = group.from + 4;
        for (auto run = first; run != last;) {
            auto runEnd = run + 1;
            bool longer = run->size > next;
            for (; runEnd != last && runEnd->units == run->units; ++runEnd) longer = longer || runEnd->size > next;
            if (runEnd - run > 1 && longer) {
                for (auto line = run; line != runEnd; ++line) line->units = FourUnits(*line, next);
                groups.push_back({static_cast<size_t>(run - items.begin()), static_cast<size_t>(runEnd - items.begin()),
                                  next});
            } else if (runEnd - run > 1) {
                std::sort(run, runEnd, [](const SortItem& a, const SortItem& b) {
                    return kDescending ? b.size < a.size : a.size < b.size;
                });
            }
            run = runEnd;
        }
    }
    for (size_t i = 0; i < items.size(); ++i) list.lines[i] = std::wstring_view(items[i].data, items[i].size);
}

} // namespace

void SortAscending(LineList& list) { SortLines<false>(list); }

void SortDescending(LineList& list) { SortLines<true>(list); }

void RemoveRepeatedLines(LineList& list) {
    list.lines.erase(std::unique(list.lines.begin(), list.lines.end()), list.lines.end());
}

void DeleteBlankLines(LineList& list) {
    list.lines.erase(
        std::remove_if(list.lines.begin(), list.lines.end(), [](std::wstring_view line) { return line.empty(); }),
        list.lines.end());
}

void ExpandTabs(LineList& list, int width) { list.tabWidth = static_cast<unsigned>(width); }

namespace {

// Whether each unit takes one display column, as a byte mask of _mm_movemask_epi8: half-width katakana and
// punctuation take one like everything up to U+00FF; every other unit above, each surrogate half included, two.
int SingleColumnMask(__m128i units) {
    const __m128i zero = _mm_setzero_si128();
    __m128i narrow = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF00))), zero);
    // unit - U+FF61 <= U+FF9F - U+FF61 as unsigned numbers: the saturating difference is zero
    __m128i kana = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(units, _mm_set1_epi16(static_cast<short>(0xFF61))),
                                                  _mm_set1_epi16(0xFF9F - 0xFF61)),
                                   zero);
    return _mm_movemask_epi8(_mm_or_si128(narrow, kana));
}

unsigned UnitColumns(wchar_t c) { return (c <= 0xFF || (c >= 0xFF61 && c <= 0xFF9F)) ? 1 : 2; }

} // namespace

wchar_t* WriteExpanded(wchar_t* out, std::wstring_view line, unsigned width) {
    const wchar_t* p = line.data();
    const wchar_t* const end = p + line.size();
    const __m128i tab = _mm_set1_epi16(L'\t'), spaces8 = _mm_set1_epi16(L' ');
    size_t column = 0;
    // Eight units at a time, stored before knowing where a tab cuts them: what lies past the tab is written over.
    while (end - p >= 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), units);
        const unsigned tabs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, tab)));
        const unsigned single = static_cast<unsigned>(SingleColumnMask(units));
        if (!tabs) {
            column += 16 - static_cast<unsigned>(__builtin_popcount(single)) / 2;
            p += 8;
            out += 8;
            continue;
        }
        const unsigned before = static_cast<unsigned>(__builtin_ctz(tabs)) / 2; // units before the tab
        const unsigned below = (1u << (2 * before)) - 1;
        column += 2 * before - static_cast<unsigned>(__builtin_popcount(single & below)) / 2;
        out += before;
        const size_t spaces = width - column % width;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), spaces8);
        out += spaces;
        column += spaces;
        p += before + 1;
    }
    for (; p < end; ++p) {
        if (*p == L'\t') {
            const size_t spaces = width - column % width;
            out = std::fill_n(out, spaces, L' ');
            column += spaces;
        } else {
            *out++ = *p;
            column += UnitColumns(*p);
        }
    }
    return out;
}

bool LineStageEnabled(const SettingsRecord& s) {
    return AnyLineOption(s) || s.CSVTSV_CHANGEROWCOL || s.MUL_BY_N != L"1";
}

void RunLineStage(const SettingsRecord& s, const std::wstring& text, std::wstring& out, LineStageMemory& memory) {
    LineList& lines = memory.lines;
    SplitLines(text, lines); // views into `text`, which stays until the join
    TrimLeft(s, lines);
    TrimRight(s, lines);
    if (s.FEL_SORTASC) SortAscending(lines);
    if (s.FEL_SORTDSC) SortDescending(lines);
    if (s.FEL_UNIQ) RemoveRepeatedLines(lines);
    if (s.FEL_DELBLANKLINE) DeleteBlankLines(lines);
    if (s.CSVTSV_CHANGEROWCOL || s.MUL_BY_N != L"1") TransposeAndMultiply(s, lines, memory.table);
    if (s.TAB4SPACE || s.TAB8SPACE) ExpandTabs(lines, s.TAB4SPACE ? 4 : 8);
    JoinLines(lines, LineSeparator(s), out);
}
