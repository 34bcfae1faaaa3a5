#include "ControlLayout.h"

#include <algorithm>

int32_t LayOutBoxText(CDlgTemplateBuilder& builder, const std::u16string& text,
                      int32_t iconHeight, int32_t textWidth, int32_t textHeight)
{
    // A text shorter than the icon is centred on it; a taller one starts
    // level with the icon's top, never above the client area.
    int32_t offset = std::max((iconHeight - textHeight) / 2, 0);
    CLayoutRect textRect{kBoxTextLeft, kBoxMargin + offset, kBoxTextLeft + textWidth,
                         kBoxMargin + offset + textHeight};
    uint16_t id = builder.AddStatic(textRect, text);
    // The message is shown as it is: an "&" in a path is no mnemonic.
    builder.ModifyItemStyle(id, kStaticNoPrefix, 0);
    builder.SetRect({0, 0, textRect.right + 6, textRect.bottom + 59});
    return std::max(textRect.bottom + 15, iconHeight + 17);
}

void LayOutBoxButtons(CDlgTemplateBuilder& builder, const std::vector<uint16_t>& buttons,
                      int32_t rowTop)
{
    int32_t count = static_cast<int32_t>(buttons.size());
    int32_t rowWidth = kBoxButtonWidth * count;
    if (count >= 2)
        rowWidth += kBoxButtonGap * (count - 1);
    CLayoutRect dialog = builder.GetRect();
    int32_t width = std::max(dialog.Width(), rowWidth + 2 * kBoxButtonGap);
    dialog.right = dialog.left + width;
    int32_t x = (width - rowWidth) / 2;
    for (uint16_t id : buttons) {
        builder.SetItemRect(id, {x, rowTop, x + kBoxButtonWidth, rowTop + kBoxButtonHeight});
        x += kBoxButtonWidth + kBoxButtonGap;
    }
    dialog.bottom = rowTop + 34;
    builder.SetRect(dialog);
}

CLayoutRect ProgressBarRect(const CLayoutRect& pane, int32_t labelWidth, int32_t spaceWidth,
                            int sizePercent)
{
    CLayoutRect bar = pane;
    if (labelWidth > 0)
        bar.left += labelWidth + 4 * spaceWidth;
    bar.right -= (100 - sizePercent) * (bar.right - bar.left) / 100;
    if (bar.right < bar.left)
        bar.right = bar.left;
    int32_t inset = (bar.bottom - bar.top) / 10;
    bar.top += inset;
    bar.bottom -= inset;
    return bar;
}
