#include "UnitValue.h"

CUnitValue::CUnitValue(CNumText& number) : m_number(number) {}

void CUnitValue::SetUnits(const CUnitTable& units)
{
    m_units = units;
    m_current = m_units.GetCount() ? 0 : -1;
    ApplyLimits();
}

void CUnitValue::SelectUnit(int index)
{
    m_current = (index >= 0 && static_cast<unsigned>(index) < m_units.GetCount()) ? index : -1;
    ApplyLimits();
}

void CUnitValue::SetMinimum(double value, const CUnitInfo& unit)
{
    const CUnitInfo* own = m_units.FindUnit(unit.m_abbreviation);
    m_hasMinimum = own != nullptr;
    if (own)
        m_minimum = own->m_factor * value;
    ApplyLimits();
}

void CUnitValue::SetMaximum(double value, const CUnitInfo& unit)
{
    const CUnitInfo* own = m_units.FindUnit(unit.m_abbreviation);
    m_hasMaximum = own != nullptr;
    if (own)
        m_maximum = value * own->m_factor;
    ApplyLimits();
}

void CUnitValue::SetValue(double value, const CUnitInfo& unit)
{
    m_number.SetValue(value * unit.m_factor / CurrentFactor());
}

double CUnitValue::GetValue(const CUnitInfo& unit) const
{
    return m_number.GetValue() * CurrentFactor() / unit.m_factor;
}

CStr CUnitValue::GetMenuItemText(unsigned index) const
{
    const CUnitInfo& unit = m_units[index];
    CStr text = FormatPlain(GetValue(unit), m_number.m_nDecimals);
    text += " ";
    text += unit.m_abbreviation;
    return text;
}

void CUnitValue::OnMenuCommand(unsigned command)
{
    if (command == 0 || command > m_units.GetCount())
        return;
    unsigned index = command - 1;
    m_number.SetValue(GetValue(m_units[index]));
    m_current = static_cast<int>(index);
    ApplyLimits();
}

// Without a current unit (an empty table) numbers mean base units.
double CUnitValue::CurrentFactor() const
{
    return m_current >= 0 ? m_units[m_current].m_factor : m_units.GetBaseFactor();
}

void CUnitValue::ApplyLimits()
{
    if (m_hasMaximum) {
        double maximum = m_maximum / CurrentFactor();
        m_number.SetMaximum(maximum);
        if (m_number.GetValue() > maximum)
            m_number.SetValue(maximum);
    }
    if (m_hasMinimum) {
        double minimum = m_minimum / CurrentFactor();
        m_number.SetMinimum(minimum);
        if (minimum > m_number.GetValue())
            m_number.SetValue(minimum);
    }
}
