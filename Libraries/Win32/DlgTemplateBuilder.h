// CDlgTemplateBuilder: a dialog template in memory, in the standard Win32
// format (DLGTEMPLATE, then one DLGITEMTEMPLATE per control), laid out in
// pixels and converted to dialog units of the dialog's font when built.
// Portable: the caller measures the font on Windows and passes its numbers,
// so the bytes can be checked on any system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A rectangle in pixels, edges as Windows' RECT has them.
struct CLayoutRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const CLayoutRect& other) const
    {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const CLayoutRect& other) const { return !(*this == other); }
};

// a × b / c rounded half away from zero, as Windows' MulDiv; -1 when c is 0.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// What the template's font measures on the screen it will show on: its
// average character width and height in pixels (the dialog base units) and
// the screen's pixels per inch, which turn its LOGFONT height into points.
struct CDialogFontUnits {
    int32_t averageWidth;
    int32_t height;
    int32_t pixelsPerInch;
};

class CDlgTemplateBuilder {
public:
    // Class atoms of the ordinal form (0xFFFF, atom).
    static const uint16_t kButtonAtom = 0x0080;
    static const uint16_t kStaticAtom = 0x0082;
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, and DS_SETFONT.
    static const uint32_t kDialogStyle = 0x80C80080;
    static const uint32_t kSetFont = 0x00000040;
    static const uint32_t kItemStyle = 0x10000000; // WS_VISIBLE

    CDlgTemplateBuilder();

    void SetCaption(const std::u16string& caption) { m_caption = caption; }
    void SetRect(const CLayoutRect& rect) { m_rect = rect; }
    const CLayoutRect& GetRect() const { return m_rect; }
    // The face name and LOGFONT height (negative: a character height in
    // pixels). An empty face name: the template carries no font.
    void SetFont(const std::u16string& faceName, int32_t height);

    // Each returns the new item's ID: 1 for the first, then 2, 3, ...
    uint16_t AddButton(const CLayoutRect& rect, const std::u16string& text);
    uint16_t AddStatic(const CLayoutRect& rect, const std::u16string& text);
    uint16_t AddItem(const CLayoutRect& rect, uint16_t classAtom, const std::u16string& text);
    // Both do nothing when no item has the ID.
    void SetItemRect(uint16_t id, const CLayoutRect& rect);
    void ModifyItemStyle(uint16_t id, uint32_t add, uint32_t remove);
    // The item's rectangle in pixels; an empty one when no item has the ID.
    CLayoutRect GetItemRect(uint16_t id) const;

    // Assembles the template; once built, every later call returns the first
    // template unchanged, whatever was changed in between.
    const std::vector<uint8_t>& Build(const CDialogFontUnits& units);

private:
    struct CItem {
        uint32_t style;
        CLayoutRect rect;
        uint16_t id;
        uint16_t classAtom;
        std::u16string text;
    };

    CItem* FindItem(uint16_t id);
    const CItem* FindItem(uint16_t id) const;
    void WriteHeader(const CDialogFontUnits& units);
    void WriteItem(const CItem& item, const CDialogFontUnits& units);

    std::u16string m_caption;
    CLayoutRect m_rect;
    std::u16string m_faceName;
    int32_t m_fontHeight;
    std::vector<CItem> m_items;
    std::vector<uint8_t> m_built;
    uint16_t m_nextId;
};
