#include "app/options.h"

#include "app/ids.h"
#include "base/text.h"
#include "settings/settings.h"

namespace {

using S = SettingsRecord;

// What switching an item on does to its partner: sorts and tab widths exclude each other, both line feeds on give
// CR LF (which is said).
enum class PartnerRule { None, OffWhenSwitchedOn, AlwaysOff, WarnWhenBothOn };

struct OptionItem {
    UINT id;
    SettingsFlag flag;
    bool saveAtOnce = false;
    SettingsFlag partner = nullptr;
    PartnerRule rule = PartnerRule::None;
    bool checkedOnlyWithoutPartner = false; // the second of an exclusive pair yields the mark to the first
};

constexpr OptionItem kOptionItems[] = {
    {IDM_DEL_SPACE, &S::DelSpace, true},
    {IDM_DEL_ENTER, &S::DelEnter, true},
    {IDM_DEL_TAB, &S::DelTab, true},
    {IDM_TRIMLEFT, &S::FEL_TRIMLEFT},
    {IDM_TRIMLEFT_FPSPACE, &S::FEL_TRIMLEFT_FPSPACE},
    {IDM_TRIMLEFT_TAB, &S::FEL_TRIMLEFT_TAB},
    {IDM_TRIMLEFT_ZERO, &S::FEL_TRIMLEFT_ZERO},
    {IDM_TRIMLEFT_FPZERO, &S::FEL_TRIMLEFT_FPZERO},
    {IDM_TRIMRIGHT, &S::FEL_TRIMRIGHT},
    {IDM_TRIMRIGHT_FPSPACE, &S::FEL_TRIMRIGHT_FPSPACE},
    {IDM_TRIMRIGHT_TAB, &S::FEL_TRIMRIGHT_TAB},
    {IDM_SORTASC, &S::FEL_SORTASC, false, &S::FEL_SORTDSC, PartnerRule::OffWhenSwitchedOn},
    {IDM_SORTDSC, &S::FEL_SORTDSC, false, &S::FEL_SORTASC, PartnerRule::OffWhenSwitchedOn, true},
    {IDM_UNIQ, &S::FEL_UNIQ},
    {IDM_DELBLANKLINE, &S::FEL_DELBLANKLINE},
    {IDM_TAB4SPACE, &S::TAB4SPACE, false, &S::TAB8SPACE, PartnerRule::AlwaysOff},
    {IDM_TAB8SPACE, &S::TAB8SPACE, false, &S::TAB4SPACE, PartnerRule::AlwaysOff, true},
    {IDM_LC_LF, &S::LC_LF, false, &S::LC_CR, PartnerRule::WarnWhenBothOn},
    {IDM_LC_CR, &S::LC_CR, false, &S::LC_LF, PartnerRule::WarnWhenBothOn},
    {IDM_CSV_CHANGEROWCOL, &S::CSVTSV_CHANGEROWCOL},
    {IDM_MULTIDIV, &S::MultiDiv},
};

constexpr Text kLfCrBoth{L"改行コード指定をLF/CR共にオンにすると、CR+LFになります。",
                         L"If both LF and CR are turned on for line feed code designation, it becomes CR + LF."};

} // namespace

bool ToggleOption(HWND window, UINT id) {
    for (const OptionItem& item : kOptionItems) {
        if (item.id != id) continue;
        SettingsRecord& s = Settings;
        bool on = s.*item.flag = !(s.*item.flag);
        switch (item.rule) {
        case PartnerRule::None: break;
        case PartnerRule::OffWhenSwitchedOn:
            if (on) s.*item.partner = false;
            break;
        case PartnerRule::AlwaysOff: s.*item.partner = false; break;
        case PartnerRule::WarnWhenBothOn:
            if (on && s.*item.partner)
                MessageBoxW(window, Tr(kLfCrBoth), g_language.productTitle.c_str(), MB_OK | MB_ICONINFORMATION);
            break;
        }
        if (item.saveAtOnce) SaveSettings();
        return true;
    }
    return false;
}

void CheckOptionItems(HMENU menu) {
    const SettingsRecord& s = Settings;
    for (const OptionItem& item : kOptionItems) {
        bool checked = s.*item.flag && !(item.checkedOnlyWithoutPartner && s.*item.partner);
        CheckMenuItem(menu, item.id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
}
