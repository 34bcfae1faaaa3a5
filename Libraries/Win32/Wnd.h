// CWnd: a window we talk to but do not own. It holds the handle only, and
// its methods are one-line messages; destroying the object leaves the window
// alone. CSubclassWnd also takes the window's messages first, through a
// window hook, so that a class of ours can change how an existing control
// behaves.
#pragma once

#include "HookWnd.h"
#include "Str.h"

#include <windows.h>

// A message a parent passes back to the control it is about, so that the
// control answers it itself (a static colouring its own text): the original
// message plus this base, with the same parameters. The base is the one
// ActiveX controls use; no standard control answers in its range.
const UINT kReflectBase = WM_USER + 0x1C00;

class CWnd {
public:
    explicit CWnd(HWND window = nullptr) : m_window(window) {}

    HWND GetHwnd() const { return m_window; }
    operator HWND() const { return m_window; }
    void Attach(HWND window) { m_window = window; }
    bool Exists() const { return m_window && IsWindow(m_window); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageA(m_window, message, wParam, lParam);
    }
    CStr GetText() const;
    void SetText(const char* text) const { SetWindowTextA(m_window, text); }
    void Show(int how) const { ShowWindow(m_window, how); }
    void Enable(bool enable) const { EnableWindow(m_window, enable); }
    bool IsShown() const { return IsWindowVisible(m_window) != 0; }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }

protected:
    HWND m_window;
};

class CSubclassWnd : public CWnd, private IHookMsgHandler {
public:
    // Hooks the window; the object must outlive the hook or unhook first.
    bool Subclass(HWND window);
    void Unsubclass() { m_hook.Unhook(); }

protected:
    // The window's messages, before its own procedure. Return false to pass
    // one on unchanged, or call Default and return true with its answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return m_hook.CallNext(message, wParam, lParam);
    }

private:
    bool HandleHookMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT& result) override;

    CHookWnd m_hook;
};
