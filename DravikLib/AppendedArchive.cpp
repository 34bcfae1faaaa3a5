#include "AppendedArchive.h"

#include "ExceptionBase.h"
#include "LittleEndian.h"
#include "PathName.h"
#include "Platform.h"
#include "StreamFile.h"
#include "StreamMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool ReadBytes(FILE* file, void* data, size_t length)
{
    return std::fread(data, 1, length, file) == length;
}

bool ReadU32(FILE* file, uint32_t& value)
{
    unsigned char b[4];
    if (!ReadBytes(file, b, 4))
        return false;
    value = GetU32(b);
    return true;
}

// One entry of the table as stored in the file.
struct CStoredEntry {
    CStr name;
    int64_t dataOffset;
    uint32_t dataLength;
};

// Reads the archive table of an open file of `fileLength` bytes. False when
// there is no archive or its table does not lie whole between the head and
// the trailer.
bool ReadTable(FILE* file, int64_t fileLength, uint32_t& headLength,
               std::vector<CStoredEntry>& entries)
{
    unsigned char trailer[kArchiveTrailerSize];
    if (fileLength < static_cast<int64_t>(kArchiveTrailerSize) ||
        PlatformSeek(file, fileLength - kArchiveTrailerSize, SEEK_SET) != 0 ||
        !ReadBytes(file, trailer, sizeof trailer) ||
        std::memcmp(trailer + 4, kArchiveMagic, sizeof kArchiveMagic) != 0)
        return false;
    headLength = GetU32(trailer);
    const int64_t tableEnd = fileLength - kArchiveTrailerSize;
    int64_t at = static_cast<int64_t>(headLength) + 4;
    uint32_t count;
    if (at > tableEnd || PlatformSeek(file, headLength, SEEK_SET) != 0 || !ReadU32(file, count))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t nameLength, dataLength;
        if (at + 4 > tableEnd || !ReadU32(file, nameLength) || at + 8 + nameLength > tableEnd)
            return false;
        CStr name;
        if (!ReadBytes(file, name.PrepareBuffer(nameLength), nameLength) || !ReadU32(file, dataLength))
            return false;
        int64_t dataOffset = at + 8 + nameLength;
        if (dataOffset + dataLength > tableEnd ||
            PlatformSeek(file, dataOffset + dataLength, SEEK_SET) != 0)
            return false;
        entries.push_back({name, dataOffset, dataLength});
        at = dataOffset + dataLength;
    }
    return true;
}

} // namespace

CAppendedArchive::CAppendedArchive(const void* data, unsigned length)
    : m_head(nullptr), m_headLength(0)
{
    SetHead(data, length);
}

CAppendedArchive::CAppendedArchive(const char* path, ArchiveHead head)
    : m_head(nullptr), m_headLength(0)
{
    Read(path, head);
}

CAppendedArchive::~CAppendedArchive()
{
    Clear();
}

void CAppendedArchive::Clear()
{
    std::free(m_head);
    m_head = nullptr;
    m_headLength = 0;
    m_entries.clear();
    // Entry 0's window owns the file; deleting it last would not matter, as
    // nothing reads through the others while they go.
    for (IAbStream* stream : m_ownedStreams)
        delete stream;
    m_ownedStreams.clear();
}

void CAppendedArchive::SetHead(const void* data, unsigned length)
{
    std::free(m_head);
    m_head = nullptr;
    m_headLength = 0;
    if (length == 0)
        return;
    m_head = static_cast<char*>(std::malloc(length));
    if (!m_head)
        ThrowOutOfMemory();
    if (data)
        std::memcpy(m_head, data, length);
    m_headLength = length;
}

unsigned CAppendedArchive::FindEntry(const char* name) const
{
    for (unsigned i = 0; i < m_entries.size(); ++i)
        if (EqualNoCase(m_entries[i].name, name))
            return i;
    return GetEntryCount();
}

const char* CAppendedArchive::GetEntryName(unsigned index) const
{
    return index < m_entries.size() ? m_entries[index].name.Get() : nullptr;
}

unsigned CAppendedArchive::GetEntryLength(unsigned index) const
{
    return index < m_entries.size() ? m_entries[index].stream->GetLength() : 0;
}

unsigned CAppendedArchive::GetEntrySize(unsigned index) const
{
    if (index >= m_entries.size())
        return 0;
    return 8 + m_entries[index].name.Length() + m_entries[index].stream->GetLength();
}

unsigned CAppendedArchive::GetTotalSize() const
{
    unsigned total = m_headLength + 4 + kArchiveTrailerSize;
    for (unsigned i = 0; i < m_entries.size(); ++i)
        total += GetEntrySize(i);
    return total;
}

unsigned CAppendedArchive::CopyEntry(IAbStream& target, unsigned index)
{
    if (index >= m_entries.size())
        return 0;
    IAbStream& stream = *m_entries[index].stream;
    stream.Seek(0);
    return CopyStream(stream, target, 0);
}

void CAppendedArchive::ReadEntry(void* buffer, unsigned index)
{
    if (index >= m_entries.size())
        return;
    IAbStream& stream = *m_entries[index].stream;
    stream.Seek(0);
    stream.Serialize(buffer, stream.GetLength());
}

unsigned CAppendedArchive::CopyEntryRange(IAbStream& target, unsigned from, unsigned to,
                                          unsigned index)
{
    // A range that starts at or past the entry's end copies nothing.
    if (index >= m_entries.size() || from >= to || from >= GetEntryLength(index))
        return 0;
    IAbStream& stream = *m_entries[index].stream;
    stream.Seek(from);
    return CopyStream(stream, target, to - from);
}

void CAppendedArchive::AddBuffer(const void* data, unsigned length)
{
    CStreamMemory* stream = new CStreamMemory(true, data, length, false);
    m_ownedStreams.push_back(stream);
    m_entries.push_back({GetFreeEntryName(), stream, nullptr});
}

void CAppendedArchive::AddStream(IAbStream& stream)
{
    m_entries.push_back({GetFreeEntryName(), &stream, nullptr});
}

bool CAppendedArchive::InsertEntry(const char* name, IAbStream* stream)
{
    return InsertEntryAt(GetEntryCount(), name, stream);
}

bool CAppendedArchive::InsertEntryAt(unsigned index, const char* name, IAbStream* stream)
{
    if (index > GetEntryCount() || FindEntry(name) != GetEntryCount())
        return false;
    m_entries.insert(m_entries.begin() + index, CEntry{CStr(name), stream, nullptr});
    return true;
}

void CAppendedArchive::RemoveEntry(unsigned index)
{
    if (index < m_entries.size())
        m_entries.erase(m_entries.begin() + index);
}

CStr CAppendedArchive::GetFreeEntryName() const
{
    for (unsigned k = 0;; ++k) {
        char name[16];
        PlatformFormat(name, sizeof name, "DATA%u", k);
        if (FindEntry(name) == GetEntryCount())
            return CStr(name);
    }
}

void CAppendedArchive::Read(const char* path, ArchiveHead head)
{
    Clear();
    CPathParts parts = SplitPath(path);
    if (parts.ext.IsEmpty() && PlatformAddsExeExtension())
        parts.ext = ".exe";
    CStr fullPath = MakePath(parts);

    FILE* file = PlatformOpenShared(fullPath, "rb", kShareDenyNone);
    if (!file)
        return;
    int64_t fileLength = -1;
    if (PlatformSeek(file, 0, SEEK_END) == 0)
        fileLength = PlatformTell(file);

    uint32_t headLength = 0;
    std::vector<CStoredEntry> stored;
    if (!ReadTable(file, fileLength, headLength, stored)) {
        if (head == kReadHead)
            ReadWholeFileAsHead(file, fileLength);
        else
            std::fclose(file);
        return;
    }
    if (head == kReadHead) {
        SetHead(nullptr, headLength);
        if (PlatformSeek(file, 0, SEEK_SET) != 0 || !ReadBytes(file, m_head, headLength)) {
            ReadWholeFileAsHead(file, fileLength);
            return;
        }
    }
    for (unsigned i = 0; i < stored.size(); ++i) {
        PlatformSeek(file, stored[i].dataOffset, SEEK_SET);
        // Every window shares the one file; entry 0's window closes it.
        CStreamFile* window = new CStreamFile(file, stored[i].dataLength, kStreamRead,
                                              i == 0 ? kFileOwned : kFileBorrowed);
        m_ownedStreams.push_back(window);
        m_entries.push_back({stored[i].name, window, window});
    }
    if (stored.empty())
        std::fclose(file);
}

// The fallback for a file without a sound archive: its whole content is the
// head. A file too large to hold in memory gives no head at all.
void CAppendedArchive::ReadWholeFileAsHead(FILE* file, int64_t fileLength)
{
    std::free(m_head);
    m_head = nullptr;
    m_headLength = 0;
    if (fileLength > 0 && fileLength <= 0xFFFFFFFFll && PlatformSeek(file, 0, SEEK_SET) == 0) {
        m_head = static_cast<char*>(std::malloc(static_cast<size_t>(fileLength)));
        if (m_head && ReadBytes(file, m_head, static_cast<size_t>(fileLength))) {
            m_headLength = static_cast<unsigned>(fileLength);
        } else {
            std::free(m_head);
            m_head = nullptr;
        }
    }
    std::fclose(file);
}

void CAppendedArchive::Write(IAbStream& target)
{
    target.Serialize(static_cast<const void*>(m_head), m_headLength);
    WriteU32(target, GetEntryCount());
    for (const CEntry& entry : m_entries) {
        WriteU32(target, entry.name.Length());
        target.Serialize(static_cast<const void*>(entry.name.Get()), entry.name.Length());
        unsigned length = entry.stream->GetLength();
        WriteU32(target, length);
        entry.stream->Seek(0);
        CopyStream(*entry.stream, target, length);
    }
    WriteU32(target, m_headLength);
    target.Serialize(static_cast<const void*>(kArchiveMagic), sizeof kArchiveMagic);
}

CStr GetModulePath()
{
    char path[4096];
    PlatformModulePath(path, sizeof path);
    return CStr(path);
}
