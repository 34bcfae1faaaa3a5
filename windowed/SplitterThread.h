// CSplitterThread: one split on a worker thread of its own, so that the
// dialog stays responsive. It owns its listener and deletes itself, and the
// listener with it, when the split has ended and its result was shown.
#pragma once

#include "SplitterListener.h"
#include "Str.h"
#include "WorkerThread.h"

class CSplitterThread : public CWorkerThread {
public:
    // Takes `listener` over. The chunks go beside the input (see
    // GetSplitOutputBase).
    CSplitterThread(const char* inputPath, unsigned chunkSize, CSplitterListener* listener,
                    CWorkerRegistry& registry = CWorkerRegistry::Workers());
    ~CSplitterThread() override;

    // Starts the split. When no thread can be made the failure is shown as
    // a failed split and the worker deletes itself: either way the caller
    // must not touch it again.
    void StartSplit();

protected:
    bool Run() override;

private:
    void Split();

    CStr m_inputPath;
    unsigned m_chunkSize;
    CSplitterListener* m_listener;
};

// The output base of a split: the input's drive, folder and name followed
// by "_parts" and its extension, so C:\data\big.zip gives the chunks
// C:\data\big_parts.exe, C:\data\big_parts.000, ...
CStr GetSplitOutputBase(const char* inputPath);
