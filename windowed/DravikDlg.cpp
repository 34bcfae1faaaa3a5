#include "DravikDlg.h"

#include "AboutDlg.h"
#include "AboutRes.h"
#include "AppMessageBox.h"
#include "DravikonRes.h"
#include "SplitterThread.h"
#include "StringIds.h"
#include "StringTable.h"

#include <commdlg.h>
#include <cstring>
#include <shellapi.h>
#include <vector>

namespace {

// Posted by a split's listener as the worker deletes it, its very last step:
// the split and the box that ended it are over.
const UINT kSplitEnded = WM_APP + 1;

// The open-file dialog's buffer: room for long paths.
const DWORD kPathBuffer = 32768;

struct CMedium {
    unsigned id;
    unsigned size;
};

// In the order they are added; the list sorts them by their texts. The
// floppies hold less than their nominal sizes: what a formatted disk takes.
const CMedium kMedia[] = {
    {IDS_MEDIA_525_160K, 158720},  {IDS_MEDIA_525_180K, 178176},  {IDS_MEDIA_525_320K, 322560},
    {IDS_MEDIA_525_360K, 362496},  {IDS_MEDIA_35_720K, 730112},   {IDS_MEDIA_525_1200K, 1213952},
    {IDS_MEDIA_35_1440K, 1457664}, {IDS_MEDIA_ZIP_95M, 100431872}, {IDS_MEDIA_USER, 0},
};

// The split's listener, which also tells the dialog when the split is over.
class CDialogListener : public CSplitterListener {
public:
    CDialogListener(HWND dialog, CProgressBar* progressBar, CListBox* chunkList)
        : CSplitterListener(progressBar, chunkList), m_dialog(dialog)
    {
    }
    ~CDialogListener() override { PostMessageA(m_dialog, kSplitEnded, 0, 0); }

private:
    HWND m_dialog;
};

} // namespace

CDravikDlg::CDravikDlg(const char* path)
    : m_path(path),
      m_icon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_DRAVIKON))),
      m_smallIcon(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                                MAKEINTRESOURCEA(IDI_DRAVIKON), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), 0))),
      m_progressBar(&m_statusBar)
{
}

CDravikDlg::~CDravikDlg()
{
    if (m_smallIcon)
        DestroyIcon(m_smallIcon);
}

INT_PTR CDravikDlg::DoModal()
{
    return CDialog::DoModal(GetModuleHandleA(nullptr), IDD_DRAVIKON, nullptr);
}

unsigned CDravikDlg::GetMediumSize(unsigned mediumId)
{
    for (const CMedium& medium : kMedia)
        if (medium.id == mediumId)
            return medium.size;
    return 0;
}

BOOL CDravikDlg::OnInitDialog()
{
    if (!CreateStatusBar()) {
        EndDialog(-1);
        return FALSE;
    }
    CDialog::OnInitDialog();
    AddAboutToSystemMenu();
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon : m_icon));
    SetUpSizeControl();
    FillMediaList();
    OnMediaChange();
    DragAcceptFiles(m_window, TRUE);
    return TRUE;
}

void CDravikDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_CHUNK_SIZE, m_size);
    DDX_Control(dx, IDC_CHUNK_LIST, m_chunkList);
    DDX_Control(dx, IDC_CHUNK_LIST, m_followChunks);
    DDX_Control(dx, IDC_MEDIA, m_media);
    DDX_Control(dx, IDC_SPLIT, m_split);
    DDX_Text(dx, IDC_PATH, m_path);
}

bool CDravikDlg::CFollowLastLine::OnMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                            LRESULT& result)
{
    if (message != LB_ADDSTRING)
        return false;
    result = Default(message, wParam, lParam);
    // The list keeps its last page full: the newest line lands at the bottom.
    if (result >= 0)
        Default(LB_SETTOPINDEX, static_cast<WPARAM>(result), 0);
    return true;
}

// The status bar places itself along the bottom edge; the progress bar
// waits hidden in its first pane until a split starts.
bool CDravikDlg::CreateStatusBar()
{
    HWND statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                     m_window, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!statusBar)
        return false;
    m_statusBar.Attach(statusBar);
    if (!m_progressBar.Create("", false, 100, 100, false, 0))
        return false;
    m_progressBar.Show(SW_HIDE);
    return true;
}

void CDravikDlg::AddAboutToSystemMenu() const
{
    HMENU menu = GetSystemMenu(m_window, FALSE);
    CStr about = LoadResString(IDS_ABOUT);
    if (!menu || about.IsEmpty())
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
}

// Bytes to 650 MB (a chunk size always fits in 32 bits), two decimals.
void CDravikDlg::SetUpSizeControl()
{
    AddByteUnits(m_units);
    m_size.SetUnits(m_units);
    m_size.SetMinimum(0, *m_units.FindUnit("B"));
    m_size.SetMaximum(650, *m_units.FindUnit("MB"));
    m_size.m_edit.m_nDecimals = 2;
}

void CDravikDlg::FillMediaList()
{
    for (const CMedium& medium : kMedia) {
        int index = m_media.AddString(LoadResString(medium.id));
        if (index >= 0)
            m_media.SetItemData(index, medium.id);
    }
    m_media.SetCurSel(0);
}

// A medium shows its size in the size control, which only "User defined
// size" enables: it starts from the medium chosen before it.
void CDravikDlg::OnMediaChange()
{
    unsigned medium = GetSelectedMedium();
    if (medium != IDS_MEDIA_USER)
        m_size.SetValue(GetChunkSize(), *m_units.FindUnit("B"));
    m_size.Enable(medium == IDS_MEDIA_USER);
}

// The selected medium's string ID; ~0 when nothing is selected.
unsigned CDravikDlg::GetSelectedMedium() const
{
    int index = m_media.GetCurSel();
    if (index < 0)
        return ~0u;
    return static_cast<unsigned>(m_media.GetItemData(index));
}

// A medium's size, or the size control's bytes without their fraction.
unsigned CDravikDlg::GetChunkSize() const
{
    unsigned size = GetMediumSize(GetSelectedMedium());
    if (size)
        return size;
    double bytes = m_size.GetValue(*m_units.FindUnit("B"));
    if (bytes <= 0)
        return 0;
    if (bytes >= 4294967295.0)
        return 4294967295u;
    return static_cast<unsigned>(bytes);
}

bool CDravikDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_MEDIA && HIWORD(wParam) == CBN_SELCHANGE) {
        OnMediaChange();
        return true;
    }
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            OnBrowse();
            return true;
        case IDC_SPLIT:
            OnSplit();
            return true;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

// Enter without a default button: the dialog has no OK, Enter splits.
void CDravikDlg::OnOK()
{
    OnSplit();
}

void CDravikDlg::OnCancel()
{
    StopSplit();
    CDialog::OnCancel();
}

bool CDravikDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX)
            return false;
        {
            CAboutDlg about;
            about.DoModal(m_window);
        }
        result = 0;
        return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        result = 0;
        return true;
    case WM_PAINT:
        return PaintMinimised();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_icon);
        return true;
    case kSplitEnded:
        OnSplitEnded();
        return true;
    }
    return false;
}

// An initial name the dialog cannot take (a folder that no longer exists)
// makes it fail without showing: it is then shown with no name.
void CDravikDlg::OnBrowse()
{
    UpdateData(true);
    std::vector<char> file(kPathBuffer, '\0');
    std::strncpy(file.data(), m_path, file.size() - 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_window;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kPathBuffer;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    BOOL chosen = GetOpenFileNameA(&dialog);
    if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        file[0] = '\0';
        chosen = GetOpenFileNameA(&dialog);
    }
    if (chosen)
        m_path = file.data();
    UpdateData(false);
}

// The first dropped file, however long its path; the others are ignored.
void CDravikDlg::OnDropFiles(HDROP drop)
{
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    if (length > 0) {
        CStr path;
        char* buffer = path.PrepareBuffer(length);
        if (DragQueryFileA(drop, 0, buffer, length + 1) == length) {
            m_path = path;
            UpdateData(false);
        }
    }
    DragFinish(drop);
}

void CDravikDlg::OnSplit()
{
    if (m_splitting)
        return;
    UpdateData(true);
    if (m_path.IsEmpty()) {
        MessageBoxA(m_window, LoadResString(IDS_NO_INPUT), GetAppName(),
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_progressBar.SetPos(0);
    m_progressBar.Show(SW_SHOW);
    m_chunkList.ResetContent();
    unsigned chunkSize = GetChunkSize();
    // A disabled button keeps no focus: the keyboard moves on with it.
    m_splitting = true;
    if (GetFocus() == m_split.GetHwnd())
        Send(WM_NEXTDLGCTL, 0, FALSE);
    m_split.Enable(false);
    auto* listener = new CDialogListener(m_window, &m_progressBar, &m_chunkList);
    (new CSplitterThread(m_path, chunkSize, listener))->StartSplit();
}

void CDravikDlg::OnSplitEnded()
{
    m_splitting = false;
    m_split.Enable(true);
}

// Asks the split to stop and waits for it: the listener gives up at its
// next call and closes a question it is asking.
void CDravikDlg::StopSplit()
{
    CWorkerRegistry::Workers().StopAll(INFINITE);
}

// While minimised the dialog is its icon, centred.
bool CDravikDlg::PaintMinimised() const
{
    if (!IsIconic(m_window))
        return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_window, &paint);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    RECT client;
    GetClientRect(m_window, &client);
    int left = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int top = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, left, top, m_icon);
    EndPaint(m_window, &paint);
    return true;
}
