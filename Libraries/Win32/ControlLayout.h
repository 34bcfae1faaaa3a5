// Where the message box puts its text and buttons, and where a progress bar
// sits in its status-bar pane: plain arithmetic in pixels, kept apart from
// the windows so that it can be checked on any system.
#pragma once

#include "DlgTemplateBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

// The message box's fixed measures, in pixels of its client area.
const int32_t kBoxMargin = 11;       // the icon's left and top edge
const int32_t kBoxTextLeft = 62;
const int32_t kBoxButtonWidth = 75;
const int32_t kBoxButtonHeight = 23;
const int32_t kBoxButtonGap = 6;
const uint32_t kStaticNoPrefix = 0x80; // SS_NOPREFIX

// Adds the text, w × h pixels as measured, as the builder's next item, beside
// an icon of the given height, and sizes the dialog around it. Returns the
// top of the button row.
int32_t LayOutBoxText(CDlgTemplateBuilder& builder, const std::u16string& text,
                      int32_t iconHeight, int32_t textWidth, int32_t textHeight);

// Places the buttons, in the order given, in one centred row at rowTop,
// widening the dialog when the row needs it, and sets the dialog's bottom.
void LayOutBoxButtons(CDlgTemplateBuilder& builder, const std::vector<uint16_t>& buttons,
                      int32_t rowTop);

// The progress bar's place in its pane: after the label and four spaces
// when there is a label, sizePercent (0 to 100) of the width left, inset by a
// tenth of the pane's height at top and bottom.
CLayoutRect ProgressBarRect(const CLayoutRect& pane, int32_t labelWidth, int32_t spaceWidth,
                            int sizePercent);
