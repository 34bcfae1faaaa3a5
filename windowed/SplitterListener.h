// The windowed splitter's answers to the split engine. It runs on the split
// worker's thread and works on the dialog's progress bar and chunk list
// directly (their messages are sent across to the dialog's thread, which
// handles them before the call returns); its questions and messages are
// boxes of their own, without owner, on the worker's thread, and the split
// waits for the answer.
//
// A stop request (the worker's stop event) ends the split at the listener's
// next call with the engine's abort, before any window work: the dialog
// that asked may be about to go. A question open at that moment is closed
// as by its close box.
#pragma once

#include "Controls.h"
#include "ProgressBar.h"
#include "WorkerThread.h"

#include "Splitter.h"

#include <windows.h>

class CSplitterListener : public ISplitterListener {
public:
    // Neither is owned; both must outlive the split, or the split must be
    // stopped (and waited for) before they go.
    CSplitterListener(CProgressBar* progressBar, CListBox* chunkList);

    // The split ends at the next call once `stop` is signalled.
    void SetStopEvent(const CSyncEvent* stop) { m_stop = stop; }
    bool IsStopRequested() const { return m_stop && m_stop->IsSet(); }

    void OnChunkStart(unsigned chunkIndex) override;
    void OnChunkDone(unsigned chunkIndex, unsigned dataLength) override;
    bool OnProblem(int kind) override;
    bool OnFileExists(const char* path) override;
    void OnProgress(unsigned done, unsigned position, unsigned total) override;

    // The end of a split: "Produced %d file." after the bar is hidden, or
    // the label "Operation aborted." with `message` in a box.
    void ShowProduced(unsigned chunkCount);
    void ShowFailure(const char* message);

    // The chunk whose file the engine had created but not yet reported done
    // when a stop ended the split; -1 when there is none.
    int GetCutChunk() const { return m_openChunk; }

private:
    void StopIfRequested() const;

    bool m_bOverwriteAll;
    CProgressBar* m_progressBar;
    CListBox* m_chunkList;
    const CSyncEvent* m_stop;
    unsigned m_chunkIndex;
    int m_openChunk;
};

// The string-table text for an engine error code.
unsigned GetSplitErrorStringId(unsigned code);
