#include "Wnd.h"

CStr CWnd::GetText() const
{
    CStr text;
    int length = GetWindowTextLengthA(m_window);
    if (length > 0) {
        char* buffer = text.PrepareBuffer(static_cast<unsigned>(length));
        GetWindowTextA(m_window, buffer, length + 1);
    }
    return text;
}

bool CSubclassWnd::Subclass(HWND window)
{
    if (!m_hook.Hook(window, this))
        return false;
    m_window = window;
    return true;
}

bool CSubclassWnd::HandleHookMsg(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                 LRESULT& result)
{
    return OnMessage(message, wParam, lParam, result);
}
