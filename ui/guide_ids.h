// Control ids of the already-running dialog (145 Japanese, 146 English) and the opening dialog (147), shared by
// their resource script and their code.
#pragma once
#include "../base/commands.h"

#define IDD_ALREADY_RUNNING_JA 145
#define IDD_ALREADY_RUNNING_EN 146
#define IDD_OPENING 147

#define IDC_WARNING_ICON 1039
#define IDC_GUIDE_OLD 1042
#define IDC_GUIDE_NEW 1043
#define IDC_NO_OPENING_DIALOG 1038
#define IDC_FORCE_EXIT 6           // the dialog's result asks the second start to end the running instance
#define IDC_RUNNING_SETTINGS IDM_SETTINGS // the running instance's settings command
