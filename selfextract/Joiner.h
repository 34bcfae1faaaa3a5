// The chunk joiner: rebuilds the split file from a chunk set, one step at a
// time, so that a window stays responsive between steps. It reads the
// payload behind the first chunk, writes the file under its stored name in
// the current folder, checks every chunk (sequence number, and the checksum
// of its data read back from the disk) and finally the whole file.
#pragma once

#include "AppendedArchive.h"
#include "StreamFile.h"
#include "Str.h"

#include <cstdint>

// What the joiner shows; the Windows progress dialog and the Linux terminal
// joiner each implement it.
class IJoinerDisplay {
public:
    virtual ~IJoinerDisplay() = default;
    // The chunk being copied: "File chunk #%u" with index + 1, and its name.
    virtual void SetStatus(const char* name, unsigned index) = 0;
    // Bytes of the file written so far, of `total`.
    virtual void UpdateProgress(unsigned written, unsigned total) = 0;
    virtual void ShowError(const char* text) = 0;
    virtual void ShowInfo(const char* text) = 0;
};

// Names read from a chunk set must be plain file names: not empty, under
// kMaxName bytes, no folder or drive, not "." or "..", no control
// characters. A crafted set can then never write outside the current folder
// or read outside the first chunk's folder.
constexpr unsigned kMaxName = 260;
bool IsPlainFileName(const char* name);

class CJoiner {
public:
    // `firstChunk`: path of the first chunk, the running program on Windows.
    CJoiner(IJoinerDisplay& display, const char* firstChunk);
    CJoiner(const CJoiner&) = delete;
    CJoiner& operator=(const CJoiner&) = delete;
    ~CJoiner();

    // Runs the next step; false when the run has failed (its boxes shown).
    bool RunStep();
    // True once the file is rebuilt, checked and reported.
    bool IsDone() const { return m_step >= kStepDone; }

private:
    enum { kStepDone = 6 };

    bool RunStepUntrapped();
    bool OpenPayload();
    bool PrepareOutput();
    bool OutputIsPartOfSet() const;
    bool CopyOwnData();
    bool CopyChunkFile();
    bool CheckWholeFile();
    bool ReportSuccess();
    bool FinishChunk();
    bool VerifyChunk();
    bool OpenNextChunk();
    bool ReadChunkStart(CStreamFile& chunk, const char* path);
    bool ReadPayloadName(unsigned entry, char* name);
    void SetHeader(const unsigned char* bytes);
    void NextRange();
    void Error(const char* format, const char* text = nullptr);
    void ErrorNumber(const char* format, unsigned number);

    IJoinerDisplay& m_display;
    CStr m_firstChunk;
    CStr m_folder; // drive and folder of the first chunk, with its separator
    char m_outputName[kMaxName];
    char m_nextName[kMaxName];
    unsigned m_step;
    CAppendedArchive* m_archive;
    CStreamFile* m_output;
    CStreamFile* m_chunk;
    unsigned m_remaining;
    unsigned m_fileCrc;
    unsigned m_totalSize;
    unsigned m_headerCrc, m_headerLength, m_headerIndex;
    unsigned m_chunkIndex;
    unsigned m_copyFrom, m_copyTo;
};
