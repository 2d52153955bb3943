#include "settings/program_list.h"

#include <windows.h>

namespace {

constexpr wchar_t kSeparator = L';';

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\x3000'; }

std::wstring Trimmed(const std::wstring& text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Calls visit(name) for every non-empty entry, tidied.
template <class Visit> void ForEachProgram(const std::wstring& list, Visit&& visit) {
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t end = list.find(kSeparator, begin);
        if (end == std::wstring::npos) end = list.size();
        std::wstring name = ProgramBaseName(Trimmed(list, begin, end));
        if (!name.empty() && !visit(name)) return;
        begin = end + 1;
    }
}

bool SameProgram(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

} // namespace

std::wstring ProgramBaseName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return Trimmed(path, slash == std::wstring::npos ? 0 : slash + 1, path.size());
}

std::wstring TidyProgramList(const std::wstring& list) {
    std::wstring tidy;
    ForEachProgram(list, [&](const std::wstring& name) {
        if (!tidy.empty()) tidy += kSeparator;
        tidy += name;
        return true;
    });
    return tidy;
}

bool ProgramListed(const std::wstring& list, const std::wstring& program) {
    if (program.empty()) return false;
    bool listed = false;
    ForEachProgram(list, [&](const std::wstring& name) {
        listed = SameProgram(name, program);
        return !listed;
    });
    return listed;
}

std::wstring AddProgramToList(const std::wstring& list, const std::wstring& program) {
    std::wstring name = ProgramBaseName(program);
    std::wstring tidy = TidyProgramList(list);
    if (name.empty() || ProgramListed(tidy, name)) return tidy;
    return tidy.empty() ? name : tidy + kSeparator + name;
}
