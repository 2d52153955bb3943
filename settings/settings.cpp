#include "settings/settings.h"

#include "base/notices.h"
#include "settings/store.h"

SettingsRecord Settings;

namespace {

struct Loader {
    void operator()(const wchar_t* key, int& field, int def) const { field = ReadIntSetting(key, def); }
    void operator()(const wchar_t* key, bool& field, int def) const { field = ReadIntSetting(key, def) != 0; }
    void operator()(const wchar_t* key, BYTE& field, int def) const {
        field = static_cast<BYTE>(ReadIntSetting(key, def) & 0xFF);
    }
    void operator()(const wchar_t* key, std::wstring& field, const wchar_t* def) const {
        field = ReadStringSetting(key, def);
    }
};

struct Saver {
    std::wstring& saveErrors;
    void operator()(const wchar_t* key, const int& field, int) const { WriteIntSetting(key, field, saveErrors); }
    void operator()(const wchar_t* key, const bool& field, int) const {
        WriteIntSetting(key, field ? 1 : 0, saveErrors);
    }
    void operator()(const wchar_t* key, const BYTE& field, int) const { WriteIntSetting(key, field, saveErrors); }
    void operator()(const wchar_t* key, const std::wstring& field, const wchar_t*) const {
        WriteStringSetting(key, field, saveErrors);
    }
};

bool OneOf(int value, std::initializer_list<int> allowed) {
    for (int a : allowed)
        if (value == a) return true;
    return false;
}

} // namespace

bool IsMultiplierText(const std::wstring& text) {
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (!((c >= L'0' && c <= L'9') || c == L'.')) return false;
    return true;
}

void NormaliseSettings(SettingsRecord& s) {
    if (!OneOf(s.MultiDivSec, {500, 1000, 1500, 2000, 4000, 6000, 8000, 10000})) s.MultiDivSec = 1000;
    if (!OneOf(s.Delay1Sec, {0, 100, 200, 500, 700, 1000})) s.Delay1Sec = 1000;
    if (s.ALPHA_FLOATING < 0 || s.ALPHA_FLOATING > 255) s.ALPHA_FLOATING = 255;
    if (s.ALPHA_FLOATING2 < 0 || s.ALPHA_FLOATING2 > 255) s.ALPHA_FLOATING2 = 255;
    if (!IsMultiplierText(s.MUL_BY_N)) s.MUL_BY_N = L"1";
}

void LoadSettings() {
    if (!g_store.nonSaveMode && g_store.useIniFile) EnsureIniFile();
    VisitSettingsKeys(Settings, Loader{});
    NormaliseSettings(Settings);
}

bool SaveSettings() {
    if (g_store.nonSaveMode) return true;
    std::wstring saveErrors;
    if (g_store.useIniFile) EnsureIniFile();
    VisitSettingsKeys(Settings, Saver{saveErrors});
    if (saveErrors.empty()) return true;
    ShowNotice(saveErrors, NOTICE_WARNING);
    return false;
}
