// layerdemo.exe: the class layer's pieces on screen, for the UI driver.
//   layerdemo prompt  the prompt box with "&Yes" (default), "&No" and
//                     "Yes To &All", Escape and the close box answering
//                     "&No"; exits with the ID of the answer.
//   layerdemo         a dialog from a resource with a status bar whose first
//                     pane holds a progress bar after its label; its buttons
//                     ask two hooks on the state line, unhook the first, and
//                     destroy the status bar. The state line says what they saw.
#include "Controls.h"
#include "Dialog.h"
#include "HookWnd.h"
#include "LayerDemoRes.h"
#include "MessageBox.h"
#include "ProgressBar.h"
#include "StringTable.h"

#include <commctrl.h>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

const UINT kProbe = WM_APP + 1;

// A hook that writes its name into a log when asked and passes on.
class CNamedHook : public CHookWnd, public IHookMsgHandler {
public:
    CNamedHook(const char* name, std::string& log) : m_name(name), m_log(log) {}
    bool HandleHookMsg(HWND, UINT message, WPARAM, LPARAM, LRESULT&) override
    {
        if (message == kProbe)
            m_log += std::string(" ") + m_name;
        return false;
    }

private:
    const char* m_name;
    std::string& m_log;
};

// The status bar's own procedure, under the hooks, notes which procedure
// the window has when it is all but gone.
WNDPROC g_statusProc = nullptr;
LONG_PTR g_procAtNcDestroy = 0;

LRESULT CALLBACK WatchedStatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
        g_procAtNcDestroy = GetWindowLongPtrW(window, GWLP_WNDPROC);
    return CallWindowProcW(g_statusProc, window, message, wParam, lParam);
}

class CDemoDialog : public CDialog {
public:
    CDemoDialog() : m_bar(&m_status), m_first("first", m_log), m_second("second", m_log) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_state.SetText("ready");
        m_status.Attach(CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0,
                                        0, m_window, nullptr, GetModuleHandleA(nullptr),
                                        nullptr));
        RECT client;
        GetClientRect(m_window, &client);
        int edges[] = {client.right * 2 / 3, -1};
        m_status.SetParts(2, edges);
        m_status.SetPaneText(1, "Ready", 0);
        g_statusProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            m_status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedStatusProc)));
        m_watched = GetWindowLongPtrW(m_status, GWLP_WNDPROC);
        m_bar.Create("", false, 100, 100, false, 0);
        m_bar.SetText(FormatResString(IDS_CREATING, 2u));
        m_bar.SetPos(40);
        m_first.Hook(m_state, &m_first);
        m_second.Hook(m_state, &m_second);
        return TRUE;
    }

    bool OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        switch (LOWORD(wParam)) {
        case IDC_ASK:
            Ask();
            return true;
        case IDC_UNHOOK:
            m_first.Unhook();
            Ask();
            return true;
        case IDC_DESTROY: {
            DestroyWindow(m_status);
            bool restored = g_procAtNcDestroy == m_watched;
            m_state.SetText(restored ? "status bar destroyed, its own procedure back before it went"
                                     : "status bar destroyed, still hooked when it went");
            return true;
        }
        }
        return CDialog::OnCommand(wParam, lParam);
    }

    void DoDataExchange(CDataExchange& dx) override { DDX_Control(dx, IDC_STATE, m_state); }

private:
    void Ask()
    {
        m_log = "asked:";
        SendMessageA(m_state, kProbe, 0, 0);
        bool hooked = GetWindowLongPtrW(m_state, GWLP_WNDPROC) ==
                      reinterpret_cast<LONG_PTR>(&HookWndProc);
        m_state.SetText((m_log + (hooked ? "; still hooked" : "; unhooked")).c_str());
    }

    CStatic m_state;
    CStatusBarCtrl m_status;
    CProgressBar m_bar;
    std::string m_log;
    CNamedHook m_first;
    CNamedHook m_second;
    LONG_PTR m_watched = 0;
};

int Prompt()
{
    CStr text = FormatResString(IDS_EXISTS, "Z:\\Tom & Jerry\\Big_parts.000");
    CMessageBox box(text, CMessageBox::kIconInformation);
    box.AddButton(LoadResString(IDS_YES), true);
    box.SetCancelAnswer(box.AddButton(LoadResString(IDS_NO), false));
    box.AddButton(LoadResString(IDS_YES_TO_ALL), false);
    return static_cast<int>(box.DoModal());
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (std::strcmp(commandLine, "prompt") == 0)
        return Prompt();
    CDemoDialog dialog;
    return static_cast<int>(dialog.DoModal(instance, IDD_DEMO, nullptr));
}
