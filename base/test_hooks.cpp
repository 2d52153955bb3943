#include "base/test_hooks.h"

// The shipped program is built without PASTREL_TEST_HOOKS: it reads none of the variables and every hook does
// nothing. The test build of the same sources (PastrelTest.exe) carries them.
#ifdef PASTREL_TEST_HOOKS

#include "base/handles.h"

#include <string>

namespace {

struct TestHooks {
    std::wstring log;
    std::wstring faultMarker;
    FaultPoint faultPoint = FaultPoint::Conversion;
};
TestHooks hooks;

std::wstring ReadEnvironment(const wchar_t* name) {
    DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

void AppendRecord(const std::wstring& record) {
    if (hooks.log.empty()) return;
    // The test may be reading the file at this moment; try again briefly rather than lose the record.
    FileHandle file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        file.reset(CreateFileW(hooks.log.c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) Sleep(2);
    }
    if (!file) return;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, record.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string utf8(static_cast<size_t>(bytes), '\0'); // the terminating NUL separates records
    WideCharToMultiByte(CP_UTF8, 0, record.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void AppendMenuItems(HMENU menu, std::wstring& record) {
    int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        UINT id = GetMenuItemID(menu, pos);
        UINT state = GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED);
        if (HMENU sub = GetSubMenu(menu, pos)) {
            if (menu == GetSubMenu(menu, pos)) continue;
            record += L" pos" + std::to_wstring(pos) + L":" + std::to_wstring(state);
            AppendMenuItems(sub, record);
        } else if (id != 0 && id != static_cast<UINT>(-1)) {
            record += L" " + std::to_wstring(id) + L":" + std::to_wstring(state);
        }
    }
}

} // namespace

void InitTestHooks() {
    hooks.log = ReadEnvironment(L"PASTREL_TEST_LOG");
    hooks.faultMarker = ReadEnvironment(L"PASTREL_FAULT_MARKER");
    if (ReadEnvironment(L"PASTREL_FAULT_POINT") == L"recopy") hooks.faultPoint = FaultPoint::Recopy;
}

void RecordShownNotice(unsigned level, const wchar_t* text) {
    if (!hooks.log.empty()) AppendRecord(L"notice " + std::to_wstring(level) + L" " + text);
}

void RecordTrayIcon(bool added, const wchar_t* iconName) {
    if (hooks.log.empty()) return;
    AppendRecord(std::wstring(L"tray ") + (added ? L"add " : L"modify ") + iconName);
}

void RecordMenuState(HMENU popup) {
    if (hooks.log.empty()) return;
    std::wstring record = L"menu";
    AppendMenuItems(popup, record);
    AppendRecord(record);
}

bool FaultRequestedFor(std::wstring_view text, FaultPoint point) {
    return point == hooks.faultPoint && !hooks.faultMarker.empty() &&
           text.find(hooks.faultMarker) != std::wstring_view::npos;
}

void RecordCommand(UINT id) {
    if (!hooks.log.empty()) AppendRecord(L"command " + std::to_wstring(id));
}

#else

void InitTestHooks() {}
void RecordShownNotice(unsigned, const wchar_t*) {}
void RecordTrayIcon(bool, const wchar_t*) {}
void RecordMenuState(HMENU) {}
void RecordCommand(UINT) {}
bool FaultRequestedFor(std::wstring_view, FaultPoint) { return false; }

#endif
