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
    // Empty again; the list of lines keeps its memory for the next text.
    void Clear() {
        lines.clear();
        owned.clear();
        tabWidth = 0;
    }
    // The lines as they will be joined (tabs expanded).
    std::vector<std::wstring> Strings() const;
};

// The cells of a CSV/TSV table and the rebuilt lines, which the lines of the list then view.
struct TableMemory {
    std::vector<std::wstring_view> cells;
    std::vector<size_t> rowStart;
    std::vector<size_t> lineEnd;
    std::wstring rebuilt;
};

// The line stage's working memory. Touching fresh memory can cost more than a step's own work on a large text (about
// 4 ms per MiB on some virtual machines), so a caller that converts again and again keeps it and the next text is
// worked on in memory already in use.
struct LineStageMemory {
    LineList lines;
    TableMemory table;
};

// Every CR, LF and CR LF ends exactly one line; the text after the last break is the last line, even when empty.
void SplitLines(const std::wstring& text, LineList& list);
inline LineList SplitLines(const std::wstring& text) {
    LineList list;
    SplitLines(text, list);
    return list;
}
// The lines with `separator` between them and none after the last, into `out`.
void JoinLines(const LineList& lines, const std::wstring& separator, std::wstring& out);
// CR LF, or LF or CR when only LC_LF or only LC_CR is on.
std::wstring LineSeparator(const SettingsRecord& settings);

// Gives `out` room for `units`: its memory (and what it holds) is kept when large enough, else given back before
// exactly that much is taken, so that a stage never holds the old and the new memory of its result at once. Keeping
// what it holds spares filling a result that is then made shorter with zeros first.
void MakeRoom(std::wstring& out, size_t units);

// Stage 3: the text without the spaces, CR and LF, tabs that the settings ask to delete, into `out`.
void DeleteCharacters(const SettingsRecord& settings, const std::wstring& text, std::wstring& out);
// The same on `text` itself: what is kept only moves towards the start.
void DeleteCharactersInPlace(const SettingsRecord& settings, std::wstring& text);

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

// Runs the steps the settings switch on, from splitting to joining (CSV/TSV included), into `out`.
void RunLineStage(const SettingsRecord& settings, const std::wstring& text, std::wstring& out, LineStageMemory& memory);
bool LineStageEnabled(const SettingsRecord& settings);
