#include "NumEdit.h"

#include <cstdlib>

namespace {

// One of the user locale's settings, or null when it cannot be read.
const char* LocaleText(LCTYPE item, char* buffer, int size)
{
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, size) > 0 ? buffer : nullptr;
}

CNumberLocale LoadLocale()
{
    // Each setting is a few characters at most; one that does not fit is
    // taken as unreadable.
    char decimal[16], thousand[16], leadingZero[16], negativeOrder[16], grouping[32];
    return CNumberLocale::FromLocaleTexts(
        LocaleText(LOCALE_SDECIMAL, decimal, sizeof decimal),
        LocaleText(LOCALE_STHOUSAND, thousand, sizeof thousand),
        LocaleText(LOCALE_ILZERO, leadingZero, sizeof leadingZero),
        LocaleText(LOCALE_INEGNUMBER, negativeOrder, sizeof negativeOrder),
        LocaleText(LOCALE_SGROUPING, grouping, sizeof grouping));
}

// The character as the program's code page writes it, 0 when it has no
// single-byte form there.
char NarrowChar(WPARAM typed)
{
    wchar_t wide = static_cast<wchar_t>(typed);
    char narrow = 0;
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, &wide, 1, &narrow, 1, nullptr, &lossy) != 1 || lossy)
        return 0;
    return narrow;
}

} // namespace

int GetDefaultDecimals()
{
    static const int decimals = [] {
        char digits[16];
        const char* text = LocaleText(LOCALE_IDIGITS, digits, sizeof digits);
        return text ? std::atoi(text) : 2;
    }();
    return decimals;
}

CNumEdit::CNumEdit() : CNumText(GetDefaultDecimals(), this)
{
    SetLocale(LoadLocale());
}

bool CNumEdit::Subclass(HWND edit)
{
    if (!CSubclassWnd::Subclass(edit))
        return false;
    Reformat();
    return true;
}

void CNumEdit::OnChange()
{
    OnTextChanged(GetText());
}

bool CNumEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_CHAR:
        return OnChar(wParam, lParam, result);
    case WM_KEYDOWN:
        return wParam == VK_DELETE && OnDeleteKey(wParam, lParam, result);
    case WM_PASTE:
        return RefusePaste(result);
    case WM_CUT:
    case WM_CLEAR:
        return RefuseReplacement("", result);
    case WM_SETFOCUS:
        result = Default(message, wParam, lParam);
        m_hasFocus = true;
        if (!IsReadOnly()) {
            OnFocusGained();
            SelectAll();
            Send(EM_SCROLLCARET);
        }
        return true;
    case WM_KILLFOCUS:
        result = Default(message, wParam, lParam);
        m_hasFocus = false;
        if (!IsReadOnly())
            OnFocusLost(GetText());
        return true;
    case WM_WININICHANGE:
        result = Default(message, wParam, lParam);
        SetLocale(LoadLocale());
        return true;
    }
    return false;
}

// The hook is a Unicode procedure: the character arrives in UTF-16.
bool CNumEdit::OnChar(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (IsReadOnly())
        return false;
    // Ctrl+C, Ctrl+V and Ctrl+X: the edit turns them into WM_COPY, WM_PASTE
    // and WM_CUT, which are checked there.
    const WPARAM kCtrlC = 3, kCtrlV = 0x16, kCtrlX = 0x18;
    if (wParam == kCtrlC || wParam == kCtrlV || wParam == kCtrlX)
        return false;
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    char accepted = CheckTypedChar(GetText(), start, end, NarrowChar(wParam));
    if (!accepted) {
        MessageBeep(0);
        result = 0;
        return true;
    }
    // The locale's decimal separator goes in as the edit's own decimal point.
    result = Default(WM_CHAR, static_cast<unsigned char>(accepted), lParam);
    return true;
}

// Paste, Cut and Delete from the keyboard (Ctrl+V, Ctrl+X) or the edit's
// context menu reach the edit as these messages, not as typed characters:
// the text they would leave is checked as a typed one is.
bool CNumEdit::RefusePaste(LRESULT& result)
{
    if (IsReadOnly() || !OpenClipboard(GetHwnd()))
        return false;
    CStr pasted;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(GlobalLock(data))) {
            pasted = text;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return RefuseReplacement(pasted, result);
}

bool CNumEdit::RefuseReplacement(const char* insert, LRESULT& result)
{
    if (IsReadOnly())
        return false;
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (IsValidText(ReplaceSelection(GetText(), start, end, insert)))
        return false;
    MessageBeep(0);
    result = 0;
    return true;
}

bool CNumEdit::OnDeleteKey(WPARAM, LPARAM, LRESULT& result)
{
    if (IsReadOnly())
        return false;
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (CheckDeleteKey(GetText(), start, end))
        return false;
    MessageBeep(0);
    result = 0;
    return true;
}

bool CNumEdit::FormatNumber(const char* number, int decimals, const CNumberLocale& locale,
                            CStr& formatted)
{
    // The format takes writable separators.
    char decimal[16], thousand[16];
    lstrcpynA(decimal, locale.m_decimalSeparator, sizeof decimal);
    lstrcpynA(thousand, locale.m_thousandSeparator, sizeof thousand);
    NUMBERFMTA format = {};
    format.NumDigits = static_cast<UINT>(decimals);
    format.LeadingZero = locale.m_leadingZero ? 1 : 0;
    format.Grouping = static_cast<UINT>(locale.m_grouping);
    format.lpDecimalSep = decimal;
    format.lpThousandSep = thousand;
    format.NegativeOrder = static_cast<UINT>(locale.m_negativeOrder);
    // Room for the largest double's 309 digits with a separator of up to
    // three characters between every three. No size is asked first: Wine's
    // answer to that question is too small.
    char buffer[1024];
    if (GetNumberFormatA(LOCALE_USER_DEFAULT, 0, number, &format, buffer, sizeof buffer) <= 0)
        return false;
    formatted = buffer;
    return true;
}

// A reformat while the user types (a unit chosen from the menu, a limit
// that clamps) shows the plain text: the display text's separators, read
// back when the edit loses the focus, would give another number ("1,423.50"
// reads as 1).
void CNumEdit::ShowText(const char* text)
{
    if (!Exists())
        return;
    bool typing = m_hasFocus && !IsReadOnly();
    SetText(typing ? GetPlainText() : text);
    if (typing)
        SelectAll();
}

bool CNumEdit::IsReadOnly() const
{
    return (GetWindowLongA(m_window, GWL_STYLE) & ES_READONLY) != 0;
}

void CNumEdit::SelectAll() const
{
    Send(EM_SETSEL, 0, -1);
}
