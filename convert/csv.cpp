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
    if (value == 0) return std::signbit(value) ? L"-0" : L"0";
    // Rounded to six significant digits first: the exponent of the rounded value decides the form.
    char scientific[64];
    snprintf(scientific, sizeof(scientific), "%.5e", value);
    const char* e = strchr(scientific, 'e');
    int exponent = e ? atoi(e + 1) : 0;
    std::string text;
    if (exponent < -4 || exponent >= 6) {
        std::string mantissa(scientific, e ? static_cast<size_t>(e - scientific) : strlen(scientific));
        StripFractionZeros(mantissa);
        char tail[16];
        snprintf(tail, sizeof(tail), "e%c%03d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
        text = mantissa + tail;
    } else {
        char fixed[400];
        snprintf(fixed, sizeof(fixed), "%.*f", 5 - exponent, value);
        text = fixed;
        StripFractionZeros(text);
    }
    return std::wstring(text.begin(), text.end());
}

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
        std::wstring cellText;
        for (auto& row : table)
            for (std::wstring_view& cell : row) {
                cellText.assign(cell); // wcstod needs a terminated string
                double x = wcstod(cellText.c_str(), nullptr);
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
