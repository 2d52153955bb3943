// Character deletion and the per-line steps of the line stage. Pure functions: settings and text in, text out.
#include <string>
#include <vector>

#pragma once

struct SettingsRecord;

using LineList = std::vector<std::wstring>;

// Every CR, LF and CR LF ends exactly one line; the text after the last break is the last line, even when empty.
LineList SplitLines(const std::wstring& text);
// The lines with `separator` between them and none after the last.
std::wstring JoinLines(const LineList& lines, const std::wstring& separator);
// CR LF, or LF or CR when only LC_LF or only LC_CR is on.
std::wstring LineSeparator(const SettingsRecord& settings);

// Stage 3: removes spaces, CR and LF, tabs as the settings ask.
void DeleteCharacters(const SettingsRecord& settings, std::wstring& text);

void TrimLeft(const SettingsRecord& settings, LineList& lines);
void TrimRight(const SettingsRecord& settings, LineList& lines);
// Ordinal order: code unit by code unit as unsigned numbers, a prefix before the longer line.
void SortAscending(LineList& lines);
void SortDescending(LineList& lines);
void RemoveRepeatedLines(LineList& lines);
void DeleteBlankLines(LineList& lines);
// Tab stops every `width` display columns: half-width characters take one column, others two.
void ExpandTabs(LineList& lines, int width);

// Runs the steps the settings switch on, from splitting to joining (CSV/TSV included).
void RunLineStage(const SettingsRecord& settings, std::wstring& text);
bool LineStageEnabled(const SettingsRecord& settings);
