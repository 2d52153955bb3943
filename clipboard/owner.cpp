#include "clipboard/owner.h"

#include "base/handles.h"
#include "base/system.h"
#include "clipboard/x11_owner.h"
#include "settings/program_list.h"

#include <windows.h>

namespace {

struct CopyOwners {
    std::wstring lastForeign;
};
CopyOwners owners;

} // namespace

std::wstring ClipboardOwnerProgram() {
    HWND owner = GetClipboardOwner();
    DWORD processId = 0;
    if (!owner || !GetWindowThreadProcessId(owner, &processId) || processId == 0) return {};
    KernelHandle process{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)};
    if (!process) return {};
    wchar_t path[MAX_PATH * 2];
    DWORD length = ARRAYSIZE(path);
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &length)) return {};
    return ProgramBaseName(std::wstring(path, length));
}

// Under Wine the X side's copies are owned by the clipboard window of Wine's desktop process.
bool IsWineClipboardWindow(const std::wstring& program) {
    return RunningUnderWine() && (program.empty() || CompareStringOrdinal(program.c_str(), -1, L"explorer.exe", -1,
                                                                          TRUE) == CSTR_EQUAL);
}

std::vector<std::wstring> CopyOwnerNames() {
    std::wstring program = ClipboardOwnerProgram();
    std::vector<std::wstring> names;
    if (IsWineClipboardWindow(program)) {
        std::wstring reported = X11CopyOwner();
        for (size_t begin = 0, end; begin < reported.size(); begin = end + 1) {
            end = reported.find(L';', begin);
            if (end == std::wstring::npos) end = reported.size();
            if (end > begin) names.push_back(reported.substr(begin, end - begin));
        }
    }
    if (names.empty() && !program.empty()) names.push_back(program);
    return names;
}

void NoteForeignCopyOwner(std::wstring program) { owners.lastForeign = std::move(program); }

const std::wstring& LastForeignCopyProgram() { return owners.lastForeign; }
