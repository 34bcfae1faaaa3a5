// CAppendedArchive: named byte entries stored behind the end of a program,
// with a trailer at the very end that says where they begin. The program in
// front (the head) still runs; it finds its entries by reading its own file.
//
// Layout (little-endian u32 fields, H = head length, L = file length):
//   [0, H)      head
//   H           N, the number of entries
//   H + 4       N entries: u32 n, n name bytes, u32 D, D data bytes
//   L - 20      H
//   L - 16      the 16 magic bytes kArchiveMagic
#pragma once

#include "AbStream.h"
#include "Str.h"

#include <cstdint>
#include <cstdio>

#include <vector>

class CStreamFile;

constexpr unsigned char kArchiveMagic[16] = {0x78, 0x56, 0x34, 0x12, 0xD6, 0xC7, 0xB8, 0xA9,
                                             0x12, 0x03, 0xF4, 0xE5, 0x09, 0xBA, 0xDC, 0xFE};
constexpr unsigned kArchiveTrailerSize = 20; // offset H and magic

// What reading an archive from a file keeps of the program in front of it:
// the head in memory (a splitter copies its stub from there; a file without
// an archive is then read whole), or nothing but the entries (the joiner,
// which may be handed a large file that holds no archive at all).
enum ArchiveHead { kReadHead, kSkipHead };

class CAppendedArchive {
public:
    // A head copied from `data`, no entries.
    CAppendedArchive(const void* data, unsigned length);
    // The archive behind the program at `path` (see Read).
    explicit CAppendedArchive(const char* path, ArchiveHead head = kReadHead);
    CAppendedArchive(const CAppendedArchive&) = delete;
    CAppendedArchive& operator=(const CAppendedArchive&) = delete;
    ~CAppendedArchive();

    bool HasHead() const { return m_headLength > 0; }
    const char* GetHead() const { return m_head; }
    unsigned GetHeadLength() const { return m_headLength; }
    unsigned GetEntryCount() const { return static_cast<unsigned>(m_entries.size()); }
    // Index of the entry named `name` (ASCII case ignored); GetEntryCount()
    // when there is none.
    unsigned FindEntry(const char* name) const;
    const char* GetEntryName(unsigned index) const;
    // Serialized size: 4 + name length + 4 + data length; 0 out of range.
    unsigned GetEntrySize(unsigned index) const;
    // Data length of the entry; 0 out of range.
    unsigned GetEntryLength(unsigned index) const;
    unsigned GetTotalSize() const;

    unsigned CopyEntry(IAbStream& target, unsigned index);
    // Reads the whole entry into `buffer`, which has room for it.
    void ReadEntry(void* buffer, unsigned index);
    // Copies bytes [from, to) of the entry (fewer when it ends earlier).
    unsigned CopyEntryRange(IAbStream& target, unsigned from, unsigned to, unsigned index);
    // The stream of an entry read from a file (a window over it), for a
    // copy inside the operating system (CStreamFile::CopyFrom); null for an
    // entry added in memory or out of range.
    CStreamFile* GetEntryFile(unsigned index) const
    {
        return index < m_entries.size() ? m_entries[index].file : nullptr;
    }

    // Adds an entry over the caller's bytes, not copied: they must live until
    // the archive has been written.
    void AddBuffer(const void* data, unsigned length);
    // Adds an entry over the caller's stream, which stays the caller's.
    void AddStream(IAbStream& stream);
    bool InsertEntry(const char* name, IAbStream* stream);
    bool InsertEntryAt(unsigned index, const char* name, IAbStream* stream);
    void RemoveEntry(unsigned index);
    CStr GetFreeEntryName() const;

    // Reads the archive behind the program at `path`. Never fails: a file
    // that cannot be opened gives no head and no entries; a file without a
    // sound archive (no trailer, wrong magic, or an entry table that does not
    // fit between the head and the trailer) gives its whole content as head.
    // With kSkipHead only the trailer and the entry table are read: there is
    // never a head, and a file without a sound archive gives nothing.
    void Read(const char* path, ArchiveHead head = kReadHead);
    void Write(IAbStream& target);

private:
    struct CEntry {
        CStr name;
        IAbStream* stream;
        CStreamFile* file; // the same stream, when the entry was read from a file
    };

    void Clear();
    void SetHead(const void* data, unsigned length);
    void ReadWholeFileAsHead(FILE* file, int64_t fileLength);

    char* m_head;
    unsigned m_headLength;
    std::vector<CEntry> m_entries;
    std::vector<IAbStream*> m_ownedStreams;
};

// Full path of the running program's executable.
CStr GetModulePath();
