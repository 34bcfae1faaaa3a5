#include "MessageBox.h"

#include "AppMessageBox.h"
#include "ControlLayout.h"

#include <cstddef>
#include <string>

namespace {

const char* const kIconNames[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
const uint16_t kIconId = 0xFFFF;

// Text in the ANSI code page as UTF-16, accents precomposed.
std::u16string Widen(const char* text)
{
    int length = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
    if (length <= 1)
        return std::u16string();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, &wide[0], length);
    return std::u16string(wide.begin(), wide.end() - 1);
}

// The font message boxes use. The structure's size stops before the field
// Vista added, so that older Windows accept it.
LOGFONTA MessageFont()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    return metrics.lfMessageFont;
}

// Width and height of `text` in `font`, lines broken only at its line breaks.
SIZE MeasureText(const LOGFONTA& font, const char* text)
{
    HFONT handle = CreateFontIndirectA(&font);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    RECT rect = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &rect, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(handle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The dialog base units of `font` on the screen, as the dialog manager
// computes them for the template's font.
CDialogFontUnits FontUnits(const LOGFONTA& font)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HFONT handle = CreateFontIndirectA(&font);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SIZE letters = {0, 0};
    GetTextExtentPoint32A(dc, kLetters, 52, &letters);
    CDialogFontUnits units = {(letters.cx / 26 + 1) / 2, metrics.tmHeight,
                              GetDeviceCaps(dc, LOGPIXELSY)};
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(handle);
    return units;
}

// The dialog manager turns Escape into the command IDCANCEL, 2, with the
// control of ID 2 as its sender: the same message as a click on the first
// button. While a box runs, this filter on its thread sees the key first and
// makes it a click on the close box instead, which the box answers itself.
LRESULT CALLBACK EscapeFilter(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && message->message == WM_KEYDOWN &&
        message->wParam == VK_ESCAPE) {
        SendMessageA(GetAncestor(message->hwnd, GA_ROOT), WM_CLOSE, 0, 0);
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

CMessageBox::CMessageBox(const char* text, int icon)
    : m_icon(LoadIconA(nullptr, kIconNames[icon])), m_defaultId(0), m_rowTop(0),
      m_cancelAnswer(IDCANCEL)
{
    m_builder.SetCaption(Widen(GetAppName()));
    LOGFONTA font = MessageFont();
    SIZE size = MeasureText(font, text);
    m_rowTop = LayOutBoxText(m_builder, Widen(text), GetSystemMetrics(SM_CYICON), size.cx,
                             size.cy);
    m_builder.SetFont(Widen(font.lfFaceName), font.lfHeight);
}

uint16_t CMessageBox::AddButton(const char* caption, bool isDefault)
{
    uint16_t id = m_builder.AddButton({0, 0, kBoxButtonWidth, kBoxButtonHeight}, Widen(caption));
    // Tab and the arrow keys move between the buttons, as in the system's box.
    m_builder.ModifyItemStyle(id, WS_TABSTOP, 0);
    m_buttons.push_back(id);
    if (isDefault)
        m_defaultId = id;
    return id;
}

INT_PTR CMessageBox::DoModal()
{
    LayOutBoxButtons(m_builder, m_buttons, m_rowTop);
    if (!m_buttons.empty())
        m_builder.ModifyItemStyle(m_defaultId, BS_DEFPUSHBUTTON, 0);
    const std::vector<uint8_t>& dialogTemplate = m_builder.Build(FontUnits(MessageFont()));
    HHOOK filter =
        SetWindowsHookExA(WH_MSGFILTER, &EscapeFilter, nullptr, GetCurrentThreadId());
    INT_PTR result = DoModalIndirect(dialogTemplate.data(), nullptr);
    if (filter)
        UnhookWindowsHookEx(filter);
    return result == -1 ? 0 : result;
}

BOOL CMessageBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Without an owner the box opens at the screen's top left corner.
    CenterWindow();
    if (m_icon) {
        int size = GetSystemMetrics(SM_CXICON);
        HWND icon = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, kBoxMargin,
                                    kBoxMargin, size, GetSystemMetrics(SM_CYICON), m_window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIconId)),
                                    GetModuleHandleA(nullptr), nullptr);
        m_iconControl.Attach(icon);
        m_iconControl.SetIcon(m_icon);
    }
    if (m_defaultId) {
        SetFocus(GetItem(m_defaultId));
        return FALSE;
    }
    return TRUE;
}

bool CMessageBox::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == 0) {
        EndDialog(LOWORD(wParam));
        return true;
    }
    return CDialog::OnCommand(wParam, lParam);
}

// The close box, and Escape through the filter above.
bool CMessageBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_CLOSE) {
        EndDialog(m_cancelAnswer);
        result = TRUE;
        return true;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}
