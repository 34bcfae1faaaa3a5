// CUnitTable: the units a size can be typed in (bytes, kilobytes, ...), each
// with its abbreviation and its size in base units.
#pragma once

#include "Str.h"

#include <vector>

class CUnitInfo {
public:
    CStr m_name;         // "kilobyte"
    CStr m_abbreviation; // "kB": shown in the unit list and menu, the key of every lookup
    double m_factor;     // the size of one such unit in base units
};

class CUnitTable {
public:
    // Appends a unit; with `isBase` the table's base factor becomes `factor`.
    void AddUnit(const char* name, const char* abbreviation, double factor, bool isBase);

    // The first unit whose abbreviation is `abbreviation` exactly (case
    // counts: "MB" is not "mb"), or null.
    const CUnitInfo* FindUnit(const char* abbreviation) const;

    unsigned GetCount() const { return static_cast<unsigned>(m_units.size()); }
    const CUnitInfo& operator[](unsigned index) const { return m_units[index]; }
    double GetBaseFactor() const { return m_baseFactor; }

private:
    std::vector<CUnitInfo> m_units;
    double m_baseFactor = 1.0;
};

// Adds "B", "kB", "MB" and "GB" in this order, bytes as the base unit.
void AddByteUnits(CUnitTable& table);
