// Resource IDs of the layer's demo program.
#pragma once

#define IDD_DEMO 100
#define IDC_STATE 1001
#define IDC_ASK 1002
#define IDC_UNHOOK 1003
#define IDC_DESTROY 1004

#define IDS_EXISTS 2048
#define IDS_CREATING 2049
#define IDS_YES 16384
#define IDS_NO 16385
#define IDS_YES_TO_ALL 16386
