#include "clipboard/owner.h"

#include "base/handles.h"
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

void NoteForeignCopyOwner(std::wstring program) { owners.lastForeign = std::move(program); }

const std::wstring& LastForeignCopyProgram() { return owners.lastForeign; }
