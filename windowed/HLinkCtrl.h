// CHLinkCtrl: a dialog's static text made a link. It draws its text
// underlined, blue before a successful click, purple after, red while the
// mouse is over it; shows a pointing hand over it; and asks the shell to
// open its target when clicked. Attach it to the static with DDX_Control
// (or Subclass); its owner dialog must be a CDialog, which passes the
// static's colour message back to it (kReflectBase).
#pragma once

#include "Str.h"
#include "Wnd.h"

#include <windows.h>

class CHLinkCtrl : public CSubclassWnd {
public:
    // `target` is what the shell opens: a web address, or "mailto:" and an
    // address. The cursor is loaded from the program's resources.
    CHLinkCtrl(unsigned cursorId, const char* target);
    ~CHLinkCtrl() override;
    CHLinkCtrl(const CHLinkCtrl&) = delete;
    CHLinkCtrl& operator=(const CHLinkCtrl&) = delete;

    // Asks the shell to "open" the target; true when it reports success.
    bool OpenLink();
    // Enters (on) or leaves the hovered state, repainting the link.
    void SetHover(bool on);

    // What opening a link does: the shell's "open" by default (and after a
    // null action). A test puts its own in place to see which target a
    // click opens.
    using COpenAction = bool (*)(HWND owner, const char* target);
    static void SetOpenAction(COpenAction action);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    enum EState { stateNormal, stateVisited, stateHovered };

    void OnClick();
    void OnMouseMove(LPARAM lParam);
    HBRUSH OnReflectedCtlColor(HDC dc);
    void Repaint() const;

    CStr m_target;
    HCURSOR m_cursor;
    EState m_state;
    EState m_savedState; // the state a hover returns to
    HFONT m_underlineFont; // made at the first paint
    HFONT m_plainFont;     // the control's own, given back when we leave it
};
