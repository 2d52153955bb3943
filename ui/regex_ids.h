// Control ids of the regular-expression dialog (136 Japanese, 137 English), shared by its resource script and its
// code.
#pragma once

#define IDD_REGEX_JA 136
#define IDD_REGEX_EN 137

#define IDC_REGEX_BEFORE 1005        // editable combo box: the pattern and its history
#define IDC_REGEX_AFTER 1006         // editable combo box: the replacement format and its history
#define IDC_REGEX_ICASE 1007         // check box: ignore case
#define IDC_REGEX_ENABLE 1008        // check box: the replacement is applied to each copy
#define IDC_REGEX_SINGLELINE 1009    // check box: the whole text is one line
#define IDC_REGEX_NOTDOTNEWLINE 1010 // check box: "." does not match a line break
#define IDC_REGEX_TEMPLATES 1011     // drop-down list of the templates
#define IDC_REGEX_TEMPLATE_LABEL 1032
#define IDC_REGEX_BEFORE_LABEL 1033
#define IDC_REGEX_AFTER_LABEL 1034
#define IDC_REGEX_HELP 9
