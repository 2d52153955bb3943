// One regular-expression replacement over the whole text (Boost.Regex, Perl syntax).
#pragma once
#include <windows.h>

#include <string>

struct SettingsRecord;

// A replacement still searching after this long is stopped and the text kept: a pattern such as (a+)+c|b can make
// the matcher backtrack for a minute before it gives up on its own.
inline constexpr DWORD kRegexBudgetMs = 3000;

// Replaces every match of REP_BEFORE in `text` by the format REP_AFTER, into `result` (another string than `text`,
// whose memory is reused). On any failure the returned warning (empty on success) says why, in the interface
// language, and `result` holds nothing of use: the caller keeps its text.
std::wstring ApplyRegexReplacement(const SettingsRecord& settings, const std::wstring& text, std::wstring& result,
                                   DWORD budgetMs = kRegexBudgetMs);

enum class PatternCheck { Compiles, RegexError, OtherFailure };
// Compiles `pattern` in the default (Perl) syntax without options, only to check it before it is stored; for a
// syntax error `description` receives the library's narrow text.
PatternCheck CheckRegexPattern(const std::wstring& pattern, std::string& description);
