#include "convert/definitions.h"

#include "base/handles.h"
#include "base/text.h"
#include "convert/lines.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <unordered_map>
#include <unordered_set>

std::vector<ConversionEntry> ConversionTable;

namespace {

constexpr size_t kMaxLineUnits = 259; // a line as read, its break included
constexpr Text kTooLarge{
    L"変換定義の適用で結果が大きくなりすぎたため、この変換を中止しました。テキストは変換前のままです。("
    L"置換結果に検索文字列を含む定義がないか確認して下さい)",
    L"The conversion was stopped because its result grew too large; the text was kept as it was. Check for a "
    L"replacement that contains its own search text."};

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
    // An editor may hold the file open for writing, or replace it, while Pastrel starts.
    FileHandle file{CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr)};
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

constexpr uint64_t kHashPrime = (uint64_t(1) << 61) - 1;

constexpr uint64_t MulMod(uint64_t a, uint64_t b) {
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    uint64_t r = static_cast<uint64_t>(product & kHashPrime) + static_cast<uint64_t>(product >> 61);
    return r >= kHashPrime ? r - kHashPrime : r;
}

constexpr uint64_t PowMod(uint64_t base, uint64_t exponent) {
    uint64_t result = 1;
    for (; exponent; exponent >>= 1, base = MulMod(base, base))
        if (exponent & 1) result = MulMod(result, base);
    return result;
}

// Polynomial hash modulo 2^61 - 1 of the stack of pending units, its bottom unit weighted lowest, kept up to date as
// units come and go at either end, so that a rest seen before at the same position is recognised without comparing
// texts.
class StackHash {
public:
    void PushTop(wchar_t c) {
        value_ = Add(value_, MulMod(Unit(c), power_));
        power_ = MulMod(power_, kBase);
    }
    void PopTop(wchar_t c) {
        power_ = MulMod(power_, kInverseBase);
        value_ = Add(value_, kHashPrime - MulMod(Unit(c), power_));
    }
    void DropBottom(wchar_t c) {
        value_ = MulMod(Add(value_, kHashPrime - Unit(c)), kInverseBase);
        power_ = MulMod(power_, kInverseBase);
    }
    uint64_t Value() const { return value_; }

private:
    static uint64_t Unit(wchar_t c) { return static_cast<uint64_t>(c) + 1; }
    static uint64_t Add(uint64_t a, uint64_t b) { return a + b >= kHashPrime ? a + b - kHashPrime : a + b; }
    static constexpr uint64_t kBase = 0x1F3D5B79A2C4E681ULL % kHashPrime;
    static constexpr uint64_t kInverseBase = PowMod(kBase, kHashPrime - 2);
    static_assert(MulMod(kBase, kInverseBase) == 1);
    uint64_t value_ = 0;
    uint64_t power_ = 1; // kBase to the number of units
};

// The conversion of one whole text: a finished part and the rest still to scan. The rest is the unread part of the
// input, preceded by a short stack (reversed) of replacement text not yet scanned, so that replacing at its front
// costs only the lengths involved, the scan stays linear and the input is never copied whole.
class ConversionRun {
public:
    // The result is written in the memory of `memory`, which is taken over, or over the text itself when `inPlace`
    // (the text's own units; see NeverGrows).
    ConversionRun(const std::vector<ConversionEntry>& table, size_t entry, const std::wstring& text,
                  bool followsReferences, std::wstring& memory, wchar_t* inPlace = nullptr)
        : table_(table), input_(text), inPlace_(inPlace), limit_(std::max(kMaxConvertedUnits, text.size())),
          tracking_(followsReferences) {
        if (!inPlace_) {
            out_.swap(memory);
            MakeRoom(out_, text.size());
            out_.clear();
        }
        if (tracking_) {
            latestOpen_.assign(table.size() * 2, -1);
            return;
        }
        for (const ConversionRule& rule : table[entry].rules)
            firstUnits_.push_back(rule.isReference || rule.from.empty() ? kNoUnit : rule.from[0]);
    }

    // Applies entry `index` forward at the current position, with the references it reaches, on a stack of its own
    // rather than the machine's; false once the size limits stopped the run.
    bool ApplyAt(size_t index) {
        if (TextEmpty()) return true;
        if (!tracking_) return ApplyRules(table_[index].rules);
        chainStart_ = next_;
        if (!Open(index, false)) return false;
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            const std::vector<ConversionRule>& rules = table_[frame.state.entry].rules;
            if (frame.nextRule == rules.size()) {
                Close();
                continue;
            }
            const ConversionRule& rule = rules[frame.nextRule++];
            if (rule.isReference) {
                bool direction = rule.opposite != frame.state.reverse;
                if (rule.target < 0 || TextEmpty()) continue;
                if (!Open(static_cast<size_t>(rule.target), direction)) return false;
                continue;
            }
            const std::wstring& search = frame.state.reverse ? rule.to : rule.from;
            const std::wstring& replacement = frame.state.reverse ? rule.from : rule.to;
            if (search.empty() || !RestStartsWith(search)) continue;
            ReplaceFront(search.size(), replacement);
            if (OutSize() + RestSize() > limit_) return false;
        }
        return true;
    }

    bool AtEnd() const { return pending_.empty() && next_ == input_.size(); }
    void Advance() {
        if (!pending_.empty()) {
            Put(pending_.back());
            PopPending();
        } else {
            Put(input_[next_++]);
        }
    }
    // Moves on over every unit at which no rule of the entry (or of the entries it reaches) can match.
    void SkipQuietUnits(const std::vector<unsigned char>& triggers) {
        while (!pending_.empty() && !triggers[pending_.back()]) Advance();
        if (!pending_.empty()) return;
        size_t end = next_;
        while (end < input_.size() && !triggers[input_[end]]) ++end;
        if (!inPlace_) {
            out_.append(input_, next_, end - next_);
        } else {
            // Moved back by as much as the replacements so far shortened the text, and not at all while none did.
            if (written_ != next_) memmove(inPlace_ + written_, inPlace_ + next_, (end - next_) * sizeof(wchar_t));
            written_ += end - next_;
        }
        next_ = end;
    }
    std::wstring& Result() { return out_; }
    size_t OutSize() const { return inPlace_ ? written_ : out_.size(); }

private:
    static constexpr uint32_t kNoUnit = 0x10000; // the first unit of a rule that never matches

    // The rules of an entry that reaches no other entry: no frame and no repeat to look for. Only the rules that
    // begin with the unit now in front are tried.
    bool ApplyRules(const std::vector<ConversionRule>& rules) {
        if (RestSize() == 0) return true;
        uint32_t front = RestAt(0);
        for (size_t i = 0; i < rules.size(); ++i) {
            if (firstUnits_[i] != front) continue;
            const ConversionRule& rule = rules[i];
            if (!RestStartsWith(rule.from)) continue;
            ReplaceFront(rule.from.size(), rule.to);
            if (OutSize() + RestSize() > limit_) return false;
            if (RestSize() == 0) return true;
            front = RestAt(0);
        }
        return true;
    }

    // An entry applied in one direction on one rest of the text. Within one position the rest is kept in one form
    // (see Canonicalise), so equal rests have equal fields.
    struct State {
        uint32_t entry;
        bool reverse;
        size_t next;
        size_t pendingSize;
        uint64_t pendingHash;
        bool operator==(const State& o) const {
            return entry == o.entry && reverse == o.reverse && next == o.next && pendingSize == o.pendingSize &&
                   pendingHash == o.pendingHash;
        }
    };
    struct StateHash {
        size_t operator()(const State& s) const {
            return s.pendingHash ^ (s.next * 0x9E3779B97F4A7C15ULL) ^ (s.pendingSize << 20) ^
                   (s.entry * 2u + s.reverse);
        }
    };
    struct Frame {
        State state;
        uint32_t nextRule;
        bool counted;         // in `repeatedOpen_`, because another frame of its entry and direction was open before it
        int64_t previousSame; // the next older open frame of the same entry and direction, or -1
        int64_t firstSame;    // the oldest open frame of the same entry and direction (this one when none)
    };

    size_t PendingSize() const { return pending_.size() - pendingBottom_; }
    size_t RestSize() const { return PendingSize() + (input_.size() - next_); }
    bool TextEmpty() const { return OutSize() == 0 && RestSize() == 0; }
    void Put(wchar_t c) {
        if (inPlace_) inPlace_[written_++] = c;
        else out_ += c;
    }
    wchar_t RestAt(size_t i) const {
        return i < PendingSize() ? pending_[pending_.size() - 1 - i] : input_[next_ + i - PendingSize()];
    }
    bool RestStartsWith(const std::wstring& search) const {
        if (search.size() > RestSize()) return false;
        for (size_t i = 0; i < search.size(); ++i)
            if (RestAt(i) != search[i]) return false;
        return true;
    }
    void PopPending() {
        if (tracking_) hash_.PopTop(pending_.back());
        pending_.pop_back();
        if (pending_.size() == pendingBottom_) {
            pending_.clear();
            pendingBottom_ = 0;
        }
    }
    void ReplaceFront(size_t length, const std::wstring& replacement) {
        size_t fromPending = std::min(length, PendingSize());
        for (size_t i = 0; i < fromPending; ++i) PopPending();
        next_ += length - fromPending;
        pending_.append(replacement.rbegin(), replacement.rend());
        if (!tracking_) return;
        for (auto c = replacement.rbegin(); c != replacement.rend(); ++c) hash_.PushTop(*c);
        Canonicalise();
    }
    // The same rest can stand as different pending units before different unread input (a replacement may put back
    // what an earlier one consumed). Within one position, pending units that repeat the input consumed just before
    // them go back to the input, so each rest has one form.
    void Canonicalise() {
        while (next_ > chainStart_ && PendingSize() > 0 && pending_[pendingBottom_] == input_[next_ - 1]) {
            hash_.DropBottom(pending_[pendingBottom_]);
            ++pendingBottom_;
            --next_;
        }
        if (pending_.size() == pendingBottom_) {
            pending_.clear();
            pendingBottom_ = 0;
        }
    }

    // Applying an entry again, in the same direction, on the same rest as an open frame of it would repeat that
    // frame's work up to this very point, for ever; such a reference is skipped. The finished part cannot change at
    // one position, so the rest decides. Most chains never open an entry twice; only those that do use the set.
    bool Open(size_t entry, bool reverse) {
        if (frames_.size() >= kMaxOpenReferences) return false;
        State state{static_cast<uint32_t>(entry), reverse, next_, PendingSize(), hash_.Value()};
        int64_t& latest = latestOpen_[entry * 2 + reverse];
        bool counted = false;
        int64_t first = static_cast<int64_t>(frames_.size());
        if (latest >= 0) {
            first = frames_[static_cast<size_t>(latest)].firstSame;
            if (frames_[static_cast<size_t>(first)].state == state) return true;
            if (!repeatedOpen_.insert(state).second) return true;
            counted = true;
        }
        frames_.push_back({state, 0, counted, latest, first});
        latest = static_cast<int64_t>(frames_.size() - 1);
        return true;
    }
    void Close() {
        const Frame& frame = frames_.back();
        latestOpen_[frame.state.entry * 2 + frame.state.reverse] = frame.previousSame;
        if (frame.counted) repeatedOpen_.erase(frame.state);
        frames_.pop_back();
    }

    const std::vector<ConversionEntry>& table_;
    const std::wstring& input_;
    size_t next_ = 0;      // first unread unit of the input
    std::wstring pending_; // replacement text still to scan, its front last, from index pendingBottom_ on
    size_t pendingBottom_ = 0;
    size_t chainStart_ = 0; // next_ when the application at the current position began
    std::wstring out_;
    wchar_t* inPlace_;   // the input's own units when the result is written over them
    size_t written_ = 0; // units of the result written over the input
    size_t limit_;
    bool tracking_; // the hash is kept only when references can open frames beside the first
    StackHash hash_;
    std::vector<Frame> frames_;
    std::vector<int64_t> latestOpen_; // per entry and direction, the newest open frame or -1
    std::unordered_set<State, StateHash> repeatedOpen_;
    std::vector<uint32_t> firstUnits_; // of each rule of an entry that reaches no other, or kNoUnit
};

// The first units of every search text that applying entry `index` forward may try, references followed; a
// position whose unit is not among them cannot change. True when the entry reaches a reference to some entry.
bool CollectTriggers(const std::vector<ConversionEntry>& table, size_t index, std::vector<unsigned char>& triggers) {
    std::vector<bool> seen(table.size() * 2, false);
    std::vector<size_t> waiting{index * 2};
    seen[index * 2] = true;
    bool followsReferences = false;
    while (!waiting.empty()) {
        size_t key = waiting.back();
        waiting.pop_back();
        bool reverse = key & 1;
        for (const ConversionRule& rule : table[key / 2].rules) {
            if (rule.isReference) {
                if (rule.target < 0) continue;
                followsReferences = true;
                size_t target = static_cast<size_t>(rule.target) * 2 + (rule.opposite != reverse);
                if (!seen[target]) {
                    seen[target] = true;
                    waiting.push_back(target);
                }
                continue;
            }
            const std::wstring& search = reverse ? rule.to : rule.from;
            if (!search.empty()) triggers[search[0]] = 1;
        }
    }
    return followsReferences;
}

// Points every reference rule at the first entry of its name; an empty name (a lone "!" included) names none.
void ResolveReferences(std::vector<ConversionEntry>& table) {
    std::unordered_map<std::wstring, int> firstOfName;
    for (size_t i = 0; i < table.size(); ++i) firstOfName.emplace(table[i].identifier, static_cast<int>(i));
    for (ConversionEntry& entry : table)
        for (ConversionRule& rule : entry.rules) {
            if (!rule.isReference) continue;
            rule.opposite = !rule.to.empty() && rule.to[0] == L'!';
            std::wstring name = rule.opposite ? rule.to.substr(1) : rule.to;
            auto found = name.empty() ? firstOfName.end() : firstOfName.find(name);
            rule.target = found == firstOfName.end() ? -1 : found->second;
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
    ResolveReferences(table);
    return table;
}

int FindConversionEntry(const std::vector<ConversionEntry>& table, const std::wstring& identifier) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].identifier == identifier) return static_cast<int>(i);
    return -1;
}

namespace {

// Whether no rule of the entry replaces a text by a longer one: applied on its own (it reaches no other entry), it then
// never writes its result past the input still to be read.
bool NeverGrows(const ConversionEntry& entry) {
    for (const ConversionRule& rule : entry.rules)
        if (!rule.isReference && !rule.from.empty() && rule.to.size() > rule.from.size()) return false;
    return true;
}

bool Run(ConversionRun& run, size_t entry, const std::vector<unsigned char>& triggers, std::wstring& warning) {
    while (!run.AtEnd()) {
        run.SkipQuietUnits(triggers);
        if (run.AtEnd()) break;
        if (!run.ApplyAt(entry)) {
            warning = Tr(kTooLarge);
            return false; // the text stays as it was before the stage
        }
        if (!run.AtEnd()) run.Advance();
    }
    return true;
}

} // namespace

namespace {

// The entry a conversion applies and the units that can start one of its rules (or of the entries it reaches).
struct DefinitionStart {
    size_t entry = 0;
    std::vector<unsigned char> triggers;
    bool followsReferences = false;
};

// False when there is nothing to convert: no identifier, no text or no such entry.
bool StartDefinition(const std::vector<ConversionEntry>& table, const std::wstring& identifier,
                     const std::wstring& text, DefinitionStart& start) {
    if (identifier.empty() || text.empty()) return false;
    int entry = FindConversionEntry(table, identifier);
    if (entry < 0) return false;
    start.entry = static_cast<size_t>(entry);
    start.triggers.assign(0x10000, 0);
    start.followsReferences = CollectTriggers(table, start.entry, start.triggers);
    return true;
}

} // namespace

bool ApplyDefinitionConversion(const std::vector<ConversionEntry>& table, const std::wstring& identifier,
                               const std::wstring& text, std::wstring& result, std::wstring& warning) {
    warning.clear();
    DefinitionStart start;
    if (!StartDefinition(table, identifier, text, start)) return false;
    ConversionRun run(table, start.entry, text, start.followsReferences, result);
    if (!Run(run, start.entry, start.triggers, warning)) return false;
    result.swap(run.Result());
    return true;
}

bool ApplyDefinitionConversionInPlace(const std::vector<ConversionEntry>& table, const std::wstring& identifier,
                                      std::wstring& text, std::wstring& spare, std::wstring& warning) {
    warning.clear();
    DefinitionStart start;
    if (!StartDefinition(table, identifier, text, start)) return false;
    const bool inPlace = !start.followsReferences && NeverGrows(table[start.entry]);
    ConversionRun run(table, start.entry, text, start.followsReferences, spare, inPlace ? text.data() : nullptr);
    if (!Run(run, start.entry, start.triggers, warning)) return false;
    if (inPlace) {
        text.resize(run.OutSize());
    } else {
        spare.swap(run.Result());
        text.swap(spare);
    }
    return true;
}

bool LoadConversionDefinitions() {
    ConversionTable.clear();
    try {
        std::wstring units;
        if (!ReadDefinitionFile(L"Convert.def", units)) return false;
        ConversionTable = ParseConversionDefinitions(units);
    } catch (const std::bad_alloc&) {
        ConversionTable.clear();
        return false;
    }
    return true;
}
