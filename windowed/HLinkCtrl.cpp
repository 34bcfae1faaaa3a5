#include "HLinkCtrl.h"

#include <shellapi.h>
#include <windowsx.h>

namespace {

const COLORREF kColorNormal = RGB(0, 0, 255);
const COLORREF kColorVisited = RGB(128, 0, 128);
const COLORREF kColorHover = RGB(255, 0, 0);

bool ShellOpen(HWND owner, const char* target)
{
    HINSTANCE result = ShellExecuteA(owner, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    // Not a handle: a number above 32 on success, an error code otherwise.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

CHLinkCtrl::COpenAction g_openAction = &ShellOpen;

} // namespace

CHLinkCtrl::CHLinkCtrl(unsigned cursorId, const char* target)
    : m_target(target),
      m_cursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(cursorId))),
      m_state(stateNormal), m_savedState(stateNormal), m_underlineFont(nullptr),
      m_plainFont(nullptr)
{
}

CHLinkCtrl::~CHLinkCtrl()
{
    // The control may outlive us: it must not keep a font we delete.
    if (m_underlineFont && Exists())
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_plainFont), FALSE);
    Unsubclass();
    if (m_underlineFont)
        DeleteObject(m_underlineFont);
}

void CHLinkCtrl::SetOpenAction(COpenAction action)
{
    g_openAction = action ? action : &ShellOpen;
}

bool CHLinkCtrl::OpenLink()
{
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    bool opened = g_openAction(GetParent(m_window), m_target);
    SetCursor(previous);
    return opened;
}

void CHLinkCtrl::SetHover(bool on)
{
    if (on) {
        if (m_state == stateHovered)
            return;
        m_savedState = m_state;
        m_state = stateHovered;
    } else {
        if (m_state != stateHovered)
            return;
        m_state = m_savedState;
    }
    Repaint();
}

bool CHLinkCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(m_cursor);
        result = TRUE;
        return true;
    case WM_LBUTTONDOWN:
        OnClick();
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        result = Default(message, wParam, lParam);
        return true;
    case WM_CAPTURECHANGED:
        // The capture is what shows us the mouse leaving: without it (a box
        // or a browser took it) the hover ends now.
        if (reinterpret_cast<HWND>(lParam) != m_window)
            SetHover(false);
        return false;
    case kReflectBase + WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(OnReflectedCtlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    return false;
}

// A click that opened the target makes the link visited. Under the mouse it
// stays hovered, keeping the capture that shows the mouse leave, and turns
// visited then.
void CHLinkCtrl::OnClick()
{
    if (!OpenLink())
        return;
    if (m_state == stateHovered) {
        m_savedState = stateVisited;
    } else {
        m_state = stateVisited;
        Repaint();
    }
}

// The mouse is captured while over the link, so that the move that leaves
// it still comes here.
void CHLinkCtrl::OnMouseMove(LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT client;
    GetClientRect(m_window, &client);
    bool inside = PtInRect(&client, point) != 0;
    if (inside && m_state != stateHovered) {
        SetCapture(m_window);
        SetHover(true);
    } else if (!inside && m_state == stateHovered) {
        SetHover(false);
        ReleaseCapture();
    }
}

HBRUSH CHLinkCtrl::OnReflectedCtlColor(HDC dc)
{
    LONG style = GetWindowLongA(m_window, GWL_STYLE);
    // A static without SS_NOTIFY is transparent to the mouse.
    if (!(style & SS_NOTIFY))
        SetWindowLongA(m_window, GWL_STYLE, style | SS_NOTIFY);
    // Icons, frames and pictures keep their own drawing; only left-aligned,
    // centred and right-aligned text becomes a link.
    if ((style & SS_TYPEMASK) > SS_RIGHT)
        return nullptr;
    if (!m_underlineFont) {
        m_plainFont = GetFont();
        LOGFONTA font;
        HGDIOBJ from = m_plainFont ? static_cast<HGDIOBJ>(m_plainFont) : GetStockObject(SYSTEM_FONT);
        if (GetObjectA(from, sizeof font, &font)) {
            font.lfUnderline = TRUE;
            m_underlineFont = CreateFontIndirectA(&font);
        }
        // The static selects its own font after asking for its colours:
        // the underlined one must be that font, not only the one selected
        // here.
        if (m_underlineFont)
            Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_underlineFont), FALSE);
    }
    if (m_underlineFont)
        SelectObject(dc, m_underlineFont);
    SetTextColor(dc, m_state == stateHovered   ? kColorHover
                     : m_state == stateVisited ? kColorVisited
                                               : kColorNormal);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// The background shows through the link, so the dialog repaints what lies
// under it before the link draws itself again.
void CHLinkCtrl::Repaint() const
{
    HWND parent = GetParent(m_window);
    RECT rect;
    GetWindowRect(m_window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
