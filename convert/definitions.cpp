#include "convert/definitions.h"

#include "app/ids.h"
#include "settings/settings.h"

std::vector<ConversionEntry> ConversionTable;

bool LoadConversionDefinitions(HMENU) {
    ConversionTable.clear();
    return false;
}

void RemoveConversionSlots(HMENU conversionSubmenu) {
    if (!conversionSubmenu) return;
    for (UINT id = IDM_CONVERT_LAST; id >= IDM_CONVERT_FIRST; --id) DeleteMenu(conversionSubmenu, id, MF_BYCOMMAND);
}

int SelectedConversionIndex() {
    for (size_t i = 0; i < ConversionTable.size(); ++i)
        if (ConversionTable[i].identifier == Settings.StrConvID) return static_cast<int>(i);
    return -1;
}
