// Resource ids of the UI driver's test dialog.
#pragma once

#define IDD_TEST 100
#define IDT_NAME 1000
#define IDT_SIZE 1001
#define IDT_CHUNKS 1002
#define IDT_STATE 1003
#define IDT_LOCKED 1004
#define IDT_PROGRESS 1005
#define IDT_KEEP 1006
#define IDT_MENU 1007
#define IDT_EVENT 1008

// The command of the entry the dialog adds to its system menu.
#define IDT_ABOUT_COMMAND 16
