// splitdemo.exe: the split worker and its window listener on screen, for the
// UI driver. It carries a stand-in stub of a fixed size, so that the chunk
// lines it shows are the same in every build.
//   splitdemo make FILE BYTES     writes FILE, BYTES long, and exits with 0
//   splitdemo folder PATH         makes the folder PATH, and exits with 0
//   splitdemo [slow] [split FILE BYTES]
//                                 the dialog: a path, a chunk size in bytes,
//                                 Split, Stop, the chunk list, a state line and
//                                 the progress bar in the status bar. "split"
//                                 starts a split at once; "slow" holds every
//                                 progress step 10 ms, as a slow disk would, so
//                                 that a stop lands in the middle of a chunk.
// Stop asks the worker to stop, waits a second at most, and says on the state
// line whether the worker ended, how many chunk lines there are and the sizes
// of the chunk files on disk. Closing the dialog stops the worker first.
#include "Controls.h"
#include "Dialog.h"
#include "ProgressBar.h"
#include "SplitDemoRes.h"
#include "SplitterThread.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

const DWORD kStopPatienceMs = 1000;
const DWORD kSlowStepMs = 10;

// Holds every position change of the bar a little: the split worker waits
// for each one.
class CSlowProgress : public CSubclassWnd {
protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override
    {
        if (message == PBM_SETPOS)
            Sleep(kSlowStepMs);
        return false;
    }
};

// Size of a file, -1 when there is none.
long long FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

class CSplitDemo : public CDialog {
public:
    CSplitDemo(bool slow, const char* path, const char* size)
        : m_bar(&m_status), m_slow(slow), m_startPath(path), m_startSize(size)
    {
    }

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_status.Attach(CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0,
                                        0, m_window, nullptr, GetModuleHandleA(nullptr),
                                        nullptr));
        m_bar.Create("", false, 100, 100, false, 0);
        m_bar.Show(SW_HIDE);
        if (m_slow)
            m_slowBar.Subclass(m_bar);
        if (!m_startPath.IsEmpty()) {
            m_path.SetText(m_startPath);
            m_size.SetText(m_startSize);
            PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(IDC_SPLIT, BN_CLICKED), 0);
        }
        return TRUE;
    }

    bool OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        switch (LOWORD(wParam)) {
        case IDC_SPLIT:
            Split();
            return true;
        case IDC_STOP:
            Stop();
            return true;
        }
        return CDialog::OnCommand(wParam, lParam);
    }

    // The worker works on the bar and the list: it ends before they go.
    void OnCancel() override
    {
        CWorkerRegistry::Workers().StopAll(INFINITE);
        CDialog::OnCancel();
    }

    void DoDataExchange(CDataExchange& dx) override
    {
        DDX_Control(dx, IDC_PATH, m_path);
        DDX_Control(dx, IDC_CHUNK_SIZE, m_size);
        DDX_Control(dx, IDC_CHUNKS, m_chunks);
        DDX_Control(dx, IDC_STATE, m_state);
    }

private:
    void Split()
    {
        unsigned chunkSize = static_cast<unsigned>(std::strtoul(m_size.GetText(), nullptr, 10));
        m_splitPath = m_path.GetText();
        m_bar.SetPos(0);
        m_bar.Show(SW_SHOW);
        m_chunks.ResetContent();
        m_state.SetText("");
        auto* listener = new CSplitterListener(&m_bar, &m_chunks);
        (new CSplitterThread(m_splitPath, chunkSize, listener))->StartSplit();
    }

    void Stop()
    {
        if (!CWorkerRegistry::Workers().StopAll(kStopPatienceMs)) {
            m_state.SetText("still running a second after the stop request");
            return;
        }
        // The chunk files on disk, by their sizes.
        CStr base = GetSplitOutputBase(m_splitPath);
        std::string sizes;
        long long size;
        for (unsigned i = 0; (size = FileSize(GetChunkName(base, i))) >= 0; ++i)
            sizes += " " + std::to_string(size);
        char text[200];
        std::snprintf(text, sizeof text,
                      "stopped within a second; chunk lines: %d, chunk files:%s",
                      m_chunks.GetCount(), sizes.empty() ? " none" : sizes.c_str());
        m_state.SetText(text);
    }

    CEdit m_path;
    CEdit m_size;
    CListBox m_chunks;
    CStatic m_state;
    CStatusBarCtrl m_status;
    CProgressBar m_bar;
    CSlowProgress m_slowBar;
    bool m_slow;
    CStr m_startPath;
    CStr m_startSize;
    CStr m_splitPath;
};

// The input files of the tests: a byte pattern that differs from chunk to
// chunk.
int MakeFile(const char* path, unsigned long long bytes)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return 1;
    std::vector<unsigned char> block(65536);
    for (unsigned long long written = 0; written < bytes;) {
        size_t length =
            static_cast<size_t>(std::min<unsigned long long>(block.size(), bytes - written));
        for (size_t i = 0; i < length; ++i)
            block[i] = static_cast<unsigned char>((written + i) * 7 + (written + i) / 251);
        if (std::fwrite(block.data(), 1, length, file) != length)
            break;
        written += length;
    }
    return std::fclose(file) == 0 ? 0 : 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    std::vector<std::string> args(__argv + 1, __argv + __argc);
    if (args.size() == 2 && args[0] == "folder")
        return CreateDirectoryA(args[1].c_str(), nullptr) ? 0 : 1;
    if (args.size() == 3 && args[0] == "make")
        return MakeFile(args[1].c_str(), std::strtoull(args[2].c_str(), nullptr, 10));
    bool slow = !args.empty() && args[0] == "slow";
    if (slow)
        args.erase(args.begin());
    const char* path = "";
    const char* size = "";
    if (args.size() == 3 && args[0] == "split") {
        path = args[1].c_str();
        size = args[2].c_str();
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CSplitDemo dialog(slow, path, size);
    return static_cast<int>(dialog.DoModal(instance, IDD_SPLITDEMO, nullptr));
}
