#include "Splitter.h"

#include "Crc32.h"
#include "PathName.h"
#include "Platform.h"
#include "StreamFile.h"
#include "StreamMemory.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Sets with more chunks than this do not keep every chunk's checksum from
// the first pass (4 MiB of them); each chunk is then checksummed just before
// it is written.
constexpr size_t kMaxPlannedChunks = 1u << 20;

// Buffer of the input and of each chunk file, and block of the checksum
// pass. The copy moves 16 KiB at a time; the buffers turn that into fewer
// system calls. 128 KiB is what split(1) uses; 1 MiB writes measured several
// times slower on Linux page cache.
constexpr unsigned kFileBuffer = 1u << 17;

// Reads a chunk's window of the input and keeps the checksum of every byte
// that passed, so that a change of the input between the checksum pass and
// the copy is caught before the chunk is reported done.
class CChecksumReader : public IAbStream {
public:
    explicit CChecksumReader(IAbStream& source) : m_source(&source), m_crc(0) {}
    void Serialize(const void* data, unsigned length) override
    {
        Serialize(const_cast<void*>(data), length);
    }
    void Serialize(void* data, unsigned length) override
    {
        m_source->Serialize(data, length);
        m_crc = UpdateCrc32(data, length, m_crc);
    }
    bool IsReading() const override { return true; }
    void Seek(unsigned position) override { m_source->Seek(position); }
    void SeekToBegin() override { m_source->SeekToBegin(); }
    void SeekToEnd() override { m_source->SeekToEnd(); }
    unsigned GetPosition() const override { return m_source->GetPosition(); }
    unsigned GetLength() const override { return m_source->GetLength(); }
    char* GetBuffer() override { return m_source->GetBuffer(); }
    unsigned GetCrc() const { return m_crc; }

private:
    IAbStream* m_source;
    unsigned m_crc;
};

CStr ChunkFileName(const char* base, unsigned index)
{
    return GetFileName(GetChunkName(base, index));
}

// A name the set stores must be one every joiner accepts: a set that no
// joiner can rebuild is worse than no set.
void CheckFileName(const char* name)
{
    if (std::strlen(name) > kMaxFileNameLength)
        DRAVIK_THROW(CSplitterException, CSplitterException::errNameTooLong);
    int bad = FindBadNameChar(name);
    if (bad < 0)
        return;
    char text[64];
    if (bad < 0x20 || bad == 0x7F)
        PlatformFormat(text, sizeof text, "Invalid character 0x%02X in the file name.", bad);
    else if (bad > 0x7F)
        PlatformFormat(text, sizeof text, "Invalid character U+%04X in the file name.", bad);
    else
        PlatformFormat(text, sizeof text, "Invalid character '%c' in the file name.", bad);
    DRAVIK_THROW(CSplitterException, CSplitterException::errBadFileName, text);
}

} // namespace

struct CSplitter::CPlan {
    unsigned fileCrc = 0;
    std::vector<unsigned> chunkCrcs; // empty when the set has too many chunks
};

CSplitterException::CSplitterException(unsigned code, const char* file, int line)
    : CExceptionBase(GetErrorMessage(code), file, line), m_code(code)
{
}

CSplitterException::CSplitterException(unsigned code, const char* message, const char* file,
                                       int line)
    : CExceptionBase(message, file, line), m_code(code)
{
}

const char* CSplitterException::GetErrorMessage(unsigned code)
{
    switch (code) {
    case errOutputTooSmall: return "File output size is too small.";
    case errReadInput: return "Can't read input file.";
    case errAborted: return "Operation aborted.";
    case errNoSelfExtractor: return "Could not get self-extractor.";
    case errInputTooLarge: return "Input file is too large.";
    case errChunkIsInput: return "A chunk file would overwrite the input file.";
    case errBadFileName: return "Invalid character in the file name.";
    case errNameTooLong: return "File name too long for the chunk files.";
    default: return "Unknown error.";
    }
}

CStreamListener::CStreamListener(uint64_t total, uint64_t done, IAbStream& target,
                                 ISplitterListener& listener)
    : m_total(total), m_done(done), m_shift(0), m_target(&target), m_listener(&listener)
{
    while ((m_total >> m_shift) > 0xFFFFFFFFu)
        ++m_shift;
}

void CStreamListener::Serialize(const void* data, unsigned length)
{
    Serialize(const_cast<void*>(data), length);
}

void CStreamListener::Serialize(void* data, unsigned length)
{
    m_target->Serialize(data, length);
    m_listener->OnProgress(static_cast<unsigned>(m_done >> m_shift), m_target->GetPosition(),
                           static_cast<unsigned>(m_total >> m_shift));
    m_done = m_total - m_done > length ? m_done + length : m_total;
}

CSplitter::CSplitter(unsigned chunkSize, const char* inputPath, const char* outputBase)
    : CAppendedArchive(GetModulePath()), m_chunkArchive(nullptr), m_chunkSize(chunkSize),
      m_inputPath(inputPath), m_outputBase(outputBase), m_inputName(GetFileName(inputPath)),
      m_chunkIndex(0), m_firstOverhead(0), m_keptChecksums(kMaxPlannedChunks), m_fileRecord()
{
    if (GetEntryCount() == 0)
        DRAVIK_THROW(CSplitterException, CSplitterException::errNoSelfExtractor);
    if (chunkSize < static_cast<uint64_t>(GetEntrySize(kEntryStub)) + kChunkHeaderSize)
        DRAVIK_THROW(CSplitterException, CSplitterException::errOutputTooSmall);
    if (m_outputBase.IsEmpty())
        m_outputBase = m_inputPath;
    m_spaceRoot = GetSpaceRoot(m_outputBase);
}

CSplitter::~CSplitter()
{
    delete m_chunkArchive;
}

// Chunk 0's archive: the stub as head and the entries up to the next name,
// with a file record of `recordSize` bytes. The header and data entries are
// added when chunk 0 is written; placeholders for them count into
// firstOverhead, every byte of chunk 0 but its data.
void CSplitter::BuildChunkArchive(const char* nextName, unsigned recordSize)
{
    CStreamMemory stub;
    CopyEntry(stub, kEntryStub);
    delete m_chunkArchive;
    m_chunkArchive = nullptr;
    m_chunkArchive = new CAppendedArchive(stub.GetBuffer(), stub.GetLength());
    m_nextNameHeld = nextName;
    // Entries in ChunkEntry order; the archive names them DATA0, DATA1, ...
    m_chunkArchive->AddBuffer(m_inputName.Get(), m_inputName.Length() + 1);
    m_chunkArchive->AddBuffer(m_fileRecord, recordSize);
    m_chunkArchive->AddBuffer(m_nextNameHeld.Get(), m_nextNameHeld.Length() + 1);
    const unsigned char headerPlaceholder[kChunkHeaderSize] = {};
    const unsigned char dataPlaceholder = 0;
    m_chunkArchive->AddBuffer(headerPlaceholder, kChunkHeaderSize);
    m_chunkArchive->AddBuffer(&dataPlaceholder, 1);
    m_firstOverhead = m_chunkArchive->GetTotalSize() - 1;
    m_chunkArchive->RemoveEntry(kEntryData);
    m_chunkArchive->RemoveEntry(kEntryChunkHeader);
}

// Bytes of chunk `index` that are not data.
unsigned CSplitter::Overhead(unsigned index, const CStr& nextName) const
{
    return index == 0 ? m_firstOverhead : GetChunkOverhead(nextName.Length());
}

// Data bytes of chunk `index`: what the chunk size (for chunk 0, no more
// than kMaxFirstChunkSize) leaves beside the chunk's other bytes, no more
// than the input still holds.
unsigned CSplitter::DataLength(unsigned index, const CStr& nextName, uint64_t remaining) const
{
    unsigned size = index == 0 && m_chunkSize > kMaxFirstChunkSize ? kMaxFirstChunkSize : m_chunkSize;
    unsigned room = size - Overhead(index, nextName);
    return remaining < room ? static_cast<unsigned>(remaining) : room;
}

// Chunk indexes are u32. Every later chunk holds at least the room that a
// next name 5 characters longer than chunk 1's leaves ("%03X" of a u32 grows
// to 8 digits); a size that would need more chunks than the index counts
// cannot be split. With the stub's smallest chunks that is past 200 TB.
void CSplitter::CheckChunkCount(uint64_t size) const
{
    const unsigned longestName = ChunkFileName(m_outputBase, 1).Length() + 5;
    const uint64_t leastRoom = m_chunkSize - GetChunkOverhead(longestName);
    if (size >= leastRoom * 0xFFFFFFFEull)
        DRAVIK_THROW(CSplitterException, CSplitterException::errInputTooLarge);
}

// Chunk names differ only in their extension, which grows with the index:
// the longest is the one the last chunk stores for its successor.
void CSplitter::CheckNameLength(uint64_t size) const
{
    unsigned count = 0;
    for (uint64_t remaining = size; remaining > 0; ++count)
        remaining -= DataLength(count, ChunkFileName(m_outputBase, count + 1), remaining);
    if (ChunkFileName(m_outputBase, count > 1 ? count : 1).Length() > kMaxFileNameLength)
        DRAVIK_THROW(CSplitterException, CSplitterException::errNameTooLong);
}

// The first pass over the input: the checksum of every chunk as the set will
// cut it, and from those the whole file's.
void CSplitter::PlanChecksums(FILE* input, uint64_t size, CPlan& plan)
{
    std::vector<unsigned char> buffer(kFileBuffer);
    unsigned char* block = buffer.data();
    unsigned index = 0;
    uint64_t remaining = size;
    unsigned chunkLength = DataLength(0, m_nextNameHeld, remaining);
    unsigned left = chunkLength, chunkCrc = 0;
    while (remaining > 0) {
        unsigned step = remaining < kFileBuffer ? static_cast<unsigned>(remaining) : kFileBuffer;
        errno = 0;
        if (std::fread(block, 1, step, input) != step)
            DRAVIK_THROW(CStreamException, ReadErrorText(input, errno));
        for (unsigned at = 0; at < step;) {
            unsigned take = step - at < left ? step - at : left;
            chunkCrc = UpdateCrc32(block + at, take, chunkCrc);
            at += take;
            left -= take;
            remaining -= take;
            if (left > 0)
                continue;
            plan.fileCrc = CombineCrc32(plan.fileCrc, chunkCrc, chunkLength);
            if (plan.chunkCrcs.size() <= m_keptChecksums)
                plan.chunkCrcs.push_back(chunkCrc);
            ++index;
            chunkLength = left = DataLength(index, ChunkFileName(m_outputBase, index + 1), remaining);
            chunkCrc = 0;
        }
    }
    if (plan.chunkCrcs.size() > m_keptChecksums)
        plan.chunkCrcs.clear();
    if (PlatformSeek(input, 0, SEEK_SET) != 0)
        DRAVIK_THROW(CStreamException, "Error reading file");
}

// Creates a chunk file; when that fails, asks whether to go on and, if so,
// tries again.
FILE* CSplitter::CreateChunk(const char* path, std::vector<char>& buffer,
                             ISplitterListener& listener)
{
    for (;;) {
        FILE* file = std::fopen(path, "wb");
        if (file) {
            std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
            return file;
        }
        if (!listener.OnProblem(ISplitterListener::problemCannotCreate))
            DRAVIK_THROW(CSplitterException, CSplitterException::errAborted);
    }
}

void CSplitter::Split(ISplitterListener& listener)
{
    m_chunkIndex = 0;
    // Only a regular file has a size and an end: opening a pipe for reading
    // waits for a writer, a device may never end, and Linux opens a folder
    // for reading too.
    if (!PlatformIsRegularFile(m_inputPath))
        DRAVIK_THROW(CSplitterException, CSplitterException::errReadInput);
    // The C library takes a size only with a buffer of ours. The buffers are
    // declared before the input, so they outlive it on every way out.
    std::vector<char> inputBuffer(kFileBuffer), chunkBuffer(kFileBuffer);
    CFileHandle input(m_inputPath, "rb");
    if (!input)
        DRAVIK_THROW(CSplitterException, CSplitterException::errReadInput);
    std::setvbuf(input, inputBuffer.data(), _IOFBF, inputBuffer.size());
    int64_t size = -1;
    if (PlatformSeek(input, 0, SEEK_END) == 0)
        size = PlatformTell(input);
    if (size < 0 || PlatformSeek(input, 0, SEEK_SET) != 0)
        DRAVIK_THROW(CSplitterException, CSplitterException::errReadInput);
    // The files of /proc say they are empty and are not: what cannot tell
    // its size cannot be split.
    if (size == 0 && std::fgetc(input) != EOF)
        DRAVIK_THROW(CSplitterException, CSplitterException::errReadInput);
    const uint64_t total = static_cast<uint64_t>(size);

    // Every chunk name is the first one's with another extension.
    CheckFileName(m_inputName);
    CheckFileName(ChunkFileName(m_outputBase, 1));
    CFileRecord record = {0, total};
    BuildChunkArchive(ChunkFileName(m_outputBase, 1), record.GetStoredSize());
    // A chunk size that leaves chunk 0 no room for data could never finish.
    if (m_chunkSize <= m_firstOverhead)
        DRAVIK_THROW(CSplitterException, CSplitterException::errOutputTooSmall);
    CheckChunkCount(total);
    CheckNameLength(total);

    CPlan plan;
    PlanChecksums(input, total, plan);
    record.crc = plan.fileCrc;
    record.Encode(m_fileRecord);

    CStr nextName = m_nextNameHeld;
    unsigned writtenCrc = 0;
    for (uint64_t remaining = total; remaining > 0;) {
        const CChunkHeader header =
            WriteChunk(input, plan, nextName, total, remaining, chunkBuffer, listener);
        writtenCrc = CombineCrc32(writtenCrc, header.crc, header.length);
        remaining -= header.length;
        ++m_chunkIndex;
        nextName = ChunkFileName(m_outputBase, m_chunkIndex + 1);
    }
    // Without kept checksums each chunk was checksummed just before it was
    // written: the chunks together must still be the file of the first pass.
    if (writtenCrc != plan.fileCrc)
        DRAVIK_THROW(CStreamException, "Input file changed while it was being split");
    input.Close();
}

// One turn of the split: announce, check, create and write chunk
// m_chunkIndex. Returns the chunk's header.
CChunkHeader CSplitter::WriteChunk(FILE* input, const CPlan& plan, const CStr& nextName,
                                   uint64_t total, uint64_t remaining, std::vector<char>& buffer,
                                   ISplitterListener& listener)
{
    const unsigned index = m_chunkIndex;
    listener.OnChunkStart(index);
    CStr path = GetChunkName(m_outputBase, index);
    uint64_t free = GetFreeSpace(m_spaceRoot);
    const unsigned overhead = Overhead(index, nextName);
    if (FileExists(path)) {
        // Splitting big.exe into big.exe would destroy the input.
        if (PlatformSameFile(path, m_inputPath))
            DRAVIK_THROW(CSplitterException, CSplitterException::errChunkIsInput);
        if (!listener.OnFileExists(path))
            DRAVIK_THROW(CSplitterException, CSplitterException::errAborted);
        // Overwriting gives the old chunk's room back: the same set split
        // again onto a nearly full floppy fits.
        if (free != kFreeSpaceUnknown)
            free += PlatformReclaimableSize(path);
    }
    unsigned dataLength = DataLength(index, nextName, remaining);
    if (free < static_cast<uint64_t>(dataLength) + overhead &&
        !listener.OnProblem(ISplitterListener::problemNoSpace))
        DRAVIK_THROW(CSplitterException, CSplitterException::errAborted);
    FILE* file = CreateChunk(path, buffer, listener);

    CStreamFile chunk(file, 0, kStreamWrite, kFileOwned);
    unsigned crc = index < plan.chunkCrcs.size() ? plan.chunkCrcs[index]
                                                  : GetRangeCrc32(input, dataLength);
    const CChunkHeader header = {crc, dataLength, index};

    CStreamFile window(input, dataLength, kStreamRead, kFileBorrowed);
    CChecksumReader data(window);
    CStreamListener progress(total, total - remaining, chunk, listener);
    if (index == 0) {
        unsigned char headerBytes[kChunkHeaderSize];
        header.Encode(headerBytes);
        m_chunkArchive->AddBuffer(headerBytes, kChunkHeaderSize);
        m_chunkArchive->AddStream(data);
        m_chunkArchive->Write(progress);
        // The header's bytes and the reader live on this stack only.
        m_chunkArchive->RemoveEntry(kEntryData);
        m_chunkArchive->RemoveEntry(kEntryChunkHeader);
    } else {
        chunk.Serialize(static_cast<const void*>(nextName.Get()), nextName.Length() + 1);
        header.Write(chunk);
        CopyStream(data, progress, 0);
    }
    chunk.Close();
    if (data.GetCrc() != crc)
        DRAVIK_THROW(CStreamException, "Input file changed while it was being split");
    listener.OnChunkDone(index, dataLength);
    return header;
}

CStr GetFileName(const char* path)
{
    CPathParts parts = SplitPath(path);
    CStr name = parts.name;
    name += parts.ext;
    return name;
}

CStr GetDriveRoot(const char* path)
{
    CPathParts parts = SplitPath(path);
    char letter = parts.drive.IsEmpty() ? '\0' : parts.drive.Get()[0];
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return CStr();
    char root[4] = {letter, ':', '\\', '\0'};
    return CStr(root);
}

CStr GetSpaceRoot(const char* outputBase)
{
    return PlatformHasDrives() ? GetDriveRoot(outputBase) : SplitPath(outputBase).dir;
}

uint64_t GetFreeSpace(const char* root)
{
    return PlatformFreeSpace(root);
}
