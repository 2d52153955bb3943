#include "convert/regex_stage.h"

#include "base/text.h"
#include "settings/settings.h"

#include <boost/regex.hpp>

#include <exception>
#include <iterator>

namespace {

constexpr Text kBoostError{L"正規表現による文字列置換中にエラー[boost::regex_error]が発生しました：\n",
                           L"regex error[boost::regex_error]:\n"};
constexpr Text kStdError{L"正規表現による文字列置換中にエラー[std::exception]が発生しました：\n",
                         L"regex error[std::exception]:\n"};
constexpr Text kStringError{L"正規表現による文字列置換中にエラーが発生しました：\n", L"regex error:\n"};
constexpr Text kUnknownError{L"正規表現による文字列置換に失敗", L"regex error."};

} // namespace

std::wstring ApplyRegexReplacement(const SettingsRecord& settings, const std::wstring& text, std::wstring& result) {
    try {
        boost::regex_constants::syntax_option_type syntax = boost::regex_constants::normal;
        if (settings.REP_ICASE) syntax |= boost::regex_constants::icase;
        boost::wregex expression(settings.REP_BEFORE, syntax);
        boost::regex_constants::match_flag_type flags = boost::regex_constants::match_default;
        if (settings.REP_SINGLELINE) flags |= boost::regex_constants::match_single_line;
        if (settings.REP_NOTDOTNEWLINE) flags |= boost::regex_constants::match_not_dot_newline;
        // A matcher that gives up on a pattern too complex for it (catastrophic backtracking) throws
        // regex_error instead of running without end.
        std::wstring replaced;
        replaced.reserve(text.size());
        boost::regex_replace(std::back_inserter(replaced), text.begin(), text.end(), expression, settings.REP_AFTER,
                             flags);
        result.swap(replaced);
        return {};
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
