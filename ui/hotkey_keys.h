// The keys the hotkey dialog offers and its one rule, kept apart from the window so they can be checked alone.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// One entry of both key lists: its text and its virtual-key code (0: no hotkey).
struct HotkeyKey {
    std::wstring text;
    BYTE code;
};

// The 61 keys of both lists in list order, so that a list index is a row: none, A to Z, 0 to 9, F1 to F24. Only
// row 0's text depends on the language.
const std::vector<HotkeyKey>& HotkeyKeyTable(bool japanese);
// The row whose code is `code`; 0 (none) for a key that is not offered.
int HotkeyKeyRow(BYTE code);

// One hotkey as the dialog edits it.
struct HotkeyChoice {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    BYTE code = 0;
};
// Two hotkeys that would press as the same combination; a hotkey without a key registers nothing, so two of them
// never clash.
bool IsSameHotkey(const HotkeyChoice& first, const HotkeyChoice& second);
// A key without Shift, Ctrl or Alt: registered, it would take that key from every other program, so it never is.
bool IsBareHotkey(const HotkeyChoice& hotkey);
