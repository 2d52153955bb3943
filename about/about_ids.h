// Control and timer ids of the About box; the tests drive it by them.
#pragma once

#define IDC_ABOUT_VERSION 2002      // the version text (edit)
#define IDC_ABOUT_LINKS 2003        // the maker's addresses (SysLink)
#define IDC_ABOUT_NOTICE 2004       // the notice text (edit)
#define IDC_ABOUT_ENVIRONMENT 2005  // copies the environment report
#define IDC_ABOUT_CONTRIBUTION 2006 // SysLink
#define IDC_ABOUT_ICON 2007
#define IDC_ABOUT_FEEDBACK 2009 // SysLink
#define TIMER_ABOUT_LINK_LOCK 2008
