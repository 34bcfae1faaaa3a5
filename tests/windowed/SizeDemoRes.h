// Resource IDs of the size entry's demo program.
#pragma once

#define IDD_SIZEDEMO 100
#define IDC_NAME 1000
#define IDC_USER_DEFINED 1002
#define IDC_SIZE_ENTRY 1009
#define IDC_READ 1012
#define IDC_VALUE 1011
#define IDC_SEPARATORS 1015
