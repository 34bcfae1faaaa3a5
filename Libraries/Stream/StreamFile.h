// CStreamFile: an IAbStream over a C-library FILE, the whole file or a window
// of it that starts where the file stood when the stream was built.
#pragma once

#include "AbStream.h"
#include "Platform.h"
#include "Str.h"

#include <cstdint>
#include <cstdio>

// The direction of a stream, fixed when it is built.
enum StreamMode : int { kStreamRead = 0, kStreamWrite = 1 };
// Whether a stream over an open file closes it when it goes.
enum FileOwnership { kFileBorrowed, kFileOwned };

class CStreamFile : public IAbStream {
public:
    // Wraps an open file; the stream's position 0 is the file's current
    // position. `length` is the readable size in read mode (0 for writing).
    CStreamFile(FILE* file, unsigned length, StreamMode mode, FileOwnership ownership);
    // Opens `path` "rb" (kStreamRead) or "wb" (kStreamWrite), denying others
    // access as `share` says.
    CStreamFile(const char* path, StreamMode mode, ShareMode share);
    // A second stream on a duplicate of source's handle; it shares the
    // operating-system file position with `source`.
    CStreamFile(const CStreamFile& source, StreamMode mode);
    // A read window of `length` bytes at `offset` of source's file, on a
    // duplicate of its handle. The offset is 64-bit: the window may lie past
    // the 4 GiB that positions in a stream count.
    CStreamFile(const CStreamFile& source, int64_t offset, unsigned length);
    CStreamFile& operator=(const CStreamFile&) = delete;
    ~CStreamFile() override;

    void Serialize(const void* data, unsigned length) override;
    void Serialize(void* data, unsigned length) override;
    bool IsReading() const override { return m_mode == kStreamRead; }
    void Seek(unsigned position) override;
    void SeekToBegin() override;
    void SeekToEnd() override;
    unsigned GetPosition() const override { return m_position; }
    unsigned GetLength() const override { return m_length; }
    char* GetBuffer() override;
    virtual int Flush();
    // Flushes, raising "Error writing file: <reason>" when the buffered
    // bytes could not be written.
    void FlushOrRaise();

    // Writes `count` bytes of `source` (no more than it still holds) from its
    // position, copied inside the operating system where it can (see
    // PlatformCopyRange), through CopyStream otherwise. Returns the bytes
    // copied; raises a stream error as Serialize does.
    unsigned CopyFrom(CStreamFile& source, unsigned count);
    // The open file, for a view of what was written (CPlatformFileView).
    FILE* GetFile() const { return m_file; }

    // Flushes and closes an owned file, raising a stream error when the
    // bytes could not all be written (a full disk shows up here at the
    // latest). The stream is unusable afterwards.
    void Close();

private:
    void SetReadLength();

    StreamMode m_mode;
    FILE* m_file;
    bool m_ownsFile;
    unsigned m_length;
    int64_t m_start;
    // The file position minus m_start, kept here rather than asked of the C
    // library, which costs a system call each time. Windows over one FILE
    // share its real position: every user seeks its window before reading.
    unsigned m_position;
};

// The text of a failed read from `file`, given errno after it: "Error
// reading file: " and the C library's reason, or "unexpected end of file"
// when the file simply ended.
CStr ReadErrorText(FILE* file, int error);

// True when `path` names an existing entry that is not a directory.
bool FileExists(const char* path);

// A file opened with the C library, closed on every way out of its scope.
class CFileHandle {
public:
    CFileHandle(const char* path, const char* mode);
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    ~CFileHandle();
    // The C library's close result; 0 when nothing was open.
    int Close();
    FILE* Get() const { return m_file; }
    operator FILE*() const { return m_file; }

private:
    FILE* m_file;
};
