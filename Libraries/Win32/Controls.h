// The common controls our dialogs use, as thin as the messages they wrap.
// None owns its window (see CWnd).
#pragma once

#include "Wnd.h"

#include <commctrl.h>

class CStatic : public CWnd {
public:
    void SetIcon(HICON icon) const { Send(STM_SETICON, reinterpret_cast<WPARAM>(icon)); }
};

class CEdit : public CWnd {
public:
    void SetLimitText(unsigned limit) const { Send(EM_SETLIMITTEXT, limit); }
    void SetSel(int start, int end) const { Send(EM_SETSEL, start, end); }
};

class CButton : public CWnd {
public:
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetCheck(bool checked) const { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text) const
    {
        return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    void SetItemData(int index, LPARAM data) const { Send(CB_SETITEMDATA, index, data); }
    // CB_ERR (-1) for an index with no item.
    LPARAM GetItemData(int index) const { return Send(CB_GETITEMDATA, index); }
    void SetCurSel(int index) const { Send(CB_SETCURSEL, index); }
    int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    void ResetContent() const { Send(CB_RESETCONTENT); }
};

class CListBox : public CWnd {
public:
    int AddString(const char* text) const
    {
        return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
    void ResetContent() const { Send(LB_RESETCONTENT); }
};

class CStatusBarCtrl : public CWnd {
public:
    bool GetRect(int pane, RECT* rect) const
    {
        return Send(SB_GETRECT, pane, reinterpret_cast<LPARAM>(rect)) != 0;
    }
    // Low word: the text's length; high word: its drawing type (SBT_*).
    DWORD GetTextLength(int pane) const { return static_cast<DWORD>(Send(SB_GETTEXTLENGTHA, pane)); }
    void GetPaneText(int pane, char* text) const
    {
        Send(SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(text));
    }
    void SetPaneText(int pane, const char* text, WORD type) const
    {
        Send(SB_SETTEXTA, pane | type, reinterpret_cast<LPARAM>(text));
    }
    void SetParts(int count, const int* rightEdges) const
    {
        Send(SB_SETPARTS, count, reinterpret_cast<LPARAM>(rightEdges));
    }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(int low, int high) const { Send(PBM_SETRANGE32, low, high); }
    void SetStep(int step) const { Send(PBM_SETSTEP, step); }
    int SetPos(int pos) const { return static_cast<int>(Send(PBM_SETPOS, pos)); }
    int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
};
