// Resource IDs of the main dialog (Dravikon.rc). The texts are the string
// table's (StringIds.h), the icons and the About box AboutRes.h's.
#pragma once

#define IDD_DRAVIKON 102

#define IDC_PATH 1000
#define IDC_MEDIA 1002
#define IDC_CHUNK_LIST 1003
#define IDC_BROWSE 1004
#define IDC_SPLIT 1005
#define IDC_CHUNK_SIZE 1009

// The About entry of the system menu. System commands keep their low four
// bits for the system, so ours is a multiple of 16 below 0xF000.
#define IDM_ABOUTBOX 0x0010
