#include "ProgressBar.h"

#include "ControlLayout.h"

namespace {

const int kBarId = 1;

CLayoutRect ToLayout(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// A label set from another thread travels to the status bar's thread as
// this message, which the status hook answers: the label and the last
// rectangle are then only ever touched on that thread, and need no lock.
UINT SetTextMessage()
{
    static const UINT message = RegisterWindowMessageA("Dravikon.CProgressBar.SetText");
    return message;
}

int TextWidth(HDC dc, const char* text)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    return size.cx;
}

} // namespace

CProgressBar::CProgressBar(CStatusBarCtrl* statusBar)
    : m_sizePercent(100), m_pane(0), m_lastRect{0, 0, 0, 0}, m_statusBar(statusBar),
      m_statusHook(this)
{
}

CProgressBar::~CProgressBar()
{
    if (Exists()) {
        Show(SW_HIDE);
        if (m_statusBar->Exists())
            ShowPaneText(m_savedPaneText);
    }
    m_statusHook.Unhook();
    if (Exists())
        DestroyWindow(m_window);
}

bool CProgressBar::Create(const char* label, bool border, int sizePercent, int rangeMax,
                          bool smooth, int pane)
{
    RECT rect = {0, 0, 0, 0};
    m_statusBar->GetRect(pane, &rect);
    DWORD style = WS_CHILD | WS_VISIBLE | (smooth ? PBS_SMOOTH : 0);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", style, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, *m_statusBar,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (!bar)
        return false;
    Attach(bar);
    if (!border) {
        LONG_PTR exStyle = GetWindowLongPtrA(bar, GWL_EXSTYLE);
        SetWindowLongPtrA(bar, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_STATICEDGE));
        SetWindowPos(bar, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    SetRange(0, rangeMax);
    SetStep(1);
    m_label = label;
    m_sizePercent = sizePercent < 0 ? 0 : sizePercent > 100 ? 100 : sizePercent;
    m_pane = pane;
    DWORD length = LOWORD(m_statusBar->GetTextLength(pane));
    m_statusBar->GetPaneText(pane, m_savedPaneText.PrepareBuffer(length));
    Layout();
    m_statusHook.Hook(*m_statusBar, &m_statusHook);
    return true;
}

void CProgressBar::SetText(const char* label)
{
    if (GetWindowThreadProcessId(*m_statusBar, nullptr) != GetCurrentThreadId()) {
        m_statusBar->Send(SetTextMessage(), reinterpret_cast<WPARAM>(this),
                          reinterpret_cast<LPARAM>(label));
        return;
    }
    m_label = label;
    Layout();
}

// Shows `text` in the pane, keeping the pane's drawing type (its border).
void CProgressBar::ShowPaneText(const char* text) const
{
    WORD type = HIWORD(m_statusBar->GetTextLength(m_pane));
    m_statusBar->SetPaneText(m_pane, text, type);
    UpdateWindow(*m_statusBar);
}

void CProgressBar::Layout()
{
    ShowPaneText(m_label);
    HDC dc = GetDC(*m_statusBar);
    HGDIOBJ oldFont = SelectObject(dc, m_statusBar->GetFont());
    int labelWidth = m_label.IsEmpty() ? 0 : TextWidth(dc, m_label);
    int spaceWidth = TextWidth(dc, " ");
    SelectObject(dc, oldFont);
    ReleaseDC(*m_statusBar, dc);

    RECT pane = {0, 0, 0, 0};
    m_statusBar->GetRect(m_pane, &pane);
    CLayoutRect bar = ProgressBarRect(ToLayout(pane), labelWidth, spaceWidth, m_sizePercent);
    if (bar != ToLayout(m_lastRect)) {
        MoveWindow(m_window, bar.left, bar.top, bar.Width(), bar.Height(), TRUE);
        m_lastRect = {bar.left, bar.top, bar.right, bar.bottom};
    }
}

bool CProgressBar::CStatusHook::HandleHookMsg(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                              LRESULT& result)
{
    if (message == SetTextMessage() && wParam == reinterpret_cast<WPARAM>(m_bar)) {
        m_bar->SetText(reinterpret_cast<const char*>(lParam));
        result = 0;
        return true;
    }
    // The status bar sizes itself first; the bar follows its new panes.
    result = CallNext(message, wParam, lParam);
    if (message == WM_SIZE && wParam != SIZE_MAXSHOW && wParam != SIZE_MAXHIDE)
        m_bar->Layout();
    return true;
}
