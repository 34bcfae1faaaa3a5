#include "UnitTable.h"

#include <cassert>
#include <cstring>

void CUnitTable::AddUnit(const char* name, const char* abbreviation, double factor, bool isBase)
{
    // Every conversion divides by a factor.
    assert(factor > 0);
    m_units.push_back(CUnitInfo{name, abbreviation, factor});
    if (isBase)
        m_baseFactor = factor;
}

const CUnitInfo* CUnitTable::FindUnit(const char* abbreviation) const
{
    for (const CUnitInfo& unit : m_units)
        if (std::strcmp(unit.m_abbreviation, abbreviation) == 0)
            return &unit;
    return nullptr;
}

void AddByteUnits(CUnitTable& table)
{
    table.AddUnit("byte", "B", 1.0, true);
    table.AddUnit("kilobyte", "kB", 1024.0, false);
    table.AddUnit("megabyte", "MB", 1048576.0, false);
    table.AddUnit("gigabyte", "GB", 1073741824.0, false);
}
