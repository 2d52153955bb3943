// The conversion definitions read from Convert.def and the conversion submenu they fill.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct ConversionRule {
    bool isReference = false; // reference rules name another entry in `to`
    std::wstring from;
    std::wstring to;
};

struct ConversionEntry {
    std::wstring identifier;
    std::wstring displayName;
    bool escaped = false;
    std::vector<ConversionRule> rules;
};

extern std::vector<ConversionEntry> ConversionTable;

// Reads Convert.def from the current directory and fills the submenu's slots; false on failure.
bool LoadConversionDefinitions(HMENU conversionSubmenu);
// Deletes all 100 entry slots, leaving only "None".
void RemoveConversionSlots(HMENU conversionSubmenu);
// Index of the first entry whose identifier equals StrConvID, or -1.
int SelectedConversionIndex();
