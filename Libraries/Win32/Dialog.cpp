#include "Dialog.h"

void DDX_Text(CDataExchange& dx, int id, CStr& value)
{
    CWnd control(dx.GetDialog().GetItem(id));
    if (dx.IsSaving())
        value = control.GetText();
    else
        control.SetText(value);
}

void DDX_Control(CDataExchange& dx, int id, CWnd& control)
{
    if (!control.GetHwnd())
        control.Attach(dx.GetDialog().GetItem(id));
}

void DDX_Control(CDataExchange& dx, int id, CSubclassWnd& control)
{
    if (!control.GetHwnd())
        control.Subclass(dx.GetDialog().GetItem(id));
}

namespace {

BOOL CALLBACK PassSettingChange(HWND child, LPARAM message)
{
    const MSG* change = reinterpret_cast<const MSG*>(message);
    SendMessageA(child, change->message, change->wParam, change->lParam);
    return TRUE;
}

} // namespace

INT_PTR CDialog::DoModal(HINSTANCE instance, int templateId, HWND owner)
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModalIndirect(const void* dialogTemplate, HWND owner)
{
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                   static_cast<LPCDLGTEMPLATEA>(dialogTemplate), owner,
                                   &DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::UpdateData(bool save)
{
    CDataExchange dx(*this, save);
    DoDataExchange(dx);
}

void CDialog::CenterWindow() const
{
    RECT area;
    HWND owner = GetWindow(m_window, GW_OWNER);
    if (!owner || !GetWindowRect(owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT own;
    GetWindowRect(m_window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    SetWindowPos(m_window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

bool CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

void CDialog::DoDataExchange(CDataExchange&) {}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->m_window = window;
        return dialog->OnInitDialog();
    }
    CDialog* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    INT_PTR result = FALSE;
    switch (message) {
    case WM_COMMAND:
        return dialog->OnCommand(wParam, lParam) ? TRUE : FALSE;
    case WM_SETTINGCHANGE: {
        // The system tells only top-level windows that the user changed a
        // setting (the number format, say): every control of the dialog
        // hears it too.
        MSG change = {window, message, wParam, lParam, 0, {0, 0}};
        EnumChildWindows(window, &PassSettingChange, reinterpret_cast<LPARAM>(&change));
        break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        // The dialog first; else the control may colour itself. A brush is
        // the dialog procedure's answer as it is, no brush the default.
        if (dialog->OnMessage(message, wParam, lParam, result))
            return result;
        return static_cast<INT_PTR>(
            SendMessageA(reinterpret_cast<HWND>(lParam), kReflectBase + message, wParam, lParam));
    case WM_NCDESTROY:
        dialog->OnMessage(message, wParam, lParam, result);
        dialog->m_window = nullptr;
        return FALSE;
    }
    return dialog->OnMessage(message, wParam, lParam, result) ? result : FALSE;
}
