#include "MeasureUnit.h"

#include <cstring>
#include <initializer_list>

namespace {

const int kEditId = 1;
const int kComboId = 2;
const int kButtonId = 3;
// The opened unit list is this many times as high as the control.
const int kListHeightFactor = 10;

HWND CreateChild(HWND parent, DWORD exStyle, const char* className, const char* text,
                 DWORD style, int id)
{
    return CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

CStr SelectedText(const CComboBox& combo)
{
    CStr text;
    int index = combo.GetCurSel();
    if (index == CB_ERR)
        return text;
    LRESULT length = combo.Send(CB_GETLBTEXTLEN, index);
    if (length == CB_ERR)
        return text;
    char* buffer = text.PrepareBuffer(static_cast<unsigned>(length));
    combo.Send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
    return text;
}

bool ShiftDown()
{
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

} // namespace

CMeasureUnit::CMeasureUnit()
    : m_value(m_edit), m_editKeys(*this), m_comboKeys(*this), m_buttonKeys(*this)
{
}

bool CMeasureUnit::Bind(HWND placeholder)
{
    if (!Subclass(placeholder))
        return false;
    // The placeholder paints its own background: not over its children.
    SetWindowLongA(m_window, GWL_STYLE, GetWindowLongA(m_window, GWL_STYLE) | WS_CLIPCHILDREN);
    return CreateChildren();
}

bool CMeasureUnit::CreateChildren()
{
    HWND edit = CreateChild(m_window, WS_EX_CLIENTEDGE, "EDIT", "", ES_AUTOHSCROLL, kEditId);
    m_combo.Attach(CreateChild(m_window, 0, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL,
                               kComboId));
    m_button.Attach(CreateChild(m_window, 0, "BUTTON", "...", BS_PUSHBUTTON, kButtonId));
    if (!edit || !m_combo || !m_button)
        return false;
    // The keys are looked at before the edit's own checks see them.
    if (!m_editKeys.Hook(edit, &m_editKeys) || !m_edit.Subclass(edit) ||
        !m_comboKeys.Hook(m_combo, &m_comboKeys) || !m_buttonKeys.Hook(m_button, &m_buttonKeys))
        return false;
    bool enabled = IsWindowEnabled(m_window) != 0;
    for (HWND child : {edit, m_combo.GetHwnd(), m_button.GetHwnd()}) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()), FALSE);
        EnableWindow(child, enabled);
    }
    Layout();
    return true;
}

void CMeasureUnit::Layout() const
{
    RECT client;
    GetClientRect(m_window, &client);
    int width = client.right;
    int height = client.bottom;
    int side = height - 2 < width ? height - 2 : width;
    if (side < 0)
        side = 0;
    int list = width - side < m_listWidth ? width - side : m_listWidth;
    if (list < 0)
        list = 0;
    MoveWindow(m_combo, width - side - list, 0, list, kListHeightFactor * height, TRUE);
    // The list's closed field sets the height of the row.
    RECT field;
    GetClientRect(m_combo, &field);
    MoveWindow(m_edit, 0, 0, width - side - list, field.bottom, TRUE);
    MoveWindow(m_button, width - side, 1, side, field.bottom - 2, TRUE);
}

void CMeasureUnit::SetUnits(const CUnitTable& units)
{
    m_value.SetUnits(units);
    if (!m_combo.Exists())
        return;
    for (unsigned i = 0; i < units.GetCount(); ++i)
        m_combo.AddString(units[i].m_abbreviation);
    m_combo.SetCurSel(0);
}

void CMeasureUnit::SetMinimum(double value, const CUnitInfo& unit)
{
    m_value.SetMinimum(value, unit);
}

void CMeasureUnit::SetMaximum(double value, const CUnitInfo& unit)
{
    m_value.SetMaximum(value, unit);
}

void CMeasureUnit::SetValue(double value, const CUnitInfo& unit)
{
    m_value.SetValue(value, unit);
}

double CMeasureUnit::GetValue(const CUnitInfo& unit) const
{
    return m_value.GetValue(unit);
}

bool CMeasureUnit::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kEditId:
            if (HIWORD(wParam) == EN_CHANGE)
                m_edit.OnChange();
            break;
        case kComboId:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                OnUnitSelected();
            break;
        case kButtonId:
            if (HIWORD(wParam) == BN_CLICKED)
                ShowUnitMenu();
            break;
        default:
            return false;
        }
        result = 0;
        return true;
    case WM_SIZE:
        Layout();
        return false;
    case WM_ENABLE:
        m_edit.Enable(wParam != 0);
        m_combo.Enable(wParam != 0);
        m_button.Enable(wParam != 0);
        return false;
    case WM_SETFOCUS:
        TakeFocus(reinterpret_cast<HWND>(wParam));
        result = 0;
        return true;
    }
    return false;
}

// The focus that arrives at the control goes on to the button when the
// user walks backwards into it (Shift+Tab from the control after it), else
// to the edit.
void CMeasureUnit::TakeFocus(HWND previous) const
{
    HWND dialog = GetParent(m_window);
    bool backwards = previous && dialog && GetNextDlgTabItem(dialog, m_window, FALSE) == previous;
    SetFocus(backwards ? m_button.GetHwnd() : m_edit.GetHwnd());
}

HWND CMeasureUnit::TabTarget(HWND child, bool shift) const
{
    if (child == m_edit)
        return shift ? nullptr : m_combo.GetHwnd();
    if (child == m_combo)
        return shift ? m_edit.GetHwnd() : m_button.GetHwnd();
    if (child == m_button)
        return shift ? m_combo.GetHwnd() : nullptr;
    return nullptr;
}

bool CMeasureUnit::CKeyHook::HandleHookMsg(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam, LRESULT& result)
{
    return m_owner.OnChildKey(window, message, wParam, lParam, result);
}

bool CMeasureUnit::OnChildKey(HWND child, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result)
{
    switch (message) {
    case WM_GETDLGCODE: {
        // The dialog moves the focus on Tab unless the control asks for the
        // key: the steps inside the group are ours.
        const MSG* key = reinterpret_cast<const MSG*>(lParam);
        if (!key || key->message != WM_KEYDOWN || key->wParam != VK_TAB ||
            !TabTarget(child, ShiftDown()))
            return false;
        CHookWnd& hook = child == m_edit ? m_editKeys : child == m_combo ? m_comboKeys
                                                                          : m_buttonKeys;
        result = hook.CallNext(message, wParam, lParam) | DLGC_WANTTAB;
        return true;
    }
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            HWND target = TabTarget(child, ShiftDown());
            if (!target)
                return false;
            SetFocus(target);
        } else if (child == m_edit && (wParam == VK_UP || wParam == VK_DOWN)) {
            m_combo.Send(WM_KEYDOWN, wParam, lParam);
        } else {
            return false;
        }
        result = 0;
        return true;
    case WM_CHAR:
        if (child != m_edit)
            return false;
        // Space opens the menu on its character, not on its key: the menu
        // would take the character that follows the key as its own Space,
        // which chooses the highlighted item, and close at once.
        if (wParam == ' ')
            ShowUnitMenu();
        else if (wParam != '\t') // the Tab handled above: the edit would beep at it
            return false;
        result = 0;
        return true;
    }
    return false;
}

// The number stays and now means the unit picked in the list.
void CMeasureUnit::OnUnitSelected()
{
    CStr abbreviation = SelectedText(m_combo);
    const CUnitTable& units = m_value.GetUnits();
    int index = -1;
    for (unsigned i = 0; i < units.GetCount() && index < 0; ++i)
        if (std::strcmp(units[i].m_abbreviation, abbreviation) == 0)
            index = static_cast<int>(i);
    m_value.SelectUnit(index);
    SetFocus(m_edit);
}

// The menu converts: the value stays the same amount in the unit chosen.
void CMeasureUnit::ShowUnitMenu()
{
    HMENU menu = CreatePopupMenu();
    if (menu) {
        const CUnitTable& units = m_value.GetUnits();
        for (unsigned i = 0; i < units.GetCount(); ++i)
            AppendMenuA(menu, MF_STRING, CUnitValue::MenuCommand(i), m_value.GetMenuItemText(i));
        RECT button;
        GetWindowRect(m_button, &button);
        UINT command = static_cast<UINT>(TrackPopupMenu(
            menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON,
            button.right, button.top, 0, m_window, nullptr));
        DestroyMenu(menu);
        m_value.OnMenuCommand(command);
        if (command) {
            int index = m_value.GetCurrentUnit();
            LRESULT entry = m_combo.Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(units[index].m_abbreviation.Get()));
            if (entry != CB_ERR)
                m_combo.SetCurSel(static_cast<int>(entry));
        }
    }
    SetFocus(m_edit);
}

void DDX_Control(CDataExchange& dx, int id, CMeasureUnit& control)
{
    if (!control.GetHwnd())
        control.Bind(dx.GetDialog().GetItem(id));
}
