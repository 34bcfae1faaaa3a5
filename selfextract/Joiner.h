// The chunk joiner: rebuilds the split file from a chunk set, one step at a
// time, so that a window stays responsive between steps. It reads the
// payload behind the first chunk, writes the file in the current folder
// under a partial name (see GetPartialName), checks every chunk (sequence
// number, and the checksum of its data read back from the disk) and the
// whole file, and only then gives the file its stored name. A failed run
// leaves what it wrote under the partial name: a file already bearing the
// stored name is never touched by a set that does not rebuild.
#pragma once

#include "AppendedArchive.h"
#include "ChunkFormat.h"
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
    // A file named `name` is already where the rebuilt file goes: true to
    // replace it once the rebuilt file has passed every check, false to end
    // the run before anything is written (the front end says why).
    virtual bool MayReplace(const char* name) = 0;
};

// One step copies at most this many bytes: the stub's window repaints and
// its progress bar moves between steps.
constexpr unsigned kJoinStepBytes = 65536;
// The Linux joiner has no window to keep alive: it copies in larger steps.
constexpr unsigned kLargeJoinStepBytes = 4u << 20;

class CJoiner {
public:
    // `firstChunk`: path of the first chunk, the running program on Windows.
    CJoiner(IJoinerDisplay& display, const char* firstChunk, unsigned stepBytes = kJoinStepBytes);
    CJoiner(const CJoiner&) = delete;
    CJoiner& operator=(const CJoiner&) = delete;
    ~CJoiner();

    // Runs the next step; false when the run has failed (its boxes shown).
    bool RunStep();
    // True once the file is rebuilt, checked and reported.
    bool IsDone() const { return m_step >= kStepDone; }
    // The file that holds the bytes written so far while it is not yet in
    // place: after a failed run, what it left; empty when it left nothing.
    const char* GetPartialName() const { return m_partialName; }

private:
    // The steps of a run, in their order: RunStep runs the one m_step names.
    enum Step : unsigned {
        kStepOpenPayload,
        kStepPrepareOutput,
        kStepCopyOwnData,   // repeated over the first chunk's data
        kStepCopyChunkFile, // repeated over every later chunk's data
        kStepCheckWholeFile,
        kStepReportSuccess,
        kStepDone,
    };

    bool RunStepUntrapped();
    bool OpenPayload();
    bool PrepareOutput();
    bool CreatePartial();
    bool IsOutputOrPartial(const char* chunk) const;
    bool PutOutputInPlace();
    bool CopyOwnData();
    bool CopyChunkFile();
    bool CheckWholeFile();
    bool ReportSuccess();
    bool FinishChunk();
    bool VerifyChunk();
    void ReadBack(uint64_t from, unsigned count);
    bool OpenNextChunk();
    bool ReadChunkStart(CStreamFile& chunk, const char* path);
    bool ReadPayloadName(unsigned entry, char* name);
    bool ReadFileRecord();
    void NextRange();
    void ShowProgress();
    void Error(const char* format, const char* text = nullptr);
    void ErrorNumber(const char* format, unsigned number);

    IJoinerDisplay& m_display;
    CStr m_firstChunk;
    CStr m_folder; // drive and folder of the first chunk, with its separator
    char m_outputName[kMaxName];
    CStr m_partialName;
    bool m_mayReplace; // the front end agreed to replace an existing file
    char m_nextName[kMaxName];
    Step m_step;
    CAppendedArchive* m_archive;
    CStreamFile* m_output;
    CStreamFile* m_chunk;
    uint64_t m_remaining; // bytes of the file not yet written
    unsigned m_fileCrc;
    uint64_t m_totalSize;
    CChunkHeader m_header;
    unsigned m_chunkIndex;
    unsigned m_copyFrom, m_copyTo;
    unsigned m_stepBytes;
    // Checksums of the bytes read back from the output: the current chunk's
    // so far (m_chunkRead bytes), and the whole file's up to the end of the
    // previous chunk.
    unsigned m_chunkCrc;
    unsigned m_chunkRead;
    unsigned m_writtenCrc;
};
