// Window hooks: several message handlers on one window, each asked in the
// order hooked, through one process-wide registry that replaces the window's
// own procedure with HookWndProc while at least one hook is attached and
// restores it when the last hook leaves or the window is destroyed. The
// registry has no lock: every hook of a window is made, asked and removed on
// the thread that owns that window.
//
// The hooked procedure is installed as a Unicode one: text messages reach
// the handlers in UTF-16.
#pragma once

#include <windows.h>

class IHookMsgHandler {
public:
    virtual ~IHookMsgHandler() {}
    // Returns true when the handler has dealt with the message; `result` is
    // then the answer to the sender, whatever its value (0 included). A
    // handler that passes the message on with CHookWnd::CallNext and returns
    // true with its answer has had it dealt with: the window's own procedure
    // then sees the message once, through that call, never a second time.
    virtual bool HandleHookMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT& result) = 0;
};

class CHookWnd {
public:
    CHookWnd();
    virtual ~CHookWnd();
    CHookWnd(const CHookWnd&) = delete;
    CHookWnd& operator=(const CHookWnd&) = delete;

    // Adds this hook at the end of the window's chain (leaving any window it
    // was hooked to first). False when the window's procedure cannot be
    // replaced (no such window, or one of another process).
    virtual bool Hook(HWND window, IHookMsgHandler* handler);
    virtual void Unhook();

    // Passes a message to the hooks after this one and, when none deals with
    // it, to the window's own procedure; returns the answer.
    LRESULT CallNext(UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHookedWindow() const { return m_window; }
    IHookMsgHandler* GetHandler() const { return m_handler; }

private:
    HWND m_window;
    IHookMsgHandler* m_handler;
};

LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
