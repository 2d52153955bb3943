#include "app/startup.h"

#include "base/handles.h"

#include <objidl.h>
#include <gdiplus.h>

#include <memory>

namespace {

struct SwitchName {
    const wchar_t* text;
    StartSwitch value;
};
constexpr SwitchName kSwitches[] = {
    {L"/P", StartSwitch::P},   {L"/P0", StartSwitch::P0}, {L"/P1", StartSwitch::P1}, {L"/R", StartSwitch::R},
    {L"/X", StartSwitch::X},   {L"/OR", StartSwitch::OR}, {L"/RO", StartSwitch::RO}, {L"/?", StartSwitch::Help},
    {L"/O", StartSwitch::O},   {L"/N", StartSwitch::N},   {L"/C", StartSwitch::C},   {L"/C0", StartSwitch::C0},
    {L"/C1", StartSwitch::C1}, {L"/U", StartSwitch::U},
};

} // namespace

StartSwitch ParseStartSwitch(const wchar_t* commandLine) {
    if (!commandLine) return StartSwitch::None;
    for (const SwitchName& s : kSwitches)
        if (lstrcmpiW(commandLine, s.text) == 0) return s.value;
    return StartSwitch::None;
}

bool DecideJapaneseUi() {
    wchar_t value[80];
    DWORD length = GetEnvironmentVariableW(L"PASTREL_LANG", value, ARRAYSIZE(value));
    if (length > 0) {
        // A value too long for the buffer counts as not "JA".
        if (length >= ARRAYSIZE(value)) return false;
        return lstrcmpiW(value, L"JA") == 0;
    }
    return (GetSystemDefaultLangID() & 0x3FF) == LANG_JAPANESE;
}

ExeNameModes ExeNameModesFromPath(const std::wstring& exePath) {
    ExeNameModes modes;
    if (exePath.size() <= 7) return modes;
    std::wstring tail = exePath.substr(exePath.size() - 6);
    if (lstrcmpiW(tail.c_str(), L"_o.exe") == 0) modes.useIniFile = true;
    if (lstrcmpiW(tail.c_str(), L"_n.exe") == 0) modes.nonSaveMode = true;
    return modes;
}

HBITMAP LoadPngResource(HINSTANCE instance, int id) {
    HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(id), L"RT_RCDATA");
    if (!info) return nullptr;
    HGLOBAL resource = LoadResource(instance, info);
    DWORD size = SizeofResource(instance, info);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (!bytes || size == 0) return nullptr;

    GlobalBlock block{GlobalAlloc(GMEM_MOVEABLE, size)};
    if (!block) return nullptr;
    {
        GlobalLockGuard<void> copy(block.get());
        if (!copy) return nullptr;
        memcpy(copy.get(), bytes, size);
    }
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block.get(), FALSE, &stream))) return nullptr;
    HBITMAP result = nullptr;
    {
        std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream));
        if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok)
            if (bitmap->GetHBITMAP(Gdiplus::Color(static_cast<Gdiplus::ARGB>(0x00FFFFFF)), &result) != Gdiplus::Ok)
                result = nullptr;
    }
    stream->Release();
    return result;
}
