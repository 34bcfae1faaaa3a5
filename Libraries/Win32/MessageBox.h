// CMessageBox: a modal box that looks like the system's message box (a
// system icon at the left, the text in the message font, a centred row of
// equal buttons) but takes any buttons with any captions. It has no dialog
// resource: it lays itself out in pixels from the measured text and runs a
// template built in memory.
#pragma once

#include "Controls.h"
#include "Dialog.h"
#include "DlgTemplateBuilder.h"

#include <cstdint>
#include <vector>
#include <windows.h>

class CMessageBox : public CDialog {
public:
    enum { kIconHand, kIconQuestion, kIconExclamation, kIconInformation };

    // `icon` is one of the kIcon values. The caption is the program's name.
    CMessageBox(const char* text, int icon);

    // Adds a 75 × 23 pixel push button and returns its ID, the value DoModal
    // returns when it is clicked. The text is item 1, so buttons get the IDs
    // 2, 3, 4, ... in the order added. The default button has the focus
    // when the box opens; Enter chooses the focused button.
    uint16_t AddButton(const char* caption, bool isDefault);
    // What Escape and the close box answer; IDCANCEL unless set. IDCANCEL
    // is 2, the first button's ID: a box whose first button is not the
    // safe answer sets the safe one here.
    void SetCancelAnswer(INT_PTR answer) { m_cancelAnswer = answer; }

    // The ID of the command that ended the box; 0 when the template was refused.
    INT_PTR DoModal();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    CDlgTemplateBuilder m_builder;
    HICON m_icon;
    CStatic m_iconControl;
    std::vector<uint16_t> m_buttons;
    uint16_t m_defaultId;
    int32_t m_rowTop;
    INT_PTR m_cancelAnswer;
};
