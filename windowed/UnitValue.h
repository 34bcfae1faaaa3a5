// CUnitValue: what the size control with its unit list knows without its
// windows. The edit's number means an amount of the current unit; the value
// goes in and out in any unit of the table, the unit menu converts the number
// to another unit, and the limits, each given in a unit of its own, follow
// the current unit.
#pragma once

#include "NumText.h"
#include "UnitTable.h"

class CUnitValue {
public:
    // `number` is the edit's: its value is always in the current unit.
    explicit CUnitValue(CNumText& number);

    // Copies `units`; the first becomes the current unit.
    void SetUnits(const CUnitTable& units);
    const CUnitTable& GetUnits() const { return m_units; }

    // The index of the current unit, -1 while there is none.
    int GetCurrentUnit() const { return m_current; }
    // The unit list selected another unit: the number stays and now means
    // that unit; the limits follow.
    void SelectUnit(int index);

    // A limit in the unit of the table with the abbreviation of `unit`; a
    // unit the table lacks leaves the edit's limit on that side as it is.
    void SetMinimum(double value, const CUnitInfo& unit);
    void SetMaximum(double value, const CUnitInfo& unit);

    // The value in `unit` (its factor taken as it is, without lookup).
    void SetValue(double value, const CUnitInfo& unit);
    double GetValue(const CUnitInfo& unit) const;

    // The unit menu: one item per unit in table order, with the command
    // MenuCommand(index) (the menu's 0 means it was dismissed) and the
    // current value written in that unit: "1.39 MB".
    static unsigned MenuCommand(unsigned index) { return index + 1; }
    CStr GetMenuItemText(unsigned index) const;
    // The menu's answer: a unit's command converts the number to that unit
    // and makes it current; 0 (dismissed) changes nothing.
    void OnMenuCommand(unsigned command);

private:
    double CurrentFactor() const;
    void ApplyLimits();

    CNumText& m_number;
    CUnitTable m_units;
    int m_current = -1;
    // The limits in base units, while their units are in the table.
    bool m_hasMinimum = false;
    double m_minimum = 0.0;
    bool m_hasMaximum = false;
    double m_maximum = 0.0;
};
