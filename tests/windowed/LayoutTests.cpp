// The class layer's window-free part: the dialog template's bytes, where the
// message box puts its text and buttons, and where a progress bar sits in
// its status-bar pane.
#include "ControlLayout.h"
#include "DlgTemplateBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Tahoma 8 pt as the dialog manager measures it at 96 pixels per inch.
const CDialogFontUnits kUnits = {6, 13, 96};

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

TEST(DlgTemplate, BytesOfABoxWithTextAndButton)
{
    CDlgTemplateBuilder builder;
    builder.SetCaption(u"Box");
    builder.SetFont(u"Tahoma", -11);
    builder.SetRect({0, 0, 249, 83});
    EXPECT_EQ(builder.AddStatic({62, 20, 162, 33}, u"Hi"), 1);
    EXPECT_EQ(builder.AddButton({6, 49, 81, 72}, u"&Yes"), 2);
    const std::vector<uint8_t> expected = {
        // style WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
        0xC0, 0x00, 0xC8, 0x80, 0, 0, 0, 0, // extended style
        2, 0,                               // two items
        0, 0, 0, 0, 166, 0, 51, 0,          // x, y, cx, cy in dialog units
        0, 0, 0, 0,                         // no menu, the system's class
        'B', 0, 'o', 0, 'x', 0, 0, 0,       // title
        8, 0,                               // 8 points: -11 × -72 / 96
        'T', 0, 'a', 0, 'h', 0, 'o', 0, 'm', 0, 'a', 0, 0, 0, 0, 0, // face, padding to 4
        // item 1: WS_VISIBLE static
        0, 0, 0, 0x10, 0, 0, 0, 0, 41, 0, 12, 0, 67, 0, 8, 0, 1, 0, 0xFF, 0xFF, 0x82, 0,
        'H', 0, 'i', 0, 0, 0, 0, 0, // text, no creation data
        0, 0,                       // padding to 4
        // item 2: WS_VISIBLE button
        0, 0, 0, 0x10, 0, 0, 0, 0, 4, 0, 30, 0, 50, 0, 14, 0, 2, 0, 0xFF, 0xFF, 0x80, 0,
        '&', 0, 'Y', 0, 'e', 0, 's', 0, 0, 0, 0, 0, // text, no creation data
        0, 0,                                       // padding to 4
    };
    EXPECT_EQ(builder.Build(kUnits), expected);
}

TEST(DlgTemplate, HeaderWithoutFontIsPaddedToFourBytes)
{
    struct {
        const char16_t* caption;
        size_t size;
    } cases[] = {{u"", 24}, {u"A", 28}, {u"AB", 28}, {u"ABC", 32}};
    for (const auto& c : cases) {
        CDlgTemplateBuilder builder;
        builder.SetCaption(c.caption);
        const std::vector<uint8_t>& bytes = builder.Build(kUnits);
        EXPECT_EQ(bytes.size(), c.size) << "caption length " << std::u16string(c.caption).size();
        EXPECT_EQ(U32At(bytes, 0), 0x80C80080u) << "no DS_SETFONT without a face name";
    }
}

TEST(DlgTemplate, BuildingTwiceReturnsTheFirstTemplate)
{
    CDlgTemplateBuilder builder;
    builder.SetCaption(u"First");
    uint16_t id = builder.AddButton({0, 0, 75, 23}, u"OK");
    std::vector<uint8_t> first = builder.Build(kUnits);
    builder.SetCaption(u"Second and longer");
    builder.SetItemRect(id, {100, 100, 175, 123});
    builder.ModifyItemStyle(id, 1, 0);
    builder.AddStatic({0, 0, 10, 10}, u"more");
    EXPECT_EQ(builder.Build({8, 16, 120}), first);
}

TEST(DlgTemplate, ItemChangesByIdAndUnknownIdsIgnored)
{
    CDlgTemplateBuilder builder;
    uint16_t id = builder.AddButton({0, 0, 75, 23}, u"OK");
    builder.ModifyItemStyle(id, 0x1 | 0x00010000, 0x10000000); // BS_DEFPUSHBUTTON | WS_TABSTOP, not visible
    builder.ModifyItemStyle(7, 0xFFFFFFFF, 0);
    builder.SetItemRect(7, {1, 2, 3, 4});
    EXPECT_EQ(builder.GetItemRect(id), (CLayoutRect{0, 0, 75, 23}));
    const std::vector<uint8_t>& bytes = builder.Build(kUnits);
    ASSERT_EQ(bytes.size(), 24u + 32u);
    EXPECT_EQ(U32At(bytes, 24), 0x00010001u);
}

TEST(DlgTemplate, PixelsToDialogUnitsRoundLikeMulDiv)
{
    struct {
        int32_t a, b, c, result;
    } cases[] = {{249, 4, 6, 166}, {7, 4, 6, 5},  {3, 4, 8, 2},   {-3, 4, 8, -2},
                 {5, 1, 0, -1},    {13, 8, 13, 8}, {62, 4, -6, -41}, {0, 4, 6, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.result) << c.a << " " << c.b << " " << c.c;
}

struct CBoxCase {
    const char* what;
    int32_t textWidth, textHeight, buttons;
    CLayoutRect text;
    int32_t rowTop;
    CLayoutRect dialog;
    int32_t firstButtonLeft;
};

TEST(BoxLayout, TextIconAndButtonRow)
{
    const CBoxCase cases[] = {
        // Three buttons under a short line: 3 × 75 + 2 × 6 + 12 wide, the row
        // under the 32-pixel icon (49 > 33 + 15), 49 + 34 high.
        {"short line, three buttons", 150, 13, 3, {62, 20, 212, 33}, 49, {0, 0, 249, 83}, 6},
        {"long path, not wrapped", 500, 13, 3, {62, 20, 562, 33}, 49, {0, 0, 568, 83}, 165},
        {"one button", 10, 13, 1, {62, 20, 72, 33}, 49, {0, 0, 87, 83}, 6},
        {"no buttons", 10, 13, 0, {62, 20, 72, 33}, 49, {0, 0, 78, 83}, 0},
        {"two lines", 150, 26, 2, {62, 14, 212, 40}, 55, {0, 0, 218, 89}, 31},
        // Taller than the icon: starts level with it, never above the box.
        {"five lines", 150, 65, 3, {62, 11, 212, 76}, 91, {0, 0, 249, 125}, 6},
    };
    for (const CBoxCase& c : cases) {
        CDlgTemplateBuilder builder;
        int32_t rowTop = LayOutBoxText(builder, u"text", 32, c.textWidth, c.textHeight);
        std::vector<uint16_t> buttons;
        for (int32_t i = 0; i < c.buttons; ++i)
            buttons.push_back(builder.AddButton({0, 0, kBoxButtonWidth, kBoxButtonHeight}, u"b"));
        LayOutBoxButtons(builder, buttons, rowTop);
        EXPECT_EQ(builder.GetItemRect(1), c.text) << c.what;
        EXPECT_EQ(rowTop, c.rowTop) << c.what;
        EXPECT_EQ(builder.GetRect(), c.dialog) << c.what;
        for (int32_t i = 0; i < c.buttons; ++i) {
            int32_t left = c.firstButtonLeft + i * 81;
            EXPECT_EQ(builder.GetItemRect(buttons[static_cast<size_t>(i)]),
                      (CLayoutRect{left, rowTop, left + 75, rowTop + 23}))
                << c.what << ", button " << i;
        }
    }
}

TEST(BoxLayout, TextShownWithoutMnemonics)
{
    CDlgTemplateBuilder builder;
    LayOutBoxText(builder, u"C:\\Tom & Jerry\\a.000", 32, 100, 13);
    const std::vector<uint8_t>& bytes = builder.Build(kUnits);
    EXPECT_EQ(U32At(bytes, 24), 0x10000000u | kStaticNoPrefix);
}

TEST(ProgressBarLayout, PlaceInThePane)
{
    const CLayoutRect pane = {2, 2, 202, 22};
    struct {
        const char* what;
        int32_t labelWidth, spaceWidth, percent;
        CLayoutRect bar;
    } cases[] = {
        {"no label, whole pane", 0, 3, 100, {2, 4, 202, 20}},
        {"after the label and four spaces", 60, 3, 100, {74, 4, 202, 20}},
        {"half, no label", 0, 3, 50, {2, 4, 102, 20}},
        {"a third of what the label leaves", 60, 3, 33, {74, 4, 117, 20}},
        {"none", 0, 3, 0, {2, 4, 2, 20}},
        {"label wider than the pane", 300, 3, 100, {314, 4, 314, 20}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressBarRect(pane, c.labelWidth, c.spaceWidth, c.percent), c.bar) << c.what;
    // The inset is a tenth of the height, rounded down.
    EXPECT_EQ(ProgressBarRect({0, 0, 100, 19}, 0, 3, 100), (CLayoutRect{0, 1, 100, 18}));
}

} // namespace
