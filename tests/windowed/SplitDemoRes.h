// Resource IDs of the split demo (its texts come from the windowed
// splitter's string table).
#pragma once

#define IDD_SPLITDEMO 200
#define IDC_PATH 1000
#define IDC_CHUNK_SIZE 1001
#define IDC_CHUNKS 1003
#define IDC_SPLIT 1005
#define IDC_STOP 1006
#define IDC_STATE 1007
