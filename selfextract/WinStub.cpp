// dravikx.exe, the self-extractor stub that becomes every first chunk. It
// shows a small modeless progress dialog and drives the joiner one step per
// idle turn of its message loop, until the file is rebuilt or a step fails.
// It takes no command line, asks nothing, and always exits with code 1.
#include "AppendedArchive.h"
#include "Joiner.h"
#include "Platform.h"
#include "WinStub.h"

#include <windows.h>
#include <commctrl.h>


namespace {

const char kCaption[] = "Dravikon Self-Extractor";
// Done or failed, the stub ends with this code.
const int kExitCode = 1;
const UINT kRunStep = WM_USER + 1;

class CExtractor : public IJoinerDisplay {
public:
    explicit CExtractor(HINSTANCE instance)
        : m_instance(instance), m_dialog(nullptr),
          m_icon(LoadIconA(instance, MAKEINTRESOURCEA(IDI_EXTRACTOR))), m_running(true),
          m_joiner(*this, GetModulePath())
    {
    }

    int Run();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void OnRunStep();
    void Finish() { m_running = false; }

    void SetStatus(const char* name, unsigned index) override;
    void UpdateProgress(unsigned written, unsigned total) override;
    void ShowError(const char* text) override { MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONERROR); }
    void ShowInfo(const char* text) override
    {
        MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONINFORMATION);
    }
    // The stub asks nothing: an existing file is replaced by a rebuilt one
    // that passed every check, never by a set that fails.
    bool MayReplace(const char*) override { return true; }

    HINSTANCE m_instance;
    HWND m_dialog;
    HICON m_icon;
    bool m_running;
    CJoiner m_joiner;
};

// The loop never waits: whenever the queue runs empty it posts the next step
// to the dialog, so every step is followed by a chance to repaint. No
// keyboard translation: Esc, Enter and Cancel do nothing.
int CExtractor::Run()
{
    CreateDialogParamA(m_instance, MAKEINTRESOURCEA(IDD_EXTRACTOR), nullptr, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    m_running = true;
    MSG message;
    do {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                break;
            DispatchMessageA(&message);
        } else {
            PostMessageA(m_dialog, kRunStep, 0, 0);
        }
    } while (m_running);
    return kExitCode;
}

INT_PTR CALLBACK CExtractor::DialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    CExtractor* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CExtractor*>(lParam);
        self->m_dialog = dialog;
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CExtractor*>(GetWindowLongPtrA(dialog, DWLP_USER));
    }
    if (!self)
        return FALSE;
    if (message == WM_INITDIALOG)
        self->OnInitDialog();
    else if (message == kRunStep)
        self->OnRunStep();
    return FALSE;
}

void CExtractor::OnInitDialog()
{
    SendMessageA(m_dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SetDlgItemTextA(m_dialog, IDC_STATUS1, "");
    SetDlgItemTextA(m_dialog, IDC_STATUS2, "");
    SendDlgItemMessageA(m_dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
}

void CExtractor::OnRunStep()
{
    if (m_joiner.IsDone() || !m_joiner.RunStep())
        Finish();
}

void CExtractor::SetStatus(const char* name, unsigned index)
{
    char text[1024];
    PlatformFormat(text, sizeof text, "File chunk #%u", index + 1);
    SetDlgItemTextA(m_dialog, IDC_STATUS1, text);
    SetDlgItemTextA(m_dialog, IDC_STATUS2, name);
}

void CExtractor::UpdateProgress(unsigned written, unsigned total)
{
    int position = total ? static_cast<int>(static_cast<double>(written) * 100 / total) : 100;
    SendDlgItemMessageA(m_dialog, IDC_PROGRESS, PBM_SETPOS, position, 0);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CExtractor extractor(instance);
    return extractor.Run();
}
