// The ready-made pattern/replacement pairs of the regular-expression dialog, read from RegExpTemplate.def beside
// the program.
#pragma once
#include <string>
#include <vector>

inline constexpr wchar_t kRegexTemplateFile[] = L"RegExpTemplate.def";
// One read of the file takes at most this many UTF-16 units; the rest of a longer line is a line of its own.
inline constexpr size_t kTemplateReadUnits = 1023;

struct RegexTemplate {
    std::wstring name; // in the UI language
    std::wstring before;
    std::wstring after;
};

// The templates in a template file's bytes: UTF-16LE after a byte-order mark (none without one), lines of four
// counted lines each (English name, Japanese name, pattern, replacement); comment ("#") and blank lines are not
// counted, one leading backslash is dropped, line terminators are not kept, a value ends at a NUL unit.
std::vector<RegexTemplate> ParseRegexTemplates(const std::string& bytes, bool japanese);

// The process's templates: read from the file in the current directory at the first call that finds none, then
// kept. Empty when the file is missing, unreadable or holds no complete template.
const std::vector<RegexTemplate>& RegexTemplates();
