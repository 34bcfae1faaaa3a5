// The console's answers to the split engine: one "Creating chunk #N" line per
// chunk, and single-key prompts before overwriting a chunk file or when the
// disk is full or cannot be written.
#pragma once

#include "Splitter.h"

class CSplitterListener : public ISplitterListener {
public:
    // overwriteAll: existing chunk files are overwritten without asking.
    // showProgress: stdout is a terminal, so the chunk line may carry a
    // percentage that is rewritten in place; when it is not, questions go
    // to the terminal too, where one is there to answer them.
    CSplitterListener(bool overwriteAll, bool showProgress);
    ~CSplitterListener() override;

    void OnChunkStart(unsigned chunkIndex) override;
    void OnChunkDone(unsigned chunkIndex, unsigned dataLength) override;
    bool OnProblem(int kind) override;
    bool OnFileExists(const char* path) override;
    void OnProgress(unsigned done, unsigned position, unsigned total) override;

private:
    void EndChunkLine();
    void Ask(const char* text);

    bool m_bOverwriteAll;
    bool m_showProgress;
    bool m_askOnTerminal;
    // On a terminal the chunk line stays open for the percentage until the
    // chunk is done, a prompt comes or the split ends.
    bool m_lineOpen;
    unsigned m_chunkNumber;
    int m_percent;
};
