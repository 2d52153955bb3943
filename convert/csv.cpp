#include "convert/csv.h"

#include "settings/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

void StripFractionZeros(std::string& digits) {
    if (digits.find('.') == std::string::npos) return;
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (!digits.empty() && digits.back() == '.') digits.pop_back();
}

} // namespace

std::wstring FormatNumberG(double value) {
    if (std::isnan(value)) return L"nan";
    if (std::isinf(value)) return value < 0 ? L"-inf" : L"inf";
    char printed[64];
    snprintf(printed, sizeof(printed), "%.6g", value);
    // C runtimes differ in the exponent's width ("e+06" or "e+006"); it is written here with at least three digits.
    std::string text = printed;
    size_t e = text.find('e');
    if (e != std::string::npos && e + 1 < text.size()) {
        int exponent = atoi(text.c_str() + e + 1);
        char tail[16];
        snprintf(tail, sizeof(tail), "e%c%03d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
        text.replace(e, std::string::npos, tail);
    }
    return std::wstring(text.begin(), text.end());
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
    if (!cell.empty() && !iswspace(cell[0]) && !(cell[0] == L'+' || cell[0] == L'-' || cell[0] == L'.' ||
                                                 (cell[0] >= L'0' && cell[0] <= L'9')))
        return 0; // does not begin with a number
    scratch.assign(cell); // wcstod needs a terminated string
    return wcstod(scratch.c_str(), nullptr);
}

} // namespace

void TransposeAndMultiply(const SettingsRecord& settings, LineList& list) {
    // Cells are views into the lines; only multiplied cells and the rebuilt lines are new text.
    std::vector<std::vector<std::wstring_view>> table;
    table.reserve(list.lines.size());
    size_t commas = 0, tabs = 0, widest = 0;
    for (std::wstring_view line : list.lines) {
        std::vector<std::wstring_view> row;
        size_t start = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != L',' && line[i] != L'\t') continue;
            (line[i] == L',' ? commas : tabs) += 1;
            row.push_back(line.substr(start, i - start));
            start = i + 1;
        }
        row.push_back(line.substr(start));
        if (row.size() > widest) widest = row.size();
        table.push_back(std::move(row));
    }

    if (settings.CSVTSV_CHANGEROWCOL) {
        std::vector<std::vector<std::wstring_view>> transposed(widest, std::vector<std::wstring_view>(table.size()));
        for (size_t j = 0; j < table.size(); ++j)
            for (size_t i = 0; i < table[j].size(); ++i) transposed[i][j] = table[j][i];
        table.swap(transposed);
    }

    std::deque<std::wstring> products;
    if (settings.MUL_BY_N != L"1") {
        const double factor = wcstod(settings.MUL_BY_N.c_str(), nullptr);
        std::wstring scratch;
        for (auto& row : table)
            for (std::wstring_view& cell : row) {
                double x = LeadingNumber(cell, scratch);
                if (x == 0) continue;
                products.push_back(FormatNumberG(x * factor));
                cell = products.back();
            }
    }

    const wchar_t separator = tabs > commas ? L'\t' : L',';
    LineList rebuilt;
    rebuilt.lines.reserve(table.size());
    for (const auto& row : table) {
        size_t length = row.size();
        for (std::wstring_view cell : row) length += cell.size();
        std::wstring line;
        line.reserve(length);
        for (size_t i = 0; i < row.size(); ++i) {
            if (i) line += separator;
            line += row[i];
        }
        rebuilt.Append(std::move(line));
    }
    // The new lines own their text; the old ones (and what they viewed) may go.
    list.lines.swap(rebuilt.lines);
    list.owned.swap(rebuilt.owned);
}
