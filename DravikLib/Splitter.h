// The split engine: cuts one input file into a chunk set (ChunkFormat.h).
#pragma once

#include "AbStream.h"
#include "AppendedArchive.h"
#include "ChunkFormat.h"
#include "ExceptionBase.h"
#include "Str.h"

#include <cstdint>
#include <cstdio>
#include <vector>

class ISplitterListener {
public:
    // What OnProblem asks about.
    enum ProblemKind { problemNoSpace = 0, problemCannotCreate = 1 };

    virtual ~ISplitterListener() = default;
    virtual void OnChunkStart(unsigned chunkIndex) = 0;
    virtual void OnChunkDone(unsigned chunkIndex, unsigned dataLength) = 0;
    // kind: a ProblemKind. true: go on; false: stop the split ("Operation
    // aborted.").
    virtual bool OnProblem(int kind) = 0;
    // true: overwrite the existing chunk file; false: stop.
    virtual bool OnFileExists(const char* path) = 0;
    // done: input bytes placed so far (before this block), position: the
    // chunk file's size so far, total: the input size. For an input of 4 GiB
    // or more, done and total are counted in units of 2, 4, ... bytes, the
    // smallest that makes total fit: their ratio is the progress all the same.
    virtual void OnProgress(unsigned done, unsigned position, unsigned total) = 0;
};

class CSplitterException : public CExceptionBase {
public:
    enum {
        errOutputTooSmall = 0,
        errReadInput = 1,
        errAborted = 2,
        errNoSelfExtractor = 3,
        errInputTooLarge = 4,
        errChunkIsInput = 5,
        errBadFileName = 6,
        errNameTooLong = 7,
    };

    CSplitterException(unsigned code, const char* file, int line);
    // The code with a text of its own, one that names the fault exactly.
    CSplitterException(unsigned code, const char* message, const char* file, int line);
    unsigned GetCode() const { return m_code; }
    static const char* GetErrorMessage(unsigned code);

private:
    unsigned m_code;
};

// Wraps the stream of the chunk being written and reports every block
// written through it to the listener.
class CStreamListener : public IAbStream {
public:
    CStreamListener(uint64_t total, uint64_t done, IAbStream& target,
                    ISplitterListener& listener);
    void Serialize(const void* data, unsigned length) override;
    void Serialize(void* data, unsigned length) override;
    bool IsReading() const override { return m_target->IsReading(); }
    void Seek(unsigned position) override { m_target->Seek(position); }
    void SeekToBegin() override { m_target->SeekToBegin(); }
    void SeekToEnd() override { m_target->SeekToEnd(); }
    unsigned GetPosition() const override { return m_target->GetPosition(); }
    unsigned GetLength() const override { return m_target->GetLength(); }
    char* GetBuffer() override { return m_target->GetBuffer(); }

private:
    uint64_t m_total;
    uint64_t m_done;
    unsigned m_shift; // what OnProgress's done and total are shifted right by
    IAbStream* m_target;
    ISplitterListener* m_listener;
};

// The engine is the archive of the running splitter, whose entry 0 is the
// stub that every first chunk carries.
class CSplitter : public CAppendedArchive {
public:
    // Reads the running program's archive; raises errNoSelfExtractor when it
    // has no entry, errOutputTooSmall when chunkSize cannot hold the stub
    // entry and a header. An empty outputBase means inputPath.
    CSplitter(unsigned chunkSize, const char* inputPath, const char* outputBase);
    ~CSplitter();

    // Writes the chunk set. Raises errReadInput, errInputTooLarge,
    // errBadFileName, errNameTooLong, errOutputTooSmall, errChunkIsInput,
    // errAborted; stream errors pass through.
    void Split(ISplitterListener& listener);
    const char* GetInputPath() const { return m_inputPath; }
    unsigned GetChunkCount() const { return m_chunkIndex; }
    // How many chunk checksums the first pass keeps (about a million); a set
    // with more chunks checksums each chunk again just before writing it.
    // Tests lower it to take that path with small sets.
    void SetKeptChecksums(size_t count) { m_keptChecksums = count; }

private:
    struct CPlan;
    void BuildChunkArchive(const char* nextName, unsigned recordSize);
    void CheckChunkCount(uint64_t size) const;
    void CheckNameLength(uint64_t size) const;
    unsigned Overhead(unsigned index, const CStr& nextName) const;
    unsigned DataLength(unsigned index, const CStr& nextName, uint64_t remaining) const;
    void PlanChecksums(FILE* input, uint64_t size, CPlan& plan);
    FILE* CreateChunk(const char* path, std::vector<char>& buffer, ISplitterListener& listener);
    CChunkHeader WriteChunk(FILE* input, const CPlan& plan, const CStr& nextName,
                            uint64_t total, uint64_t remaining, std::vector<char>& buffer,
                            ISplitterListener& listener);

    CAppendedArchive* m_chunkArchive;
    unsigned m_chunkSize;
    CStr m_inputPath;
    CStr m_outputBase;
    CStr m_inputName;
    CStr m_spaceRoot;
    unsigned m_chunkIndex;
    unsigned m_firstOverhead;
    size_t m_keptChecksums;
    // Memory the chunk archive's buffer entries point into.
    unsigned char m_fileRecord[kLargeFileRecordSize];
    CStr m_nextNameHeld;
};

// Name and extension of `path`, without drive and directory.
CStr GetFileName(const char* path);
// "X:\" for a path that begins with a drive letter, else empty.
CStr GetDriveRoot(const char* path);
// Where the free space for chunks written to `outputBase` is measured: its
// drive root on Windows, its directory elsewhere; empty means the current one.
CStr GetSpaceRoot(const char* outputBase);
// Free bytes there; kFreeSpaceUnknown (no prompt) when that cannot be told.
// winbase.h keeps a 16-bit Windows function as a macro of this name: a
// front end that includes windows.h first would not compile the declaration.
#ifdef GetFreeSpace
#undef GetFreeSpace
#endif
uint64_t GetFreeSpace(const char* root);

