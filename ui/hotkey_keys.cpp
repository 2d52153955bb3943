#include "ui/hotkey_keys.h"

namespace {

std::vector<HotkeyKey> BuildTable(const wchar_t* noneText) {
    std::vector<HotkeyKey> table{{noneText, 0}};
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) table.push_back({std::wstring(1, letter), BYTE(letter)});
    for (wchar_t digit = L'0'; digit <= L'9'; ++digit) table.push_back({std::wstring(1, digit), BYTE(digit)});
    for (int n = 1; n <= 24; ++n) table.push_back({L"F" + std::to_wstring(n) + L" key", BYTE(VK_F1 + n - 1)});
    return table;
}

} // namespace

const std::vector<HotkeyKey>& HotkeyKeyTable(bool japanese) {
    static const std::vector<HotkeyKey> japaneseTable = BuildTable(L"なし");
    static const std::vector<HotkeyKey> englishTable = BuildTable(L"None");
    return japanese ? japaneseTable : englishTable;
}

int HotkeyKeyRow(BYTE code) {
    const std::vector<HotkeyKey>& table = HotkeyKeyTable(false);
    for (size_t row = 0; row < table.size(); ++row)
        if (table[row].code == code) return static_cast<int>(row);
    return 0;
}

bool IsSameHotkey(const HotkeyChoice& first, const HotkeyChoice& second) {
    return first.code != 0 && first.code == second.code && first.shift == second.shift && first.ctrl == second.ctrl &&
           first.alt == second.alt;
}

bool IsBareHotkey(const HotkeyChoice& hotkey) {
    return hotkey.code != 0 && !hotkey.shift && !hotkey.ctrl && !hotkey.alt;
}
