#include "ui/regex_templates.h"

#include "base/handles.h"
#include "base/text.h"

#include <windows.h>

#include <cstring>

namespace {

// A file larger than this is not a template list; reading stops there.
constexpr DWORD kMaxTemplateFileBytes = 16 * 1024 * 1024;

// One counted line as a value: without its terminator, without one leading backslash, up to a NUL unit.
std::wstring LineValue(std::wstring line) {
    if (!line.empty() && line.back() == L'\n') line.pop_back();
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty() && line.front() == L'\\') line.erase(0, 1);
    size_t nul = line.find(L'\0');
    if (nul != std::wstring::npos) line.resize(nul);
    return line;
}

std::vector<RegexTemplate> templates;

} // namespace

std::vector<RegexTemplate> ParseRegexTemplates(const std::string& bytes, bool japanese) {
    std::vector<RegexTemplate> result;
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE)
        return result;
    std::wstring units((bytes.size() - 2) / 2, L'\0');
    if (!units.empty()) std::memcpy(units.data(), bytes.data() + 2, units.size() * sizeof(wchar_t));

    std::wstring group[4];
    int counted = 0;
    for (size_t pos = 0; pos < units.size();) {
        size_t end = pos;
        while (end < units.size() && end - pos < kTemplateReadUnits && units[end] != L'\n') ++end;
        if (end < units.size() && end - pos < kTemplateReadUnits) ++end; // the line feed belongs to the line
        std::wstring line = units.substr(pos, end - pos);
        pos = end;
        if (line[0] == L'#' || line[0] == L'\r' || line[0] == L'\n') continue;
        group[counted++] = LineValue(std::move(line));
        if (counted == 4) {
            result.push_back({japanese ? group[1] : group[0], group[2], group[3]});
            counted = 0;
        }
    }
    return result;
}

const std::vector<RegexTemplate>& RegexTemplates() {
    if (!templates.empty()) return templates;
    FileHandle file(CreateFileW(kRegexTemplateFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return templates;
    std::string bytes;
    char buffer[8192];
    DWORD read = 0;
    while (bytes.size() < kMaxTemplateFileBytes && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) &&
           read > 0)
        bytes.append(buffer, read);
    templates = ParseRegexTemplates(bytes, g_language.uiJapanese);
    return templates;
}
