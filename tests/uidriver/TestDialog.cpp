// The UI driver's test program. It asks in a message box whether to open its
// dialog (No ends it with exit code 3), shows a dialog with an edit, a sorted
// combo box, a list box, a progress bar and a disabled button, and keeps a
// line that echoes every change. OK shows that line in a box and ends with
// exit code 42; Cancel and the close box end with 4.
#include "TestDialog.h"

#include <windows.h>
#include <commctrl.h>

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

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Fill(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (HIWORD(w)) {
        case EN_CHANGE:
        case CBN_SELCHANGE: // LBN_SELCHANGE has the same code
            ShowState(dialog);
            return TRUE;
        case BN_CLICKED:
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
