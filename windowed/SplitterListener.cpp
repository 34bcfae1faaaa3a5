#include "SplitterListener.h"

#include "AppMessageBox.h"
#include "MessageBox.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

const UINT kStopCheckMs = 100;

// The stop event of the split whose question is open on this thread.
thread_local const CSyncEvent* t_questionStop = nullptr;

BOOL CALLBACK CloseVisibleWindow(HWND window, LPARAM)
{
    if (IsWindowVisible(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// The question's own message loop runs this timer: once a stop is asked,
// the box (the one window this thread shows) is closed as by its close box,
// which answers "&No" or Cancel.
void CALLBACK CloseQuestionOnStop(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_questionStop && t_questionStop->IsSet())
        EnumThreadWindows(GetCurrentThreadId(), &CloseVisibleWindow, 0);
}

// While it lives, a stop request closes the question open on this thread,
// so that a worker asked to stop never waits for an answer.
class CQuestionStopper {
public:
    explicit CQuestionStopper(const CSyncEvent* stop)
        : m_timer(stop ? SetTimer(nullptr, 0, kStopCheckMs, &CloseQuestionOnStop) : 0)
    {
        t_questionStop = stop;
    }
    ~CQuestionStopper()
    {
        if (m_timer)
            KillTimer(nullptr, m_timer);
        t_questionStop = nullptr;
    }
    CQuestionStopper(const CQuestionStopper&) = delete;
    CQuestionStopper& operator=(const CQuestionStopper&) = delete;

private:
    UINT_PTR m_timer;
};

} // namespace

unsigned GetSplitErrorStringId(unsigned code)
{
    switch (code) {
    case CSplitterException::errOutputTooSmall: return IDS_ERR_OUTPUT_TOO_SMALL;
    case CSplitterException::errReadInput: return IDS_ERR_READ_INPUT;
    case CSplitterException::errAborted: return IDS_ERR_ABORTED;
    case CSplitterException::errNoSelfExtractor: return IDS_ERR_NO_SELF_EXTRACTOR;
    case CSplitterException::errInputTooLarge: return IDS_ERR_INPUT_TOO_LARGE;
    case CSplitterException::errChunkIsInput: return IDS_ERR_CHUNK_IS_INPUT;
    case CSplitterException::errBadFileName: return IDS_ERR_BAD_FILE_NAME;
    case CSplitterException::errNameTooLong: return IDS_ERR_NAME_TOO_LONG;
    default: return IDS_ERR_UNKNOWN;
    }
}

CSplitterListener::CSplitterListener(CProgressBar* progressBar, CListBox* chunkList)
    : m_bOverwriteAll(false),
      m_progressBar(progressBar),
      m_chunkList(chunkList),
      m_stop(nullptr),
      m_chunkIndex(0),
      m_openChunk(-1)
{
}

// The engine holds no lock and the chunk file it writes is closed as the
// abort unwinds it: ending here never leaves a file open.
void CSplitterListener::StopIfRequested() const
{
    if (IsStopRequested())
        DRAVIK_THROW(CSplitterException, CSplitterException::errAborted);
}

void CSplitterListener::OnChunkStart(unsigned chunkIndex)
{
    StopIfRequested();
    m_chunkIndex = chunkIndex;
    m_progressBar->SetText(FormatResString(IDS_CREATING_CHUNK, chunkIndex + 1));
}

// A chunk done after the stop request is not reported: the dialog may be
// going. It counts as cut, like one stopped half way.
void CSplitterListener::OnChunkDone(unsigned chunkIndex, unsigned dataLength)
{
    StopIfRequested();
    m_openChunk = -1;
    m_chunkList->AddString(FormatResString(IDS_CHUNK_LINE, chunkIndex + 1, dataLength));
}

bool CSplitterListener::OnProblem(int kind)
{
    if (IsStopRequested())
        return false;
    unsigned text = kind == problemNoSpace       ? IDS_NO_SPACE
                    : kind == problemCannotCreate ? IDS_CANNOT_CREATE
                                                  : IDS_WRITE_ERROR;
    CQuestionStopper stopper(m_stop);
    return AppMessageBox(text, MB_OKCANCEL) == IDOK && !IsStopRequested();
}

// Escape and the close box answer "&No", the answer that loses nothing.
bool CSplitterListener::OnFileExists(const char* path)
{
    if (IsStopRequested())
        return false;
    if (m_bOverwriteAll)
        return true;
    CMessageBox box(FormatResString(IDS_OVERWRITE, path), CMessageBox::kIconInformation);
    box.AddButton(LoadResString(IDS_YES), true);
    uint16_t no = box.AddButton(LoadResString(IDS_NO), false);
    uint16_t all = box.AddButton(LoadResString(IDS_YES_TO_ALL), false);
    box.SetCancelAnswer(no);
    CQuestionStopper stopper(m_stop);
    INT_PTR answer = box.DoModal();
    if (IsStopRequested())
        return false;
    if (answer == all)
        m_bOverwriteAll = true;
    // 0: the box could not be shown, and nobody said yes.
    return answer != no && answer != 0;
}

// Progress comes only once the chunk file exists: from here until it is
// reported done, a stop cuts it.
void CSplitterListener::OnProgress(unsigned done, unsigned /*position*/, unsigned total)
{
    m_openChunk = static_cast<int>(m_chunkIndex);
    StopIfRequested();
    m_progressBar->SetPos(static_cast<int>(done * 100.0 / total));
}

void CSplitterListener::ShowProduced(unsigned chunkCount)
{
    m_progressBar->SetText("");
    m_progressBar->Show(SW_HIDE);
    AppMessageBox(FormatResString(IDS_PRODUCED, static_cast<int>(chunkCount)), MB_OK);
}

void CSplitterListener::ShowFailure(const char* message)
{
    m_progressBar->SetText(LoadResString(IDS_ABORTED_LABEL));
    AppMessageBox(message, MB_OK);
}
