#include "app/test_hooks.h"

#include "app/handles.h"

#include <windows.h>

#include <string>

namespace {

struct TestHooks {
    std::wstring noticeLog;
    std::wstring faultMarker;
};
TestHooks hooks;

std::wstring ReadEnvironment(const wchar_t* name) {
    DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

} // namespace

void InitTestHooks() {
    hooks.noticeLog = ReadEnvironment(L"PASTREL_NOTICE_LOG");
    hooks.faultMarker = ReadEnvironment(L"PASTREL_FAULT_MARKER");
}

void RecordShownNotice(unsigned level, const wchar_t* text) {
    if (hooks.noticeLog.empty()) return;
    FileHandle file{CreateFileW(hooks.noticeLog.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file) return;
    std::string record = std::to_string(level) + " ";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes : 1, '\0'); // includes the terminating NUL that separates records
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), bytes, nullptr, nullptr);
    record += utf8;
    DWORD written = 0;
    WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

bool FaultRequestedFor(std::wstring_view text) {
    return !hooks.faultMarker.empty() && text.find(hooks.faultMarker) != std::wstring_view::npos;
}
