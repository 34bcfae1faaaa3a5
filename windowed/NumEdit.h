// CNumEdit: the numeric edit box. It takes an edit window's messages first
// and leaves every decision to its CNumText: which keystrokes may change the
// text, the plain number shown while it has the focus, the number in the
// user's locale format shown when it has not. The window side is what is
// left: the locale's settings and number formatting, the beep, the focus and
// the window text.
#pragma once

#include "NumText.h"
#include "Wnd.h"

// The number of decimals every CNumEdit starts with: the user locale's
// number of fractional digits, read once, 2 when it cannot be read.
int GetDefaultDecimals();

class CNumEdit : public CSubclassWnd, private INumTextHost, public CNumText {
public:
    CNumEdit();
    CNumEdit(const CNumEdit&) = delete;
    CNumEdit& operator=(const CNumEdit&) = delete;

    // Takes the edit window's messages and shows the display text in it.
    bool Subclass(HWND edit);

    // The parent's EN_CHANGE from this edit: the value follows the text.
    void OnChange();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool FormatNumber(const char* number, int decimals, const CNumberLocale& locale,
                      CStr& formatted) override;
    void ShowText(const char* text) override;

    bool OnChar(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDeleteKey(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool RefusePaste(LRESULT& result);
    bool RefuseReplacement(const char* insert, LRESULT& result);
    bool IsReadOnly() const;
    void SelectAll() const;

    // Set between WM_SETFOCUS and WM_KILLFOCUS: while the edit has the focus
    // it shows the plain text, whatever reformats it.
    bool m_hasFocus = false;
};
