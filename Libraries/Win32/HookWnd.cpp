#include "HookWnd.h"

#include <vector>

namespace {

struct CHookEntry {
    HWND window;
    WNDPROC savedProc; // the window's own, from before the first hook
    std::vector<CHookWnd*> hooks; // in the order hooked
};

// Created on first use, destroyed at program exit.
std::vector<CHookEntry>& Registry()
{
    static std::vector<CHookEntry> entries;
    return entries;
}

CHookEntry* FindEntry(HWND window)
{
    for (CHookEntry& entry : Registry())
        if (entry.window == window)
            return &entry;
    return nullptr;
}

// Asks the window's hooks that come after `after` (all of them when it is
// null) in order, then the saved procedure. The chain is looked up afresh
// before every hook: a handler may hook or unhook, or destroy the window.
LRESULT Dispatch(HWND window, const CHookWnd* after, UINT message, WPARAM wParam, LPARAM lParam)
{
    CHookEntry* entry = FindEntry(window);
    if (!entry)
        return DefWindowProcW(window, message, wParam, lParam);
    WNDPROC savedProc = entry->savedProc;
    const CHookWnd* previous = after;
    size_t next = 0;
    for (bool first = true;; first = false) {
        entry = FindEntry(window);
        if (!entry)
            break;
        const std::vector<CHookWnd*>& hooks = entry->hooks;
        if (previous) {
            size_t i = 0;
            while (i < hooks.size() && hooks[i] != previous)
                ++i;
            if (i < hooks.size())
                next = i + 1;
            else if (first)
                break; // a hook that left its chain passes on to the window itself
            // else the hook just asked left: the next one moved up to its place
        }
        if (next >= hooks.size())
            break;
        CHookWnd* hook = hooks[next];
        previous = hook;
        LRESULT result = 0;
        if (hook->GetHandler()->HandleHookMsg(window, message, wParam, lParam, result))
            return result;
    }
    return CallWindowProcW(savedProc, window, message, wParam, lParam);
}

} // namespace

CHookWnd::CHookWnd() : m_window(nullptr), m_handler(nullptr) {}

CHookWnd::~CHookWnd()
{
    Unhook();
}

bool CHookWnd::Hook(HWND window, IHookMsgHandler* handler)
{
    Unhook();
    if (!FindEntry(window)) {
        SetLastError(0);
        LONG_PTR saved = SetWindowLongPtrW(window, GWLP_WNDPROC,
                                           reinterpret_cast<LONG_PTR>(&HookWndProc));
        if (saved == 0 && GetLastError() != 0)
            return false;
        Registry().push_back({window, reinterpret_cast<WNDPROC>(saved), {}});
    }
    FindEntry(window)->hooks.push_back(this);
    m_window = window;
    m_handler = handler;
    return true;
}

void CHookWnd::Unhook()
{
    if (!m_window)
        return;
    std::vector<CHookEntry>& entries = Registry();
    for (size_t i = 0; i < entries.size(); ++i) {
        std::vector<CHookWnd*>& hooks = entries[i].hooks;
        size_t k = 0;
        while (k < hooks.size() && hooks[k] != this)
            ++k;
        if (k == hooks.size())
            continue;
        hooks.erase(hooks.begin() + static_cast<std::ptrdiff_t>(k));
        if (hooks.empty()) {
            SetWindowLongPtrW(entries[i].window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(entries[i].savedProc));
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            --i;
        }
    }
    m_window = nullptr;
}

LRESULT CHookWnd::CallNext(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(m_window, this, message, wParam, lParam);
}

LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = Dispatch(window, nullptr, message, wParam, lParam);
    if (message == WM_DESTROY) {
        // The window's own procedure is back before the window is gone.
        while (CHookEntry* entry = FindEntry(window))
            entry->hooks.front()->Unhook();
    }
    return result;
}
