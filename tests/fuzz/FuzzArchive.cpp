// The appended-archive reader on arbitrary files. Every entry it offers must
// lie inside the file: reading, copying and writing them back must work and
// round-trip, whatever the table claimed.
#include "FuzzTarget.h"
#include "ScratchFolder.h"

#include "AppendedArchive.h"
#include "ExceptionBase.h"
#include "StreamMemory.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const fs::path& InputPath()
{
    static const fs::path path = FuzzScratchFolder("archive") / "input.exe";
    return path;
}

const fs::path& OutputPath()
{
    static const fs::path path = FuzzScratchFolder("archive-out") / "again.exe";
    return path;
}

std::string EntryBytes(CAppendedArchive& archive, unsigned index)
{
    std::string bytes(archive.GetEntryLength(index), '\0');
    archive.ReadEntry(&bytes[0], index);
    return bytes;
}

// Everything a reader of an archive may ask of it.
void TouchEntries(CAppendedArchive& archive, size_t fileSize)
{
    uint64_t sum = archive.GetHeadLength();
    for (unsigned i = 0; i < archive.GetEntryCount(); ++i) {
        const char* name = archive.GetEntryName(i);
        unsigned length = archive.GetEntryLength(i);
        sum += 8 + std::strlen(name) + length;
        if (sum + 4 + kArchiveTrailerSize > fileSize)
            FuzzFailure("entries reach past the file");
        if (archive.FindEntry(name) > i)
            FuzzFailure("FindEntry missed", name);
        std::string bytes = EntryBytes(archive, i);
        CStreamMemory copy;
        if (archive.CopyEntry(copy, i) != length ||
            (length && std::memcmp(copy.GetBuffer(), bytes.data(), length) != 0))
            FuzzFailure("CopyEntry differs from ReadEntry");
        CStreamMemory part;
        unsigned from = length / 3, to = length / 3 + length / 2 + 7;
        unsigned copied = archive.CopyEntryRange(part, from, to, i);
        unsigned expected = from >= length ? 0 : (to > length ? length : to) - from;
        if (copied != expected || (copied && std::memcmp(part.GetBuffer(), bytes.data() + from, copied) != 0))
            FuzzFailure("CopyEntryRange");
    }
    if (archive.GetEntryCount() > 0 && archive.GetTotalSize() > fileSize)
        FuzzFailure("GetTotalSize beyond the file");
}

bool NamesArePlain(CAppendedArchive& archive, const std::vector<unsigned>& storedLengths)
{
    for (unsigned i = 0; i < archive.GetEntryCount(); ++i)
        if (std::strlen(archive.GetEntryName(i)) != storedLengths[i])
            return false;
    return true;
}

// Written again and read back, an archive gives the same head and entries.
void CheckRoundTrip(CAppendedArchive& archive)
{
    CStreamMemory written;
    archive.Write(written);
    if (written.GetLength() != archive.GetTotalSize())
        FuzzFailure("Write and GetTotalSize disagree");
    WriteBytes(OutputPath(), reinterpret_cast<const uint8_t*>(written.GetBuffer()), written.GetLength());
    CAppendedArchive again(OutputPath().c_str());
    if (again.GetEntryCount() != archive.GetEntryCount() ||
        again.GetHeadLength() != archive.GetHeadLength() ||
        (archive.GetHeadLength() &&
         std::memcmp(again.GetHead(), archive.GetHead(), archive.GetHeadLength()) != 0))
        FuzzFailure("round trip changed the head or the entry count");
    for (unsigned i = 0; i < archive.GetEntryCount(); ++i)
        if (std::strcmp(again.GetEntryName(i), archive.GetEntryName(i)) != 0 ||
            EntryBytes(again, i) != EntryBytes(archive, i))
            FuzzFailure("round trip changed an entry");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteBytes(InputPath(), data, size);
    CAppendedArchive archive(InputPath().c_str());
    // Read without the head: the same entries, no head.
    CAppendedArchive entriesOnly(InputPath().c_str(), kSkipHead);
    if (entriesOnly.HasHead() || entriesOnly.GetEntryCount() != archive.GetEntryCount())
        FuzzFailure("the entries read without the head differ");
    // Without entries there is nothing to read but the head.
    if (archive.GetHeadLength() > size)
        FuzzFailure("head longer than the file");
    if (archive.GetEntryCount() == 0)
        return 0;
    // The stored name lengths, to tell names with a NUL inside them.
    std::vector<unsigned> storedLengths;
    size_t at = archive.GetHeadLength() + 4;
    for (unsigned i = 0; i < archive.GetEntryCount(); ++i) {
        if (at + 4 > size)
            FuzzFailure("entry table past the file");
        unsigned n = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                     static_cast<unsigned>(data[at + 3]) << 24;
        storedLengths.push_back(n);
        at += 8 + static_cast<size_t>(n) + archive.GetEntryLength(i);
    }
    try {
        TouchEntries(archive, size);
    } catch (const CExceptionBase& e) {
        FuzzFailure("an entry the reader accepted could not be read:", e.GetText());
    }
    for (unsigned i = 0; i < archive.GetEntryCount(); ++i)
        if (std::strcmp(entriesOnly.GetEntryName(i), archive.GetEntryName(i)) != 0 ||
            EntryBytes(entriesOnly, i) != EntryBytes(archive, i))
            FuzzFailure("an entry read without the head differs");
    if (NamesArePlain(archive, storedLengths))
        CheckRoundTrip(archive);
    return 0;
}
