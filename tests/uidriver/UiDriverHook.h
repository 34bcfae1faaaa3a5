// What the UI driver asks of the program it drives from inside that program:
// a few things Windows keeps per process and that another process cannot
// reach. Menus live in their program (reading another program's menu fails
// under Wine), and the files of a WM_DROPFILES travel in a global memory
// block that must belong to the program that receives it. The cursor is the
// one the program's thread set, and a window's pixels are read where they
// are drawn.
//
// The driver loads uidriver-hook.dll, hooks the thread of the window it asks
// (WH_CALLWNDPROC, which loads the DLL into that program) and sends the
// window kRequestMessage with the request in wParam and its own process id
// in lParam. The hook answers in the shared block named by that process id,
// before the sent message returns.
#pragma once

#include <windows.h>

const wchar_t kRequestMessage[] = L"DravikUiDriver.Request";
const char kHookProcName[] = "UiDriverHook";

enum ERequest {
    requestSystemMenu = 1, // the window's system menu
    requestPopupMenu,      // the menu of a popup menu window (class #32768)
    requestDropFiles,      // posts WM_DROPFILES with CExchange::files
    requestCursor,         // describes the thread's cursor in CExchange::answer
    requestInk,            // describes the window's text colour in CExchange::answer
};

const unsigned kMaxMenuItems = 64;
const unsigned kMaxText = 256;

struct CMenuItemInfo {
    UINT id;
    UINT type;  // MFT_* (MFT_SEPARATOR)
    UINT state; // MFS_* (MFS_DISABLED, MFS_CHECKED)
    BOOL submenu;
    wchar_t text[kMaxText];
};

struct CExchange {
    BOOL answered; // set by the hook
    UINT itemCount;
    CMenuItemInfo items[kMaxMenuItems];
    // The dropped files: each path ends with a NUL, the list with a second.
    wchar_t files[32768];
    // What requestCursor and requestInk saw, as the driver prints it.
    char answer[kMaxText];
};

// The shared block's name for the driver with this process id.
inline void ExchangeName(DWORD driverProcess, wchar_t (&name)[64])
{
    wsprintfW(name, L"Local\\DravikUiDriver.%lu", driverProcess);
}
