// The chunk format: the bytes of a chunk set, in one unit that the split
// engine (which writes them) and the joiners (which read them) include.
//
// Chunk 0, <base>.exe, is the self-extractor stub followed by an appended
// archive of five entries, ChunkEntry below. Chunk i >= 1, <base>.<i-1 as
// %03X>, holds the next chunk's file name with its NUL, the chunk header and
// the next data bytes. Every number is a little-endian u32, but for the
// size in the large file record.
#pragma once

#include "AbStream.h"
#include "LittleEndian.h"
#include "Str.h"

#include <cstdint>
#include <cstring>

// The entries of chunk 0's archive, in their order.
enum ChunkEntry : unsigned {
    kEntryFileName,    // the split file's name with its NUL
    kEntryFileRecord,  // the CFileRecord of the whole file
    kEntryNextName,    // chunk 1's file name with its NUL
    kEntryChunkHeader, // chunk 0's CChunkHeader
    kEntryData,        // chunk 0's data bytes
    kChunkEntryCount
};

// A splitter carries the stub as entry 0 of its own archive (dravik-pack
// puts it there); every first chunk begins with a copy of it.
constexpr unsigned kEntryStub = 0;

constexpr unsigned kChunkHeaderSize = 12;

// The file record has two forms. An input under 4 GiB has the 8-byte record
// every set has had from the start: the checksum, then the size (u32 each).
// An input of 4 GiB or more has the 16-byte large record: the checksum
// (u32), the size (u64), four reserved bytes that are 0. A joiner that knows
// only the first form refuses the second ("Could not get file data.": the
// entry has another length) rather than misread it, and every set carries
// the joiner that reads it. Chunks stay under 4 GiB: their header is the same
// in both.
constexpr unsigned kFileRecordSize = 8;
constexpr unsigned kLargeFileRecordSize = 16;
// The smallest input that takes the large record.
constexpr uint64_t kLargeFileSize = 0x100000000ull;

// The first chunk is a program, and a program file has a largest size: Wine
// refuses to start one of more than 4 GiB - 512 bytes ("not a valid
// application", measured on the stub). The first chunk is no larger whatever
// the chunk size; later chunks take any chunk size up to 4 GiB - 1 (FAT32's
// largest file).
constexpr unsigned kMaxFirstChunkSize = 0xFFFFFE00u;

// What this header defines in place is all the Windows stub needs of the
// format: it is built without ChunkFormat.cpp, which only the splitters use.

// The whole file: its checksum and its size.
struct CFileRecord {
    unsigned crc;
    uint64_t size;

    // The bytes stored for this size: kFileRecordSize or kLargeFileRecordSize.
    unsigned GetStoredSize() const
    {
        return size < kLargeFileSize ? kFileRecordSize : kLargeFileRecordSize;
    }
    // Writes the GetStoredSize() bytes.
    void Encode(unsigned char* bytes) const
    {
        PutU32(bytes, crc);
        PutU32(bytes + 4, static_cast<unsigned>(size));
        if (GetStoredSize() == kFileRecordSize)
            return;
        PutU32(bytes + 8, static_cast<unsigned>(size >> 32));
        PutU32(bytes + 12, 0);
    }
    // From the `length` bytes stored; false when they are no record of
    // either form. A joiner takes the large form whatever size it holds: the
    // chunks must add up to it in any case.
    bool Decode(const unsigned char* bytes, unsigned length)
    {
        if (length != kFileRecordSize && length != kLargeFileRecordSize)
            return false;
        crc = GetU32(bytes);
        size = GetU32(bytes + 4);
        if (length == kFileRecordSize)
            return true;
        size |= static_cast<uint64_t>(GetU32(bytes + 8)) << 32;
        return GetU32(bytes + 12) == 0;
    }
};

// What comes before every chunk's data: the checksum of the data, its
// length, and the chunk's index (0 for chunk 0, i for <base>.<i-1>).
struct CChunkHeader {
    unsigned crc;
    unsigned length;
    unsigned index;

    // To and from the kChunkHeaderSize bytes stored.
    void Encode(unsigned char* bytes) const
    {
        PutU32(bytes, crc);
        PutU32(bytes + 4, length);
        PutU32(bytes + 8, index);
    }
    void Decode(const unsigned char* bytes)
    {
        crc = GetU32(bytes);
        length = GetU32(bytes + 4);
        index = GetU32(bytes + 8);
    }
    void Write(IAbStream& target) const
    {
        unsigned char bytes[kChunkHeaderSize];
        Encode(bytes);
        target.Serialize(static_cast<const void*>(bytes), kChunkHeaderSize);
    }
    void Read(IAbStream& source)
    {
        unsigned char bytes[kChunkHeaderSize];
        source.Serialize(static_cast<void*>(bytes), kChunkHeaderSize);
        Decode(bytes);
    }
};

// Bytes of chunk i >= 1 that are not data, for a next chunk's name of
// `nextNameLength` bytes: that name, its NUL and the header.
constexpr unsigned GetChunkOverhead(unsigned nextNameLength)
{
    return nextNameLength + 1 + kChunkHeaderSize;
}

// Names stored in a set (the file's and every next chunk's) are plain file
// names: not empty, under kMaxName bytes, no folder or drive, not "." or
// "..", no control characters. A crafted set can then never make a joiner
// write outside the current folder or read outside the first chunk's
// folder. A stored name with its NUL fits in kMaxName bytes.
constexpr unsigned kMaxName = 260;
// The first character of `name` that no plain file name holds: a folder
// separator ('/', '\\'), a drive colon, a control character (below 0x20,
// 0x7F, or U+0080 to U+009F written in UTF-8, on which terminals act as on
// the others; then its code point). -1 when there is none. Other bytes from
// 0x80 on are taken as they are: UTF-8 names are written back as they were
// stored, and so are names in a Windows code page that older sets carry.
inline int FindBadNameChar(const char* name)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F || *p == '/' || *p == '\\' || *p == ':')
            return *p;
        if (*p == 0xC2 && p[1] >= 0x80 && p[1] <= 0x9F)
            return p[1];
    }
    return -1;
}
inline bool IsPlainFileName(const char* name)
{
    size_t length = std::strlen(name);
    if (length == 0 || length >= kMaxName || std::strcmp(name, ".") == 0 ||
        std::strcmp(name, "..") == 0)
        return false;
    return FindBadNameChar(name) < 0;
}
// The longest file name the usual file systems create (ext4, NTFS, FAT's
// long names): the longest name a splitter stores.
constexpr unsigned kMaxFileNameLength = 255;

// Path of chunk `index` of the set named by `base`: its drive, directory and
// name with the extension "exe" (index 0) or index - 1 as "%03X".
CStr GetChunkName(const char* base, unsigned index);
