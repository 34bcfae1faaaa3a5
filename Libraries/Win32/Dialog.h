// CDialog: a modal dialog from a resource or from a template in memory. The
// object stores itself in the window at WM_INITDIALOG and forwards messages
// to its virtual handlers; the colour messages (WM_CTLCOLOR*) it does not
// handle go back to their control, reflected (kReflectBase). Data exchange moves values between members and
// controls (DoDataExchange, UpdateData) and binds control objects to their
// control IDs.
#pragma once

#include "Str.h"
#include "Wnd.h"

#include <windows.h>

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool save) : m_dialog(dialog), m_save(save) {}
    CDialog& GetDialog() const { return m_dialog; }
    // True while controls are read into members, false while members are
    // shown in the controls.
    bool IsSaving() const { return m_save; }

private:
    CDialog& m_dialog;
    bool m_save;
};

// The text of control `id` and the member `value`.
void DDX_Text(CDataExchange& dx, int id, CStr& value);
// Binds `control` to control `id`, on the first exchange only.
void DDX_Control(CDataExchange& dx, int id, CWnd& control);
void DDX_Control(CDataExchange& dx, int id, CSubclassWnd& control);

class CDialog : public CWnd {
public:
    CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    virtual ~CDialog() {}

    // Both return the value the dialog ended with, -1 when it could not be
    // shown.
    INT_PTR DoModal(HINSTANCE instance, int templateId, HWND owner);
    INT_PTR DoModalIndirect(const void* dialogTemplate, HWND owner);
    void EndDialog(INT_PTR result) const { ::EndDialog(m_window, result); }

    // Reads the controls into the members (save) or shows the members.
    void UpdateData(bool save);
    HWND GetItem(int id) const { return GetDlgItem(m_window, id); }
    // Centres the dialog over its owner, or the work area when it has none.
    void CenterWindow() const;

protected:
    // Returns TRUE to give the first control with a tab stop the focus.
    virtual BOOL OnInitDialog();
    // Returns true when the command was handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK();
    virtual void OnCancel();
    // Every other message; return true when handled, with `result` as the
    // dialog procedure's answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    virtual void DoDataExchange(CDataExchange& dx);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
