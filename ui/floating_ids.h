// Control ids of the floating button (dialog 140, one for both languages), shared by its resource script and its code.
#pragma once
#include "../base/commands.h"

#define IDD_FLOATING 140

#define IDC_FLOATING_ICON IDM_PROCESS_NOW // its id is the command it stands for: rewrite the clipboard now
#define IDC_FLOATING_VIEWER 1040
