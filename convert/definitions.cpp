#include "convert/definitions.h"


#include "base/handles.h"
#include "app/ids.h"
#include "base/text.h"
#include "settings/settings.h"

#include <algorithm>
#include <new>

std::vector<ConversionEntry> ConversionTable;

namespace {

constexpr size_t kMaxLineUnits = 259; // a line as read, its break included
constexpr Text kGrowthStopped{
    L"変換定義の適用でテキストが際限なく増え続けるため、この変換を中止しました。("
    L"置換結果に検索文字列を含む定義がないか確認して下さい)",
    L"The conversion was stopped because the text kept growing without end; check for a replacement that "
    L"contains its own search text."};

bool IsDecimalDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }
unsigned HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return c - L'A' + 10;
}

// Splits the file's units into lines: each ends after an LF or after 259 units; one trailing LF and then one
// trailing CR are removed.
std::vector<std::wstring> DefinitionLines(const std::wstring& units) {
    std::vector<std::wstring> lines;
    size_t i = 0;
    while (i < units.size()) {
        size_t start = i;
        while (i < units.size() && i - start < kMaxLineUnits) {
            if (units[i++] == L'\n') break;
        }
        std::wstring line(units, start, i - start);
        if (!line.empty() && line.back() == L'\n') line.pop_back();
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

bool ReadDefinitionFile(const wchar_t* path, std::wstring& units) {
    FileHandle file{CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 2 || size.QuadPart > 0x7FFFFFFF) return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return false;
    bytes.resize(got);
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE)
        return false;
    units.assign((bytes.size() - 2) / 2, L'\0');
    memcpy(units.data(), bytes.data() + 2, units.size() * sizeof(wchar_t));
    return true;
}

// The conversion of one whole text: a finished part and the rest still to scan. The rest is the unread part of the
// input, preceded by a short stack (reversed) of replacement text not yet scanned, so that replacing at its front
// costs only the lengths involved, the scan stays linear and the input is never copied whole.
class ConversionRun {
public:
    ConversionRun(const std::wstring& text, size_t growthLimit) : input_(text), limit_(growthLimit) {
        out_.reserve(text.size());
        active_.assign(ConversionTable.size(), false);
    }

    // Applies entry `index` at the current position; false once the growth limit stopped the run.
    bool ApplyAt(size_t index, bool reverse) {
        // An entry already being applied in this chain of references would recurse without end; it is refused.
        if (active_[index]) return true;
        active_[index] = true;
        bool ok = true;
        for (const ConversionRule& rule : ConversionTable[index].rules) {
            if (rule.isReference) {
                bool opposite = !rule.to.empty() && rule.to[0] == L'!';
                int target = FindEntry(opposite ? rule.to.substr(1) : rule.to);
                if (target >= 0 && !ApplyAt(static_cast<size_t>(target), opposite ? !reverse : reverse)) {
                    ok = false;
                    break;
                }
                continue;
            }
            const std::wstring& search = reverse ? rule.to : rule.from;
            const std::wstring& replacement = reverse ? rule.from : rule.to;
            if (search.empty() || !RestStartsWith(search)) continue;
            ReplaceFront(search.size(), replacement);
            if (out_.size() + RestSize() > limit_) {
                ok = false;
                break;
            }
        }
        active_[index] = false;
        return ok;
    }

    bool AtEnd() const { return pending_.empty() && next_ == input_.size(); }
    void Advance() {
        if (!pending_.empty()) {
            out_ += pending_.back();
            pending_.pop_back();
        } else {
            out_ += input_[next_++];
        }
    }
    // Moves on over every unit at which no rule of the entry (or of the entries it reaches) can match.
    void SkipQuietUnits(const std::vector<unsigned char>& triggers) {
        while (!pending_.empty() && !triggers[pending_.back()]) Advance();
        if (!pending_.empty()) return;
        size_t end = next_;
        while (end < input_.size() && !triggers[input_[end]]) ++end;
        out_.append(input_, next_, end - next_);
        next_ = end;
    }
    std::wstring& Result() { return out_; }

    static int FindEntry(const std::wstring& identifier) {
        for (size_t i = 0; i < ConversionTable.size(); ++i)
            if (ConversionTable[i].identifier == identifier) return static_cast<int>(i);
        return -1;
    }

private:
    size_t RestSize() const { return pending_.size() + (input_.size() - next_); }
    wchar_t RestAt(size_t i) const {
        return i < pending_.size() ? pending_[pending_.size() - 1 - i] : input_[next_ + i - pending_.size()];
    }
    bool RestStartsWith(const std::wstring& search) const {
        if (search.size() > RestSize()) return false;
        for (size_t i = 0; i < search.size(); ++i)
            if (RestAt(i) != search[i]) return false;
        return true;
    }
    void ReplaceFront(size_t length, const std::wstring& replacement) {
        size_t fromPending = std::min(length, pending_.size());
        pending_.resize(pending_.size() - fromPending);
        next_ += length - fromPending;
        pending_.append(replacement.rbegin(), replacement.rend());
    }

    const std::wstring& input_;
    size_t next_ = 0;      // first unread unit of the input
    std::wstring pending_; // replacement text still to scan, its front last
    std::wstring out_;
    std::vector<bool> active_;
    size_t limit_;
};

// The first units of every search text that applying entry `index` in this direction may try, references
// followed; a position whose unit is not among them cannot change.
void CollectTriggers(size_t index, bool reverse, std::vector<unsigned char>& triggers, std::vector<bool>& seen) {
    size_t key = index * 2 + (reverse ? 1 : 0);
    if (seen[key]) return;
    seen[key] = true;
    for (const ConversionRule& rule : ConversionTable[index].rules) {
        if (rule.isReference) {
            bool opposite = !rule.to.empty() && rule.to[0] == L'!';
            int target = ConversionRun::FindEntry(opposite ? rule.to.substr(1) : rule.to);
            if (target >= 0)
                CollectTriggers(static_cast<size_t>(target), opposite ? !reverse : reverse, triggers, seen);
            continue;
        }
        const std::wstring& search = reverse ? rule.to : rule.from;
        if (!search.empty()) triggers[search[0]] = 1;
    }
}

} // namespace

std::wstring UnescapeDefinitionText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    auto emit = [&](unsigned value) {
        out += static_cast<wchar_t>(value);
        return value != 0;
    };
    while (i < n) {
        wchar_t c = text[i];
        if (c != L'\\') {
            if (!emit(c)) break;
            ++i;
            continue;
        }
        if (i + 1 >= n) break; // a backslash at the end is dropped
        wchar_t d = text[i + 1];
        unsigned value = 0;
        size_t used = 2;
        switch (d) {
        case L'"': value = L'"'; break;
        case L'\'': value = L'\''; break;
        case L'\\': value = L'\\'; break;
        case L'a': value = 0x07; break;
        case L'b': value = 0x08; break;
        case L'f': value = 0x0C; break;
        case L'n': value = 0x0A; break;
        case L'r': value = 0x0D; break;
        case L't': value = 0x09; break;
        default:
            if (i + 3 < n && IsDecimalDigit(d) && IsDecimalDigit(text[i + 2]) && IsDecimalDigit(text[i + 3])) {
                value = (d - L'0') * 64 + (text[i + 2] - L'0') * 8 + (text[i + 3] - L'0');
                used = 4;
            } else if (d == L'x' && i + 3 < n && IsHexDigit(text[i + 2]) && IsHexDigit(text[i + 3])) {
                value = HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]);
                used = 4;
            } else if (d == L'u' && i + 5 < n && IsHexDigit(text[i + 2]) && IsHexDigit(text[i + 3]) &&
                       IsHexDigit(text[i + 4]) && IsHexDigit(text[i + 5])) {
                value = (HexValue(text[i + 2]) << 12) | (HexValue(text[i + 3]) << 8) | (HexValue(text[i + 4]) << 4) |
                        HexValue(text[i + 5]);
                used = 6;
            } else {
                // Unknown sequence: the backslash goes, the next character is read as ordinary text.
                i += 1;
                continue;
            }
        }
        if (!emit(value & 0xFFFF)) break;
        i += used;
    }
    if (!out.empty() && out.back() == L'\0') out.pop_back();
    return out;
}

std::vector<ConversionEntry> ParseConversionDefinitions(const std::wstring& units) {
    enum class State { Header, Name, Rules } state = State::Header;
    std::vector<ConversionEntry> table;
    for (const std::wstring& line : DefinitionLines(units)) {
        switch (state) {
        case State::Header:
            if (line.empty() || line[0] == L'#') break;
            table.emplace_back();
            table.back().escaped = line[0] == L'\\';
            table.back().identifier = table.back().escaped ? line.substr(1) : line;
            table.back().displayName = table.back().identifier;
            state = State::Name;
            break;
        case State::Name:
            if (line.empty() || line[0] == L'#') break;
            table.back().displayName = line;
            state = State::Rules;
            break;
        case State::Rules: {
            if (line.empty()) {
                state = State::Header;
                break;
            }
            ConversionEntry& entry = table.back();
            if (line[0] == L'\t') {
                entry.rules.push_back({true, {}, line.substr(1)});
                break;
            }
            size_t tab = line.find(L'\t');
            if (tab == std::wstring::npos) break;
            std::wstring from = line.substr(0, tab), to = line.substr(tab + 1);
            if (entry.escaped) {
                from = UnescapeDefinitionText(from);
                to = UnescapeDefinitionText(to);
            }
            entry.rules.push_back({false, std::move(from), std::move(to)});
            break;
        }
        }
    }
    return table;
}

bool ApplyDefinitionConversion(const std::wstring& identifier, const std::wstring& text, std::wstring& result,
                               std::wstring& warning) {
    warning.clear();
    if (identifier.empty() || text.empty()) return false;
    int entry = ConversionRun::FindEntry(identifier);
    if (entry < 0) return false;
    std::vector<unsigned char> triggers(0x10000, 0);
    std::vector<bool> seen(ConversionTable.size() * 2, false);
    CollectTriggers(static_cast<size_t>(entry), false, triggers, seen);
    ConversionRun run(text, text.size() * kConversionGrowthFactor + kConversionGrowthAllowance);
    while (!run.AtEnd()) {
        run.SkipQuietUnits(triggers);
        if (run.AtEnd()) break;
        if (!run.ApplyAt(static_cast<size_t>(entry), false)) {
            warning = Tr(kGrowthStopped);
            return false; // the text stays as it was before the stage
        }
        if (!run.AtEnd()) run.Advance();
    }
    result.swap(run.Result());
    return true;
}

void RemoveConversionSlots(HMENU conversionSubmenu) {
    if (!conversionSubmenu) return;
    for (UINT id = IDM_CONVERT_LAST; id >= IDM_CONVERT_FIRST; --id) DeleteMenu(conversionSubmenu, id, MF_BYCOMMAND);
}

bool LoadConversionDefinitions(HMENU conversionSubmenu) {
    ConversionTable.clear();
    try {
        std::wstring units;
        if (!ReadDefinitionFile(L"Convert.def", units)) return false;
        ConversionTable = ParseConversionDefinitions(units);
    } catch (const std::bad_alloc&) {
        ConversionTable.clear();
        return false;
    }
    if (!conversionSubmenu) return true;
    size_t count = std::min<size_t>(ConversionTable.size(), 100);
    for (size_t i = 100; i-- > count;)
        DeleteMenu(conversionSubmenu, static_cast<UINT>(IDM_CONVERT_FIRST + i), MF_BYCOMMAND);
    for (size_t i = 0; i < count; ++i) {
        const ConversionEntry& entry = ConversionTable[i];
        const std::wstring& label = g_language.uiJapanese ? entry.displayName : entry.identifier;
        UINT id = static_cast<UINT>(IDM_CONVERT_FIRST + i);
        ModifyMenuW(conversionSubmenu, id, MF_BYCOMMAND | MF_STRING, id, label.c_str());
    }
    return true;
}

int SelectedConversionIndex() { return ConversionRun::FindEntry(Settings.StrConvID); }
