// One regular-expression replacement over the whole text (Boost.Regex, Perl syntax).
#pragma once
#include <string>

struct SettingsRecord;

// Replaces every match of REP_BEFORE by the format REP_AFTER. On any failure the text stays exactly as it was and
// the returned warning (empty on success) says why, in the interface language.
std::wstring ApplyRegexReplacement(const SettingsRecord& settings, std::wstring& text);
