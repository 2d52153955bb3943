// One regular-expression replacement over the whole text (Boost.Regex, Perl syntax).
#pragma once
#include <string>

struct SettingsRecord;

// Replaces every match of REP_BEFORE in `text` by the format REP_AFTER, into `result`. On any failure `result` is
// untouched and the returned warning (empty on success) says why, in the interface language.
std::wstring ApplyRegexReplacement(const SettingsRecord& settings, const std::wstring& text, std::wstring& result);
