// Character deletion and the per-line steps of the line stage. Pure functions: settings and text in, text out.
#pragma once
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct SettingsRecord;

// The lines of a text, without their breaks. Lines are views: into the split text (which must outlive the list)
// or into `owned`, which holds the lines a step rewrote; a deque never moves what it already holds. Steps that only
// drop or reorder lines, or cut their ends, copy no text.
struct LineList {
    std::vector<std::wstring_view> lines;
    std::deque<std::wstring> owned;
    // Tab expansion is the last step before joining, so it is done while joining: 0 = none, else the tab width.
    unsigned tabWidth = 0;

    void Append(std::wstring text) {
        owned.push_back(std::move(text));
        lines.push_back(owned.back());
    }
    // The lines as they will be joined (tabs expanded).
    std::vector<std::wstring> Strings() const;
};

// Every CR, LF and CR LF ends exactly one line; the text after the last break is the last line, even when empty.
LineList SplitLines(const std::wstring& text);
// The lines with `separator` between them and none after the last.
std::wstring JoinLines(const LineList& lines, const std::wstring& separator);
// CR LF, or LF or CR when only LC_LF or only LC_CR is on.
std::wstring LineSeparator(const SettingsRecord& settings);

// Stage 3: the text without the spaces, CR and LF, tabs that the settings ask to delete.
std::wstring DeleteCharacters(const SettingsRecord& settings, const std::wstring& text);

void TrimLeft(const SettingsRecord& settings, LineList& lines);
void TrimRight(const SettingsRecord& settings, LineList& lines);
// Ordinal order: code unit by code unit as unsigned numbers, a prefix before the longer line.
void SortAscending(LineList& lines);
void SortDescending(LineList& lines);
void RemoveRepeatedLines(LineList& lines);
void DeleteBlankLines(LineList& lines);
// Tab stops every `width` display columns: half-width characters take one column, others two. Takes effect when the
// lines are joined or read with Strings().
void ExpandTabs(LineList& lines, int width);
// Writes `line` at `out` with its tabs expanded to stops every `width` columns (at most 8) and returns the end.
// `out` has room for the line, width - 1 units per tab and kExpansionSlack units more, which it may write over.
inline constexpr size_t kExpansionSlack = 8;
wchar_t* WriteExpanded(wchar_t* out, std::wstring_view line, unsigned width);

// Runs the steps the settings switch on, from splitting to joining (CSV/TSV included).
std::wstring RunLineStage(const SettingsRecord& settings, const std::wstring& text);
bool LineStageEnabled(const SettingsRecord& settings);
