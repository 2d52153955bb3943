// Resource ids of icons, pictures, menus and dialogs.
#pragma once

#define IDI_APP 107
#define IDI_WATCH_ON 131
#define IDI_WATCH_OFF 132
#define IDI_DONE 133

#define IDM_MENU_JA 129
#define IDM_MENU_EN 130

#define IDB_BITMAP_142 142
#define IDB_BITMAP_148 148
#define IDP_GUIDE_OLD 143 // PNG, named type "RT_RCDATA"
#define IDP_GUIDE_NEW 144

