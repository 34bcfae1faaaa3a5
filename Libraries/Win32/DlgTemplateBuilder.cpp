#include "DlgTemplateBuilder.h"

#include <cassert>

namespace {

void WriteU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void WriteU32(std::vector<uint8_t>& out, uint32_t value)
{
    WriteU16(out, static_cast<uint16_t>(value));
    WriteU16(out, static_cast<uint16_t>(value >> 16));
}

void WriteText(std::vector<uint8_t>& out, const std::u16string& text)
{
    for (char16_t c : text)
        WriteU16(out, c);
    WriteU16(out, 0);
}

// Every item starts on a 4-byte boundary; so does the first, after the header.
void AlignTo4(std::vector<uint8_t>& out)
{
    while (out.size() % 4 != 0)
        out.push_back(0);
}

// A rectangle in dialog units: x by 4 per average character width, y by 8
// per character height.
CLayoutRect ToDialogUnits(const CLayoutRect& pixels, const CDialogFontUnits& units)
{
    return {MulDivRound(pixels.left, 4, units.averageWidth),
            MulDivRound(pixels.top, 8, units.height),
            MulDivRound(pixels.right, 4, units.averageWidth),
            MulDivRound(pixels.bottom, 8, units.height)};
}

void WriteRect(std::vector<uint8_t>& out, const CLayoutRect& dialogUnits)
{
    WriteU16(out, static_cast<uint16_t>(dialogUnits.left));
    WriteU16(out, static_cast<uint16_t>(dialogUnits.top));
    WriteU16(out, static_cast<uint16_t>(dialogUnits.Width()));
    WriteU16(out, static_cast<uint16_t>(dialogUnits.Height()));
}

} // namespace

int32_t MulDivRound(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    int64_t half = divisor / 2;
    return static_cast<int32_t>(product >= 0 ? (product + half) / divisor
                                             : (product - half) / divisor);
}

CDlgTemplateBuilder::CDlgTemplateBuilder()
    : m_rect{0, 0, 0, 0}, m_fontHeight(0), m_nextId(0)
{
}

void CDlgTemplateBuilder::SetFont(const std::u16string& faceName, int32_t height)
{
    m_faceName = faceName;
    m_fontHeight = height;
}

uint16_t CDlgTemplateBuilder::AddButton(const CLayoutRect& rect, const std::u16string& text)
{
    return AddItem(rect, kButtonAtom, text);
}

uint16_t CDlgTemplateBuilder::AddStatic(const CLayoutRect& rect, const std::u16string& text)
{
    return AddItem(rect, kStaticAtom, text);
}

uint16_t CDlgTemplateBuilder::AddItem(const CLayoutRect& rect, uint16_t classAtom,
                                      const std::u16string& text)
{
    m_items.push_back({kItemStyle, rect, ++m_nextId, classAtom, text});
    return m_nextId;
}

CDlgTemplateBuilder::CItem* CDlgTemplateBuilder::FindItem(uint16_t id)
{
    for (CItem& item : m_items)
        if (item.id == id)
            return &item;
    return nullptr;
}

const CDlgTemplateBuilder::CItem* CDlgTemplateBuilder::FindItem(uint16_t id) const
{
    return const_cast<CDlgTemplateBuilder*>(this)->FindItem(id);
}

void CDlgTemplateBuilder::SetItemRect(uint16_t id, const CLayoutRect& rect)
{
    if (CItem* item = FindItem(id))
        item->rect = rect;
}

void CDlgTemplateBuilder::ModifyItemStyle(uint16_t id, uint32_t add, uint32_t remove)
{
    if (CItem* item = FindItem(id))
        item->style = add | (item->style & ~remove);
}

CLayoutRect CDlgTemplateBuilder::GetItemRect(uint16_t id) const
{
    const CItem* item = FindItem(id);
    return item ? item->rect : CLayoutRect{0, 0, 0, 0};
}

const std::vector<uint8_t>& CDlgTemplateBuilder::Build(const CDialogFontUnits& units)
{
    if (!m_built.empty())
        return m_built;
    WriteHeader(units);
    for (const CItem& item : m_items)
        WriteItem(item, units);
    return m_built;
}

void CDlgTemplateBuilder::WriteHeader(const CDialogFontUnits& units)
{
    bool hasFont = !m_faceName.empty();
    WriteU32(m_built, kDialogStyle | (hasFont ? kSetFont : 0));
    WriteU32(m_built, 0); // extended style
    WriteU16(m_built, static_cast<uint16_t>(m_items.size()));
    WriteRect(m_built, ToDialogUnits(m_rect, units));
    WriteU16(m_built, 0); // no menu
    WriteU16(m_built, 0); // the system's dialog class
    WriteText(m_built, m_caption);
    if (hasFont) {
        WriteU16(m_built, static_cast<uint16_t>(m_fontHeight * -72 / units.pixelsPerInch));
        WriteText(m_built, m_faceName);
    }
    AlignTo4(m_built);
}

void CDlgTemplateBuilder::WriteItem(const CItem& item, const CDialogFontUnits& units)
{
    assert(m_built.size() % 4 == 0);
    WriteU32(m_built, item.style);
    WriteU32(m_built, 0); // extended style
    WriteRect(m_built, ToDialogUnits(item.rect, units));
    WriteU16(m_built, item.id);
    WriteU16(m_built, 0xFFFF);
    WriteU16(m_built, item.classAtom);
    WriteText(m_built, item.text);
    WriteU16(m_built, 0); // no creation data
    AlignTo4(m_built);
}
