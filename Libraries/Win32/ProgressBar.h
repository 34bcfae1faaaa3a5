// CProgressBar: a progress control inside one pane of a status bar, after
// the pane's text label. It follows the status bar's size through a window
// hook, so the status bar's owner need not tell it anything; while it
// exists the pane shows its label, and the pane's earlier text comes back
// when it is destroyed.
#pragma once

#include "Controls.h"
#include "HookWnd.h"
#include "Str.h"

#include <windows.h>

class CProgressBar : public CProgressCtrl {
public:
    // Creates no window yet: the status bar need not exist.
    explicit CProgressBar(CStatusBarCtrl* statusBar);
    ~CProgressBar();
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;

    // Creates the bar, visible, in pane `pane` after `label`, over
    // `sizePercent` (0 to 100) of the width the label leaves, with the range
    // 0 to `rangeMax`. False when the control cannot be created; nothing is
    // hooked then.
    bool Create(const char* label, bool border, int sizePercent, int rangeMax, bool smooth,
                int pane);
    // May be called from another thread than the status bar's: it then
    // waits while the status bar's thread sets the label and lays out.
    void SetText(const char* label);

private:
    class CStatusHook : public CHookWnd, public IHookMsgHandler {
    public:
        explicit CStatusHook(CProgressBar* bar) : m_bar(bar) {}
        bool HandleHookMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           LRESULT& result) override;

    private:
        CProgressBar* m_bar;
    };

    void Layout();
    void ShowPaneText(const char* text) const;

    int m_sizePercent;
    int m_pane;
    CStr m_label;
    CStr m_savedPaneText;
    RECT m_lastRect;
    CStatusBarCtrl* m_statusBar;
    CStatusHook m_statusHook;
};
