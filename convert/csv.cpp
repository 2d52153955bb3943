#include "convert/csv.h"

#include "settings/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

// The longest form written: a sign, six digits, a point, "e", a sign and three digits.
constexpr size_t kMaxNumberUnits = 13;

// printf's "%g" without the runtime: std::to_chars gives the same digits in the C locale, and the exponent is
// written here with at least three digits.
wchar_t* WriteNumberG(wchar_t* out, double value) {
    if (std::isnan(value)) return std::copy_n(L"nan", 3, out);
    if (std::isinf(value)) return value < 0 ? std::copy_n(L"-inf", 4, out) : std::copy_n(L"inf", 3, out);
    char printed[32];
    char* end = std::to_chars(printed, printed + sizeof(printed), value, std::chars_format::general, 6).ptr;
    char* e = std::find(printed, end, 'e');
    out = std::copy(printed, e, out);
    if (e == end) return out;
    *out++ = L'e';
    *out++ = static_cast<wchar_t>(e[1]); // the exponent's sign
    const char* digits = e + 2;
    for (ptrdiff_t width = end - digits; width < 3; ++width) *out++ = L'0';
    return std::copy(digits, static_cast<const char*>(end), out);
}

} // namespace

std::wstring FormatNumberG(double value) {
    wchar_t formatted[kMaxNumberUnits + 8];
    return std::wstring(formatted, WriteNumberG(formatted, value));
}

namespace {

// The number at the start of a cell, by the standard string-to-double rules. Plain decimals of up to 15 digits
// (the common case) are read here exactly: such a digit string is an exact double and so is 10^k for k <= 22, so
// one correctly rounded division gives the same value the runtime's reading does. Anything else goes to wcstod.
double LeadingNumber(std::wstring_view cell, std::wstring& scratch) {
    size_t i = 0;
    bool negative = false;
    if (i < cell.size() && (cell[i] == L'+' || cell[i] == L'-')) negative = cell[i++] == L'-';
    unsigned long long digits = 0;
    int count = 0, fraction = 0;
    bool point = false, any = false;
    for (; i < cell.size(); ++i) {
        wchar_t c = cell[i];
        if (c >= L'0' && c <= L'9') {
            any = true;
            if (digits == 0 && c == L'0') {
                if (point) ++fraction;
                continue; // leading zeros add no significant digit
            }
            if (++count > 15) break;
            digits = digits * 10 + static_cast<unsigned>(c - L'0');
            if (point) ++fraction;
        } else if (c == L'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    // An exponent, more digits, or the x of a hexadecimal form are the runtime's to read.
    bool simple = count <= 15 && fraction <= 22 &&
                  (i == cell.size() || (cell[i] != L'e' && cell[i] != L'E' && cell[i] != L'x' && cell[i] != L'X' &&
                                        !(cell[i] >= L'0' && cell[i] <= L'9')));
    if (simple && (any || i > 0) && !(cell.size() > 0 && iswspace(cell[0]))) {
        if (!any) return 0;
        static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        double value = static_cast<double>(digits) / powers[fraction];
        return negative ? -value : value;
    }
    if (!cell.empty() && !iswspace(cell[0]) &&
        !(cell[0] == L'+' || cell[0] == L'-' || cell[0] == L'.' || (cell[0] >= L'0' && cell[0] <= L'9')))
        return 0;         // does not begin with a number
    scratch.assign(cell); // wcstod needs a terminated string
    return wcstod(scratch.c_str(), nullptr);
}

} // namespace

void TransposeAndMultiply(const SettingsRecord& settings, LineList& list, TableMemory& memory) {
    // Every cell is a view into its line, row after row; row j is cells[rowStart[j]] up to cells[rowStart[j + 1]].
    std::vector<std::wstring_view>& cells = memory.cells;
    std::vector<size_t>& rowStart = memory.rowStart;
    cells.clear();
    rowStart.clear();
    rowStart.reserve(list.lines.size() + 1);
    size_t commas = 0, tabs = 0, widest = 0, units = 0;
    for (std::wstring_view line : list.lines) {
        rowStart.push_back(cells.size());
        size_t start = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != L',' && line[i] != L'\t') continue;
            (line[i] == L',' ? commas : tabs) += 1;
            cells.push_back(line.substr(start, i - start));
            start = i + 1;
        }
        cells.push_back(line.substr(start));
        widest = std::max(widest, cells.size() - rowStart.back());
        units += line.size();
    }
    rowStart.push_back(cells.size());
    const size_t rows = rowStart.size() - 1;

    // Transposed, row i of the result is column i of the table, with an empty cell where a row was short.
    const bool transpose = settings.CSVTSV_CHANGEROWCOL;
    const size_t outRows = transpose ? widest : rows;
    const size_t slots = transpose ? widest * rows : cells.size();
    auto cellAt = [&](size_t outRow, size_t k) -> std::wstring_view {
        size_t row = transpose ? k : outRow, column = transpose ? outRow : k;
        size_t begin = rowStart[row], count = rowStart[row + 1] - begin;
        return column < count ? cells[begin + column] : std::wstring_view();
    };
    auto cellsIn = [&](size_t outRow) { return transpose ? rows : rowStart[outRow + 1] - rowStart[outRow]; };

    const bool multiply = settings.MUL_BY_N != L"1";
    const double factor = multiply ? wcstod(settings.MUL_BY_N.c_str(), nullptr) : 1;
    const wchar_t separator = tabs > commas ? L'\t' : L',';
    // All rebuilt lines in one text: every cell keeps its text or becomes a product of at most kMaxNumberUnits.
    if (slots > std::wstring().max_size() / (kMaxNumberUnits + 2)) throw std::length_error("table too large");
    std::wstring& rebuilt = memory.rebuilt;
    rebuilt.resize(units + slots + (multiply ? slots * kMaxNumberUnits : 0));
    std::vector<size_t>& lineEnd = memory.lineEnd;
    lineEnd.resize(outRows);
    wchar_t* const base = rebuilt.data();
    wchar_t* out = base;
    std::wstring scratch;
    for (size_t r = 0; r < outRows; ++r) {
        const size_t count = cellsIn(r);
        for (size_t k = 0; k < count; ++k) {
            if (k) *out++ = separator;
            std::wstring_view cell = cellAt(r, k);
            double x = multiply ? LeadingNumber(cell, scratch) : 0;
            out = x != 0 ? WriteNumberG(out, x * factor) : std::copy(cell.begin(), cell.end(), out);
        }
        lineEnd[r] = static_cast<size_t>(out - base);
    }
    rebuilt.resize(static_cast<size_t>(out - base));

    // The new lines view the rebuilt text; the old ones (and what they viewed) may go.
    list.owned.clear();
    const std::wstring& text = rebuilt;
    list.lines.resize(outRows);
    for (size_t r = 0, begin = 0; r < outRows; begin = lineEnd[r++])
        list.lines[r] = std::wstring_view(text.data() + begin, lineEnd[r] - begin);
}
