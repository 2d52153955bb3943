#include "convert/csv.h"

#include "settings/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Row = std::vector<std::wstring>;

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

void TransposeAndMultiply(const SettingsRecord& settings, LineList& lines) {
    std::vector<Row> table;
    table.reserve(lines.size());
    size_t commas = 0, tabs = 0, widest = 0;
    for (const std::wstring& line : lines) {
        Row row;
        size_t start = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != L',' && line[i] != L'\t') continue;
            (line[i] == L',' ? commas : tabs) += 1;
            row.emplace_back(line, start, i - start);
            start = i + 1;
        }
        row.emplace_back(line, start, line.size() - start);
        if (row.size() > widest) widest = row.size();
        table.push_back(std::move(row));
    }
    lines = LineList();

    if (settings.CSVTSV_CHANGEROWCOL) {
        std::vector<Row> transposed(widest, Row(table.size()));
        for (size_t j = 0; j < table.size(); ++j)
            for (size_t i = 0; i < table[j].size(); ++i) transposed[i][j] = std::move(table[j][i]);
        table.swap(transposed);
    }

    if (settings.MUL_BY_N != L"1") {
        const double factor = wcstod(settings.MUL_BY_N.c_str(), nullptr);
        for (Row& row : table)
            for (std::wstring& cell : row) {
                double x = wcstod(cell.c_str(), nullptr);
                if (x != 0) cell = FormatNumberG(x * factor);
            }
    }

    const wchar_t separator = tabs > commas ? L'\t' : L',';
    lines.reserve(table.size());
    for (const Row& row : table) {
        size_t length = row.size();
        for (const std::wstring& cell : row) length += cell.size();
        std::wstring line;
        line.reserve(length);
        for (size_t i = 0; i < row.size(); ++i) {
            if (i) line += separator;
            line += row[i];
        }
        lines.push_back(std::move(line));
    }
}
