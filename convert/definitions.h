// The conversion definitions read from Convert.def, and applying one of them.
#pragma once

#include <string>
#include <vector>

struct ConversionRule {
    bool isReference = false; // a reference names another entry in `to`, with "!" first for the reverse direction
    std::wstring from;
    std::wstring to;
    // For a reference: the index of the first entry it names (-1 for none, or an empty name) and whether "!" asks
    // for the opposite direction; resolved once when the table is parsed.
    int target = -1;
    bool opposite = false;
};

struct ConversionEntry {
    std::wstring identifier;  // stored in StrConvID; the English menu label
    std::wstring displayName; // the Japanese menu label
    bool escaped = false;
    std::vector<ConversionRule> rules;
};

// Read once at start-up, in file order.
extern std::vector<ConversionEntry> ConversionTable;

// A run may grow the text to 64 Mi UTF-16 units (128 MiB, far beyond what a copy holds in practice), or keep it at
// its own length when that is larger; a definition that would go further (a replacement that contains its own search
// text, such as a -> ba) is stopped there and the text kept. The references open at one position are bounded too.
inline constexpr size_t kMaxConvertedUnits = size_t(64) << 20;
inline constexpr size_t kMaxOpenReferences = size_t(4) << 20;

// Reads Convert.def from the current directory into ConversionTable; false (and an empty table) on failure.
bool LoadConversionDefinitions();
// Index of the first entry of `table` with this identifier, or -1.
int FindConversionEntry(const std::vector<ConversionEntry>& table, const std::wstring& identifier);

// The entries of a file's UTF-16 units (after the byte-order mark).
std::vector<ConversionEntry> ParseConversionDefinitions(const std::wstring& units);
// The escape sequences of escaped entries (\t, \u3000, \x41, \101 ...).
std::wstring UnescapeDefinitionText(const std::wstring& text);
// Applies the entry named `identifier` at every position of the text, forward, into `result` (another string than
// `text`, whose memory is reused). False when there is no such entry (`result` untouched), or when the size limit
// stopped the run, which `warning` then says (`result` then holds nothing of use: the caller keeps its text).
bool ApplyDefinitionConversion(const std::vector<ConversionEntry>& table, const std::wstring& identifier,
                               const std::wstring& text, std::wstring& result, std::wstring& warning);
// The same on `text` itself: over its own units where the entry reaches no other entry and no rule replaces a text by
// a longer one (what is written then never overtakes what is still to be read), else through `spare`, whose memory
// is reused. False, with the text as it was, in the same cases.
bool ApplyDefinitionConversionInPlace(const std::vector<ConversionEntry>& table, const std::wstring& identifier,
                                      std::wstring& text, std::wstring& spare, std::wstring& warning);
