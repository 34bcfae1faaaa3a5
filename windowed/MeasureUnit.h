// CMeasureUnit: the size entry, one window holding a CNumEdit, a drop-down
// list of units and a "..." button that opens the unit menu. It takes over a
// placeholder control of the dialog; the value, its unit, the conversions
// and the limits are CUnitValue's, the texts CNumEdit's.
//
// Keyboard: Up and Down in the edit pick the previous or next unit, Space
// opens the unit menu, and Tab and Shift+Tab walk edit, list and button as
// one group within the dialog's tab order.
#pragma once

#include "Controls.h"
#include "Dialog.h"
#include "NumEdit.h"
#include "UnitTable.h"
#include "UnitValue.h"

class CMeasureUnit : public CSubclassWnd {
public:
    CMeasureUnit();
    CMeasureUnit(const CMeasureUnit&) = delete;
    CMeasureUnit& operator=(const CMeasureUnit&) = delete;

    // Takes over the placeholder and creates the edit, the list and the
    // button in it; false when one of them cannot be created. The children
    // are enabled or disabled as the placeholder is, and follow it after.
    bool Bind(HWND placeholder);

    // Copies the table and fills the list with its abbreviations, the first
    // selected. Called once, after binding.
    void SetUnits(const CUnitTable& units);
    // A limit in a unit of its own, kept while the current unit changes.
    void SetMinimum(double value, const CUnitInfo& unit);
    void SetMaximum(double value, const CUnitInfo& unit);
    // The value in any unit; the edit shows it in the current one.
    void SetValue(double value, const CUnitInfo& unit);
    double GetValue(const CUnitInfo& unit) const;

    // The number the user types; the host sets its m_nDecimals.
    CNumEdit m_edit;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Takes a child's keys before the child does.
    class CKeyHook : public CHookWnd, public ::IHookMsgHandler {
    public:
        explicit CKeyHook(CMeasureUnit& owner) : m_owner(owner) {}
        bool HandleHookMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           LRESULT& result) override;

    private:
        CMeasureUnit& m_owner;
    };

    bool CreateChildren();
    void Layout() const;
    // The window that Tab (or Shift+Tab with `shift`) moves to from `child`
    // inside the group, or null when the dialog's navigation takes it on.
    HWND TabTarget(HWND child, bool shift) const;
    bool OnChildKey(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnUnitSelected();
    void ShowUnitMenu();
    void TakeFocus(HWND previous) const;

    // Width of the unit list in pixels.
    int m_listWidth = 50;
    CComboBox m_combo;
    CButton m_button;
    CUnitValue m_value;
    CKeyHook m_editKeys;
    CKeyHook m_comboKeys;
    CKeyHook m_buttonKeys;
};

// Binds `control` to the placeholder control `id`, on the first exchange only.
void DDX_Control(CDataExchange& dx, int id, CMeasureUnit& control);
