// The UI driver's test program. It asks in a message box whether to open its
// dialog (No ends it with exit code 3), shows a dialog with an edit, a sorted
// combo box, a list box, a progress bar and a disabled button, and keeps a
// line that echoes every change. OK shows that line in a box and ends with
// exit code 42; Cancel and the close box end with 4.
//
// For the driver's menus, keys and drops: checking "Keep parts" enables
// "Locked" and unchecking disables it, both a moment later; "Menu..." opens a
// popup menu; the system menu has an entry of the dialog's own; the dialog
// accepts dropped files. A second line tells the last of these events.
#include "TestDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace {

const wchar_t kBoxTitle[] = L"UI driver test";

std::wstring ControlText(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

std::wstring ListText(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDT_CHUNKS);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return L"";
    wchar_t text[256] = L"";
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

void ShowState(HWND dialog)
{
    std::wstring state = L"name=" + ControlText(dialog, IDT_NAME) +
                         L" size=" + ControlText(dialog, IDT_SIZE) + L" chunk=" + ListText(dialog);
    SetDlgItemTextW(dialog, IDT_STATE, state.c_str());
}

void Fill(HWND dialog)
{
    // Added unsorted: the combo box sorts them, "3½"" first.
    const wchar_t* sizes[] = {L"Iomega zip disk 95 MB", L"5\u00BC\" floppy 360 kB",
                              L"3\u00BD\" floppy 1.44 MB"};
    for (const wchar_t* size : sizes)
        SendDlgItemMessageW(dialog, IDT_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
    SendDlgItemMessageW(dialog, IDT_SIZE, CB_SETCURSEL, 0, 0);
    const wchar_t* chunks[] = {L"first", L"second", L"third"};
    for (const wchar_t* chunk : chunks)
        SendDlgItemMessageW(dialog, IDT_CHUNKS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(chunk));
    SendDlgItemMessageW(dialog, IDT_PROGRESS, PBM_SETPOS, 40, 0);
    ShowState(dialog);
}

const UINT_PTR kEnableTimer = 1;
const UINT kEnableDelayMs = 300;

void ShowEvent(HWND dialog, const std::wstring& event)
{
    SetDlgItemTextW(dialog, IDT_EVENT, event.c_str());
}

void AddSystemMenuEntry(HWND dialog)
{
    HMENU menu = GetSystemMenu(dialog, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDT_ABOUT_COMMAND, L"About the test dialog...");
}

// Below the button, as a menu button opens it; the chosen entry is told.
void ShowPopupMenu(HWND dialog)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"&Open");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 2, L"&Remove");
    AppendMenuW(menu, MF_STRING, 3, L"&Clear list");
    AppendMenuW(menu, MF_STRING | MF_CHECKED, 4, L"&Sorted");
    RECT button;
    GetWindowRect(GetDlgItem(dialog, IDT_MENU), &button);
    UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left,
                       button.bottom, 0, dialog, nullptr));
    wchar_t text[64] = L"none";
    if (chosen)
        GetMenuStringW(menu, chosen, text, 64, MF_BYCOMMAND);
    DestroyMenu(menu);
    ShowEvent(dialog, L"menu: " + std::wstring(text));
}

// "dropped N: NAME NAME ...", the names without their folders.
void ShowDrop(HWND dialog, HDROP drop)
{
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::wstring event = L"dropped " + std::to_wstring(count) + L":";
    for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH] = L"";
        DragQueryFileW(drop, i, path, MAX_PATH);
        std::wstring name = path;
        event += L" " + name.substr(name.find_last_of(L"\\/") + 1);
    }
    DragFinish(drop);
    ShowEvent(dialog, event);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Fill(dialog);
        AddSystemMenuEntry(dialog);
        DragAcceptFiles(dialog, TRUE);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((w & 0xFFF0) == IDT_ABOUT_COMMAND) {
            ShowEvent(dialog, L"system menu: about");
            return TRUE;
        }
        break;
    case WM_DROPFILES:
        ShowDrop(dialog, reinterpret_cast<HDROP>(w));
        return TRUE;
    case WM_TIMER:
        KillTimer(dialog, kEnableTimer);
        EnableWindow(GetDlgItem(dialog, IDT_LOCKED),
                     IsDlgButtonChecked(dialog, IDT_KEEP) == BST_CHECKED);
        return TRUE;
    case WM_COMMAND:
        switch (HIWORD(w)) {
        case EN_CHANGE:
        case CBN_SELCHANGE: // LBN_SELCHANGE has the same code
            ShowState(dialog);
            return TRUE;
        case BN_CLICKED:
            if (LOWORD(w) == IDT_KEEP) {
                SetTimer(dialog, kEnableTimer, kEnableDelayMs, nullptr);
                return TRUE;
            }
            if (LOWORD(w) == IDT_MENU) {
                ShowPopupMenu(dialog);
                return TRUE;
            }
            if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
                if (LOWORD(w) == IDOK) {
                    std::wstring text = L"Saved: " + ControlText(dialog, IDT_STATE);
                    MessageBoxW(dialog, text.c_str(), kBoxTitle, MB_OK | MB_ICONINFORMATION);
                }
                EndDialog(dialog, LOWORD(w));
                return TRUE;
            }
        }
        break;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (MessageBoxW(nullptr, L"Open the test dialog?", kBoxTitle,
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 3;
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TEST), nullptr, DialogProc, 0);
    return result == IDOK ? 42 : 4;
}
