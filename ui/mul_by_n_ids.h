// Control ids of the multiply-by-N dialog (141 Japanese, 142 English), shared by its resource script and its code.
#pragma once

#define IDD_MUL_BY_N_JA 141
#define IDD_MUL_BY_N_EN 142

#define IDC_MULTIPLIER 1035
#define IDC_MUL_BY_N_HELP 9
