// The one process-wide settings record, its key table, and loading and saving it as a whole.
#pragma once
#include <windows.h>

#include <string>

struct SettingsRecord {
    int FileFolderCopy = 0;
    bool CBWatchEnabled = true;
    bool MultiDiv = false;
    int MultiDivSec = 1000;
    int Delay1Sec = 0;
    std::wstring StrConvID;
    bool DelSpace = false;
    bool DelEnter = false;
    bool DelTab = false;
    bool SK1_SHIFT = false;
    bool SK1_CTRL = false;
    bool SK1_ALT = false;
    BYTE SK1_VKEY = 0;
    bool SK2_SHIFT = false;
    bool SK2_CTRL = false;
    bool SK2_ALT = false;
    BYTE SK2_VKEY = 0;
    bool SK3_SHIFT = false;
    bool SK3_CTRL = false;
    bool SK3_ALT = false;
    BYTE SK3_VKEY = 0;
    bool REP_REP = false;
    std::wstring REP_BEFORE;
    std::wstring REP_AFTER;
    bool REP_ICASE = false;
    bool REP_SINGLELINE = false;
    bool REP_NOTDOTNEWLINE = false;
    bool FEL_TRIMLEFT = false;
    bool FEL_TRIMLEFT_FPSPACE = false;
    bool FEL_TRIMLEFT_TAB = false;
    bool FEL_TRIMLEFT_ZERO = false;
    bool FEL_TRIMLEFT_FPZERO = false;
    bool FEL_TRIMRIGHT = false;
    bool FEL_TRIMRIGHT_FPSPACE = false;
    bool FEL_TRIMRIGHT_TAB = false;
    bool FEL_SORTASC = false;
    bool FEL_SORTDSC = false;
    bool FEL_UNIQ = false;
    bool FEL_DELBLANKLINE = false;
    bool TAB4SPACE = false;
    bool TAB8SPACE = false;
    bool LC_LF = false;
    bool LC_CR = false;
    bool SHOW_BALLOON = false;
    bool PLAY_SOUND = false;
    std::wstring PLAY_SOUND_FNAME;
    bool SHOW_FLOATING = false;
    int ALPHA_FLOATING = 255;
    int ALPHA_FLOATING2 = 255;
    int LEFT_FLOATING = -32000;
    int TOP_FLOATING = -32000;
    bool CHKCLOSE_FLOATING = false;
    int WIDTH_FLOATING = 0;
    int HEIGHT_FLOATING = 0;
    bool USE_CMDLINE = false;
    std::wstring CMDLINE;
    int CMDLINE_CHARCODE = 0;
    bool CSVTSV_CHANGEROWCOL = false;
    std::wstring MUL_BY_N = L"1";
    bool NoOpeningDlg = false;
    bool BIGDIALOG = false;
    std::wstring ExcludePrograms; // program file names separated by ';' whose copies are left as they are
};

extern SettingsRecord Settings;

// The per-line formatting options in menu order: first the trims, sorts and the removal of repeated and blank lines
// (the first kResettableLineOptions, which the "/C" switches turn off), then tab expansion and line feeds.
using SettingsFlag = bool SettingsRecord::*;
inline constexpr SettingsFlag kLineOptions[] = {
    &SettingsRecord::FEL_TRIMLEFT,
    &SettingsRecord::FEL_TRIMLEFT_FPSPACE,
    &SettingsRecord::FEL_TRIMLEFT_TAB,
    &SettingsRecord::FEL_TRIMLEFT_ZERO,
    &SettingsRecord::FEL_TRIMLEFT_FPZERO,
    &SettingsRecord::FEL_TRIMRIGHT,
    &SettingsRecord::FEL_TRIMRIGHT_FPSPACE,
    &SettingsRecord::FEL_TRIMRIGHT_TAB,
    &SettingsRecord::FEL_SORTASC,
    &SettingsRecord::FEL_SORTDSC,
    &SettingsRecord::FEL_UNIQ,
    &SettingsRecord::FEL_DELBLANKLINE,
    &SettingsRecord::TAB4SPACE,
    &SettingsRecord::TAB8SPACE,
    &SettingsRecord::LC_LF,
    &SettingsRecord::LC_CR,
};
inline constexpr size_t kResettableLineOptions = 12;

inline bool AnyLineOption(const SettingsRecord& s) {
    for (SettingsFlag option : kLineOptions)
        if (s.*option) return true;
    return false;
}

// Calls visit(key, field, default) for all 62 keys in store order; keys added later come last. Integer defaults are
// int, string defaults const wchar_t*. BIGDIALOG's default is the field's current value.
template <class Visitor> void VisitSettingsKeys(SettingsRecord& s, Visitor&& visit) {
    visit(L"FileFolderCopy", s.FileFolderCopy, 0);
    visit(L"CBWatchEnabled", s.CBWatchEnabled, 1);
    visit(L"MultiDiv", s.MultiDiv, 0);
    visit(L"MultiDivSec", s.MultiDivSec, 0);
    visit(L"Delay1Sec", s.Delay1Sec, 0);
    visit(L"StrConvID", s.StrConvID, L"");
    visit(L"DelSpace", s.DelSpace, 0);
    visit(L"DelEnter", s.DelEnter, 0);
    visit(L"DelTab", s.DelTab, 0);
    visit(L"SK1_SHIFT", s.SK1_SHIFT, 0);
    visit(L"SK1_CTRL", s.SK1_CTRL, 0);
    visit(L"SK1_ALT", s.SK1_ALT, 0);
    visit(L"SK1_VKEY", s.SK1_VKEY, 0);
    visit(L"SK2_SHIFT", s.SK2_SHIFT, 0);
    visit(L"SK2_CTRL", s.SK2_CTRL, 0);
    visit(L"SK2_ALT", s.SK2_ALT, 0);
    visit(L"SK2_VKEY", s.SK2_VKEY, 0);
    visit(L"REP_REP", s.REP_REP, 0);
    visit(L"REP_BEFORE", s.REP_BEFORE, L"");
    visit(L"REP_AFTER", s.REP_AFTER, L"");
    visit(L"REP_ICASE", s.REP_ICASE, 0);
    visit(L"REP_SINGLELINE", s.REP_SINGLELINE, 0);
    visit(L"REP_NOTDOTNEWLINE", s.REP_NOTDOTNEWLINE, 0);
    visit(L"FEL_TRIMLEFT", s.FEL_TRIMLEFT, 0);
    visit(L"FEL_TRIMLEFT_FPSPACE", s.FEL_TRIMLEFT_FPSPACE, 0);
    visit(L"FEL_TRIMLEFT_TAB", s.FEL_TRIMLEFT_TAB, 0);
    visit(L"FEL_TRIMLEFT_ZERO", s.FEL_TRIMLEFT_ZERO, 0);
    visit(L"FEL_TRIMLEFT_FPZERO", s.FEL_TRIMLEFT_FPZERO, 0);
    visit(L"FEL_TRIMRIGHT", s.FEL_TRIMRIGHT, 0);
    visit(L"FEL_TRIMRIGHT_FPSPACE", s.FEL_TRIMRIGHT_FPSPACE, 0);
    visit(L"FEL_TRIMRIGHT_TAB", s.FEL_TRIMRIGHT_TAB, 0);
    visit(L"FEL_SORTASC", s.FEL_SORTASC, 0);
    visit(L"FEL_SORTDSC", s.FEL_SORTDSC, 0);
    visit(L"FEL_UNIQ", s.FEL_UNIQ, 0);
    visit(L"FEL_DELBLANKLINE", s.FEL_DELBLANKLINE, 0);
    visit(L"TAB4SPACE", s.TAB4SPACE, 0);
    visit(L"TAB8SPACE", s.TAB8SPACE, 0);
    visit(L"LC_LF", s.LC_LF, 0);
    visit(L"LC_CR", s.LC_CR, 0);
    visit(L"SHOW_BALLOON", s.SHOW_BALLOON, 0);
    visit(L"PLAY_SOUND", s.PLAY_SOUND, 0);
    visit(L"PLAY_SOUND_FNAME", s.PLAY_SOUND_FNAME, L"");
    visit(L"SHOW_FLOATING", s.SHOW_FLOATING, 0);
    visit(L"ALPHA_FLOATING", s.ALPHA_FLOATING, 255);
    visit(L"ALPHA_FLOATING2", s.ALPHA_FLOATING2, 255);
    visit(L"LEFT_FLOATING", s.LEFT_FLOATING, -32000);
    visit(L"TOP_FLOATING", s.TOP_FLOATING, -32000);
    visit(L"CHKCLOSE_FLOATING", s.CHKCLOSE_FLOATING, 0);
    visit(L"WIDTH_FLOATING", s.WIDTH_FLOATING, 0);
    visit(L"HEIGHT_FLOATING", s.HEIGHT_FLOATING, 0);
    visit(L"USE_CMDLINE", s.USE_CMDLINE, 0);
    visit(L"CMDLINE", s.CMDLINE, L"");
    visit(L"CMDLINE_CHARCODE", s.CMDLINE_CHARCODE, 0);
    visit(L"CSVTSV_CHANGEROWCOL", s.CSVTSV_CHANGEROWCOL, 0);
    visit(L"MUL_BY_N", s.MUL_BY_N, L"1");
    visit(L"NoOpeningDlg", s.NoOpeningDlg, 0);
    visit(L"BIGDIALOG", s.BIGDIALOG, s.BIGDIALOG ? 1 : 0);
    visit(L"SK3_SHIFT", s.SK3_SHIFT, 0);
    visit(L"SK3_CTRL", s.SK3_CTRL, 0);
    visit(L"SK3_ALT", s.SK3_ALT, 0);
    visit(L"SK3_VKEY", s.SK3_VKEY, 0);
    visit(L"ExcludePrograms", s.ExcludePrograms, L"");
}

// Fills every field from the store chosen by useIniFile; never fails, unreadable keys take their defaults.
void LoadSettings();
// Writes every field; true when all writes succeeded or nothing was to be written (non-save mode).
bool SaveSettings();
// A multiplier is written with the digits 0 to 9 and full stops only, and is not empty.
bool IsMultiplierText(const std::wstring& text);
// The load-time rules of the key table (allowed intervals, opacity range, MUL_BY_N characters).
void NormaliseSettings(SettingsRecord& s);
