// Resource IDs and texts of the About box (About.rc), shared by the
// programs that show it. The maker's addresses and notice are the ones the
// stub's dialog and the console banner show.
#pragma once

#define IDD_ABOUTBOX 100
#define IDI_DRAVIKON 101 // the program's icon: the first one, the one the shell shows
#define IDI_MAKER 102    // beside the maker's notice: the stub's icon, as the stub shows it
#define IDR_LINK_HAND 103 // the cursor over a link

#define IDC_WEB_LINK 1015
#define IDC_MAIL_LINK 1016

#define DRAVIKON_MAKER "The Dravikon developers, 2002-2026"
#define DRAVIKON_WEB "https://dravikon.example.org"
#define DRAVIKON_MAIL "dravikon@example.org"
