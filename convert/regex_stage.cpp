#include "convert/regex_stage.h"

#include "base/text.h"
#include "convert/lines.h"
#include "settings/settings.h"

#include <boost/regex.hpp>

#include <cstddef>
#include <exception>
#include <iterator>
#include <mutex>

namespace {

constexpr Text kBoostError{L"正規表現による文字列置換中にエラー[boost::regex_error]が発生しました：\n",
                           L"regex error[boost::regex_error]:\n"};
constexpr Text kStdError{L"正規表現による文字列置換中にエラー[std::exception]が発生しました：\n",
                         L"regex error[std::exception]:\n"};
constexpr Text kStringError{L"正規表現による文字列置換中にエラーが発生しました：\n", L"regex error:\n"};
constexpr Text kUnknownError{L"正規表現による文字列置換に失敗", L"regex error."};
constexpr Text kOverBudget{
    L"正規表現による文字列置換が3秒以内に終わらなかったため中止しました。テキストは変換前のままです。",
    L"The regular-expression replacement did not finish within 3 seconds and was stopped; the "
    L"text was left as it was."};

// Thrown from inside the matcher once the time budget is spent; caught by the stage alone.
struct BudgetSpent {};

// The clock is read once every this many moves of the matcher's position, so checking costs nearly nothing.
constexpr unsigned kMovesPerClockCheck = 4096;

// The budget of the replacement that is running. The matcher copies and saves positions all the time: a position
// that is one pointer, charging this budget rather than one it would point to, matches as fast as a plain pointer
// does (a position of two pointers made the whole search a third slower). The lock lets one replacement run at a time.
struct SearchBudget {
    ULONGLONG deadline = 0;
    unsigned movesLeft = kMovesPerClockCheck;
};
SearchBudget runningBudget;
std::mutex runningBudgetLock;

[[gnu::noinline, gnu::cold]] void ReadClock() {
    runningBudget.movesLeft = kMovesPerClockCheck;
    if (GetTickCount64() >= runningBudget.deadline) throw BudgetSpent{};
}

inline void Spend() {
    if (__builtin_expect(--runningBudget.movesLeft == 0, 0)) ReadClock();
}

// A position in the text that charges every move to the running budget: Boost.Regex takes any random-access
// iterator, so the matcher can be stopped from within, without a second thread.
class BudgetIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = wchar_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const wchar_t*;
    using reference = const wchar_t&;

    BudgetIterator() = default;
    explicit BudgetIterator(const wchar_t* p) : p_(p) {}

    const wchar_t* get() const { return p_; }
    reference operator*() const { return *p_; }
    pointer operator->() const { return p_; }
    reference operator[](difference_type n) const { return p_[n]; }
    BudgetIterator& operator++() {
        Spend();
        ++p_;
        return *this;
    }
    BudgetIterator operator++(int) {
        BudgetIterator old = *this;
        ++*this;
        return old;
    }
    BudgetIterator& operator--() {
        Spend();
        --p_;
        return *this;
    }
    BudgetIterator operator--(int) {
        BudgetIterator old = *this;
        --*this;
        return old;
    }
    BudgetIterator& operator+=(difference_type n) {
        Spend();
        p_ += n;
        return *this;
    }
    BudgetIterator& operator-=(difference_type n) { return *this += -n; }
    friend BudgetIterator operator+(BudgetIterator i, difference_type n) { return i += n; }
    friend BudgetIterator operator+(difference_type n, BudgetIterator i) { return i += n; }
    friend BudgetIterator operator-(BudgetIterator i, difference_type n) { return i -= n; }
    friend difference_type operator-(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ - b.p_; }
    friend bool operator==(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ == b.p_; }
    friend bool operator!=(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ != b.p_; }
    friend bool operator<(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ < b.p_; }
    friend bool operator>(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ > b.p_; }
    friend bool operator<=(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ <= b.p_; }
    friend bool operator>=(const BudgetIterator& a, const BudgetIterator& b) { return a.p_ >= b.p_; }

private:
    const wchar_t* p_ = nullptr;
};

void Append(std::wstring& out, BudgetIterator from, BudgetIterator to) {
    out.append(from.get(), static_cast<size_t>(to - from));
}

} // namespace

std::wstring ApplyRegexReplacement(const SettingsRecord& settings, const std::wstring& text, std::wstring& result,
                                   DWORD budgetMs) {
    try {
        boost::regex_constants::syntax_option_type syntax = boost::regex_constants::normal;
        if (settings.REP_ICASE) syntax |= boost::regex_constants::icase;
        boost::wregex expression(settings.REP_BEFORE, syntax);
        boost::regex_constants::match_flag_type flags = boost::regex_constants::match_default;
        if (settings.REP_SINGLELINE) flags |= boost::regex_constants::match_single_line;
        if (settings.REP_NOTDOTNEWLINE) flags |= boost::regex_constants::match_not_dot_newline;
        // A matcher that gives up on a pattern too complex for it (catastrophic backtracking) throws
        // regex_error instead of running without end. What regex_replace does, with the text between matches
        // appended whole rather than unit by unit.
        std::lock_guard<std::mutex> lock(runningBudgetLock);
        runningBudget = {GetTickCount64() + budgetMs, kMovesPerClockCheck};
        const BudgetIterator first(text.data()), last(text.data() + text.size());
        MakeRoom(result, text.size());
        result.clear();
        BudgetIterator copied = first;
        for (boost::regex_iterator<BudgetIterator, wchar_t> match(first, last, expression, flags), end; match != end;
             ++match) {
            Append(result, match->prefix().first, match->prefix().second);
            match->format(std::back_inserter(result), settings.REP_AFTER, flags, expression);
            copied = (*match)[0].second;
        }
        Append(result, copied, last);
        return {};
    } catch (const BudgetSpent&) {
        return Tr(kOverBudget);
    } catch (const boost::regex_error& e) {
        return Tr(kBoostError) + WidenAnsi(e.what());
    } catch (const std::exception& e) {
        return Tr(kStdError) + WidenAnsi(e.what());
    } catch (const char* e) {
        return Tr(kStringError) + WidenAnsi(e);
    } catch (...) {
        return Tr(kUnknownError);
    }
}

PatternCheck CheckRegexPattern(const std::wstring& pattern, std::string& description) {
    try {
        boost::wregex expression(pattern, boost::regex_constants::normal);
        return PatternCheck::Compiles;
    } catch (const boost::regex_error& e) {
        description = e.what();
        return PatternCheck::RegexError;
    } catch (...) {
        return PatternCheck::OtherFailure;
    }
}
