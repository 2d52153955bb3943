// CSV/TSV: transposing rows and columns and multiplying every number by N, one step of the line stage.
#pragma once
#include "convert/lines.h"

#include <string>

// Cuts each line at every comma and tab, transposes when CSVTSV_CHANGEROWCOL is on, multiplies when MUL_BY_N is not
// "1", and rebuilds the lines with TAB when tabs outnumbered commas, else comma.
// The lines then view memory.rebuilt.
void TransposeAndMultiply(const SettingsRecord& settings, LineList& lines, TableMemory& memory);

// printf's "%g" (six significant digits) with a sign and at least three digits in the exponent, whatever the C
// runtime: 2469134 gives "2.46913e+006".
std::wstring FormatNumberG(double value);
