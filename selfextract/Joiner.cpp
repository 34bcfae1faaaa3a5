#include "Joiner.h"

#include "ChunkFormat.h"
#include "Crc32.h"
#include "ExceptionBase.h"
#include "PathName.h"
#include "Platform.h"
#include "StreamFile.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned kTextSize = 1024;

const char kNoFileData[] = "Could not get file data.";
const char kCannotCreate[] = "Could not create output file.";
const char kErrorReading[] = "Error reading %s.";
const char kMissingChunks[] = "Missing one or more file chunks. The file is not complete.";
const char kBadSequence[] = "Invalid file chunk sequence (%u).";
const char kBadChunk[] = "Invalid chunk. The file is not complete.";
const char kBadChunkCrc[] = "Invalid chunk checksum (%u).";
const char kBadFileCrc[] = "Invalid checksum.";
const char kSuccess[] = "%s written with success.";
const char kBadName[] = "Invalid file name in the chunk set.";
const char kNotComplete[] = "The file is not complete.";
const char kOutputIsChunk[] = "Could not create output file. %s is a file of this chunk set.";

// The rebuilt file is written as "<name>.partial" (or "<name>.partial-2",
// ... when that is taken) and renamed when it has passed every check. A
// stored name too long to take the suffix within the longest file name most
// file systems allow writes "dravikx.partial" instead.
const char kPartialFallback[] = "dravikx";
constexpr unsigned kPartialSuffixRoom = 12; // ".partial-100"
constexpr unsigned kPartialTries = 100;

unsigned Smaller(uint64_t a, uint64_t b)
{
    return static_cast<unsigned>(a < b ? a : b);
}

} // namespace

CJoiner::CJoiner(IJoinerDisplay& display, const char* firstChunk, unsigned stepBytes)
    : m_display(display), m_firstChunk(firstChunk), m_outputName(), m_mayReplace(false),
      m_nextName(), m_step(kStepOpenPayload),
      m_archive(nullptr), m_output(nullptr), m_chunk(nullptr), m_remaining(0), m_fileCrc(0),
      m_totalSize(0), m_header(), m_chunkIndex(0),
      m_copyFrom(0), m_copyTo(0), m_stepBytes(stepBytes), m_chunkCrc(0), m_chunkRead(0),
      m_writtenCrc(0)
{
    CPathParts parts = SplitPath(firstChunk);
    parts.name = "";
    parts.ext = "";
    m_folder = MakePath(parts);
}

CJoiner::~CJoiner()
{
    delete m_chunk;
    delete m_output;
    delete m_archive;
}

bool CJoiner::RunStep()
{
    struct CCall {
        CJoiner* joiner;
        bool result;
    } call = {this, false};
    CStr error;
    if (RunTrapped([](void* c) {
            CCall* call = static_cast<CCall*>(c);
            call->result = call->joiner->RunStepUntrapped();
        }, &call, error))
        return call.result;
    // A read or write that failed under the copy: a full disk, a chunk
    // removed or cut short while it was read. The first line of the text is
    // the reason; the second names the throw site.
    char* end = std::strchr(const_cast<char*>(error.Get()), '\n');
    if (end)
        *end = '\0';
    m_display.ShowError(error);
    m_display.ShowError(kNotComplete);
    return false;
}

bool CJoiner::RunStepUntrapped()
{
    switch (m_step) {
    case kStepOpenPayload: return OpenPayload();
    case kStepPrepareOutput: return PrepareOutput();
    case kStepCopyOwnData: return CopyOwnData();
    case kStepCopyChunkFile: return CopyChunkFile();
    case kStepCheckWholeFile: return CheckWholeFile();
    case kStepReportSuccess: return ReportSuccess();
    default: return true;
    }
}

void CJoiner::Error(const char* format, const char* text)
{
    char buffer[kTextSize];
    PlatformFormat(buffer, sizeof buffer, format, text ? text : "");
    m_display.ShowError(buffer);
}

void CJoiner::ErrorNumber(const char* format, unsigned number)
{
    char buffer[kTextSize];
    PlatformFormat(buffer, sizeof buffer, format, number);
    m_display.ShowError(buffer);
}

// The first step: the payload behind the first chunk, checked whole before
// anything is written: five entries of the expected sizes and plain names.
bool CJoiner::OpenPayload()
{
    // A pipe would block the open, a device may never end.
    if (!PlatformIsRegularFile(m_firstChunk)) {
        Error(kNoFileData);
        return false;
    }
    delete m_archive;
    // Only the entries: the program in front of them is not needed, and a
    // large file without an archive is not read into memory.
    m_archive = new CAppendedArchive(m_firstChunk.Get(), kSkipHead);
    if (m_archive->GetEntryCount() < kChunkEntryCount || !ReadFileRecord() ||
        m_archive->GetEntryLength(kEntryChunkHeader) != kChunkHeaderSize ||
        !ReadPayloadName(kEntryFileName, m_outputName) ||
        !ReadPayloadName(kEntryNextName, m_nextName)) {
        Error(kNoFileData);
        return false;
    }
    if (!IsPlainFileName(m_outputName) || !IsPlainFileName(m_nextName)) {
        Error(kBadName);
        return false;
    }
    m_step = kStepPrepareOutput;
    return true;
}

// A name entry: at most kMaxName bytes, its last one the terminating NUL.
bool CJoiner::ReadPayloadName(unsigned entry, char* name)
{
    unsigned length = m_archive->GetEntryLength(entry);
    if (length == 0 || length > kMaxName)
        return false;
    m_archive->ReadEntry(name, entry);
    return name[length - 1] == '\0';
}

// The file record, in either of its forms (ChunkFormat.h).
bool CJoiner::ReadFileRecord()
{
    unsigned length = m_archive->GetEntryLength(kEntryFileRecord);
    if (length != kFileRecordSize && length != kLargeFileRecordSize)
        return false;
    unsigned char bytes[kLargeFileRecordSize];
    m_archive->ReadEntry(bytes, kEntryFileRecord);
    CFileRecord record;
    if (!record.Decode(bytes, length))
        return false;
    m_fileCrc = record.crc;
    m_totalSize = record.size;
    return true;
}

// The display counts in u32: from 4 GiB on, the bytes written and the total
// go to it in units of 2, 4, ... bytes, which keeps their ratio.
void CJoiner::ShowProgress()
{
    unsigned shift = 0;
    while ((m_totalSize >> shift) > 0xFFFFFFFFu)
        ++shift;
    m_display.UpdateProgress(static_cast<unsigned>((m_totalSize - m_remaining) >> shift),
                             static_cast<unsigned>(m_totalSize >> shift));
}

void CJoiner::NextRange()
{
    m_copyFrom = m_copyTo;
    m_copyTo = Smaller(m_header.length, static_cast<uint64_t>(m_copyFrom) + m_stepBytes);
}

// Then: create the partial file in the current folder and take chunk 0's
// header. An existing file of the output's name stays as it is until the
// rebuilt file has passed every check, and only if the front end agrees.
bool CJoiner::PrepareOutput()
{
    unsigned char headerBytes[kChunkHeaderSize];
    m_archive->ReadEntry(headerBytes, kEntryChunkHeader);
    m_header.Decode(headerBytes);
    m_remaining = m_totalSize;
    // A chunk never holds more than the bytes still missing.
    if (m_header.length > m_remaining) {
        Error(kBadChunk);
        return false;
    }
    if (FileExists(m_outputName)) {
        // Run in the chunks' folder, a set of "big.exe" would end over its
        // own first chunk. The later chunks are compared as they are opened.
        if (PlatformSameFile(m_outputName, m_firstChunk)) {
            Error(kOutputIsChunk, m_outputName);
            return false;
        }
        if (!m_display.MayReplace(m_outputName))
            return false;
        m_mayReplace = true;
    }
    if (!CreatePartial()) {
        Error(kCannotCreate);
        return false;
    }
    ShowProgress();
    m_display.SetStatus(m_outputName, m_chunkIndex);
    m_copyFrom = 0;
    m_copyTo = Smaller(m_header.length, m_stepBytes);
    m_step = kStepCopyOwnData;
    return true;
}

// A new file under the first free partial name: never one that exists.
bool CJoiner::CreatePartial()
{
    const char* base = m_outputName;
    if (std::strlen(base) + kPartialSuffixRoom > kMaxFileNameLength)
        base = kPartialFallback;
    for (unsigned n = 1; n <= kPartialTries; ++n) {
        char name[kMaxName + kPartialSuffixRoom];
        if (n == 1)
            PlatformFormat(name, sizeof name, "%s.partial", base);
        else
            PlatformFormat(name, sizeof name, "%s.partial-%u", base, n);
        if (FileExists(name))
            continue;
        FILE* file = PlatformCreateNew(name);
        if (!file)
            return false;
        m_partialName = name;
        m_output = new CStreamFile(file, 0, kStreamWrite, kFileOwned);
        return true;
    }
    return false;
}

// Files are compared by identity, not by name: a renamed first chunk, a
// link or another spelling of the folder still names the same file.
bool CJoiner::IsOutputOrPartial(const char* chunk) const
{
    return PlatformSameFile(chunk, m_outputName) || PlatformSameFile(chunk, m_partialName);
}

// Repeated: the first chunk's own data.
bool CJoiner::CopyOwnData()
{
    // What was written so far ends where this step writes; it may lie past
    // 4 GiB, beyond what a stream position counts.
    uint64_t at = m_totalSize - m_remaining;
    unsigned copied = 0;
    if (CStreamFile* data = m_archive->GetEntryFile(kEntryData)) {
        if (m_copyFrom < m_copyTo && m_copyFrom < data->GetLength()) {
            data->Seek(m_copyFrom);
            copied = m_output->CopyFrom(*data, m_copyTo - m_copyFrom);
        }
    } else {
        copied = m_archive->CopyEntryRange(*m_output, m_copyFrom, m_copyTo, kEntryData);
    }
    ReadBack(at, copied);
    m_remaining -= copied;
    ShowProgress();
    NextRange();
    if (m_copyFrom != m_copyTo)
        return true;
    if (!FinishChunk())
        return false;
    if (m_step == kStepCopyOwnData)
        m_step = kStepCopyChunkFile;
    return true;
}

// Repeated: the data of each later chunk file.
bool CJoiner::CopyChunkFile()
{
    unsigned wanted = m_copyTo - m_copyFrom, copied = 0;
    uint64_t at = m_totalSize - m_remaining;
    if (wanted > 0)
        copied = m_output->CopyFrom(*m_chunk, wanted);
    ReadBack(at, copied);
    m_remaining -= copied;
    ShowProgress();
    NextRange();
    // A chunk file that ends before its declared length is finished here
    // (its checksum fails) rather than walked in empty steps.
    if (m_copyFrom != m_copyTo && copied == wanted)
        return true;
    return FinishChunk();
}

// After a chunk's last byte: check it, then go on to the whole-file check or
// to the next chunk file.
bool CJoiner::FinishChunk()
{
    if (!VerifyChunk()) {
        Error(kBadChunk);
        return false;
    }
    if (m_remaining == 0) {
        m_step = kStepCheckWholeFile;
        return true;
    }
    return OpenNextChunk();
}

// Reads back from the disk the `count` bytes this step wrote at `from`,
// while they are still in the processor's cache, and continues the chunk's
// checksum over them: what is checked is what the file holds, not what was
// held in memory. Step after step the read-backs cover the file in order.
void CJoiner::ReadBack(uint64_t from, unsigned count)
{
    if (count == 0)
        return;
    m_chunkRead += count;
    m_output->FlushOrRaise();
    CPlatformFileView view(m_output->GetFile(), from, count);
    if (view.Data()) {
        m_chunkCrc = UpdateCrc32(view.Data(), count, m_chunkCrc);
        return;
    }
    // A second stream on the output's handle; it shares the file position,
    // so reading to the end leaves the output where it goes on.
    CStreamFile back(*m_output, static_cast<int64_t>(from), count);
    unsigned char block[kCrcBlock];
    for (unsigned left = count; left > 0;) {
        unsigned step = Smaller(left, kCrcBlock);
        back.Serialize(static_cast<void*>(block), step);
        m_chunkCrc = UpdateCrc32(block, step, m_chunkCrc);
        left -= step;
    }
}

// After a chunk's last byte: its sequence number, and the checksum of its
// data as read back from the output against its header's. The whole file's
// checksum goes on from the chunk's.
bool CJoiner::VerifyChunk()
{
    m_output->FlushOrRaise();
    if (m_chunkIndex != m_header.index) {
        ErrorNumber(kBadSequence, m_chunkIndex);
        return false;
    }
    // A chunk file that ends before its declared length fails here.
    if (m_chunkRead != m_header.length || m_chunkCrc != m_header.crc) {
        ErrorNumber(kBadChunkCrc, m_chunkIndex);
        return false;
    }
    m_writtenCrc = CombineCrc32(m_writtenCrc, m_chunkCrc, m_header.length);
    return true;
}

// Opens the chunk named by the previous one, always beside the first chunk.
bool CJoiner::OpenNextChunk()
{
    ++m_chunkIndex;
    m_display.SetStatus(m_nextName, m_chunkIndex);
    CStr path(m_folder);
    path += m_nextName;
    delete m_chunk;
    m_chunk = nullptr;
    // A pipe would block the open, a device may never end.
    if (!PlatformIsRegularFile(path)) {
        Error(kErrorReading, path);
        Error(kMissingChunks);
        return false;
    }
    // The rebuilt file must never land on a chunk of its own set.
    if (IsOutputOrPartial(path)) {
        Error(kOutputIsChunk, m_outputName);
        return false;
    }
    struct COpen {
        const char* path;
        CStreamFile* chunk;
    } open = {path, nullptr};
    CStr error;
    if (!RunTrapped([](void* c) {
            COpen* open = static_cast<COpen*>(c);
            open->chunk = new CStreamFile(open->path, kStreamRead, kShareDenyNone);
        }, &open, error)) {
        Error(kErrorReading, path);
        Error(kMissingChunks);
        return false;
    }
    CStreamFile* chunk = open.chunk;
    m_chunk = chunk;
    if (!ReadChunkStart(*chunk, path)) {
        delete m_chunk;
        m_chunk = nullptr;
        return false;
    }
    m_copyFrom = 0;
    m_copyTo = Smaller(m_header.length, m_stepBytes);
    m_chunkCrc = 0;
    m_chunkRead = 0;
    return true;
}

// The next chunk's name and this chunk's header, at the start of the file.
bool CJoiner::ReadChunkStart(CStreamFile& chunk, const char* path)
{
    const unsigned length = chunk.GetLength();
    unsigned n = 0;
    for (;; ++n) {
        if (chunk.GetPosition() >= length) { // the file ends inside the stored name
            Error(kErrorReading, path);
            Error(kBadChunk);
            return false;
        }
        if (n == kMaxName)
            break;
        chunk.Serialize(static_cast<void*>(m_nextName + n), 1);
        if (m_nextName[n] == '\0')
            break;
    }
    if (n == kMaxName || !IsPlainFileName(m_nextName)) {
        m_nextName[0] = '\0';
        Error(kBadName);
        Error(kBadChunk);
        return false;
    }
    if (length - chunk.GetPosition() < kChunkHeaderSize) { // the file ends inside the header
        Error(kErrorReading, path);
        Error(kBadChunk);
        return false;
    }
    m_header.Read(chunk);
    if (m_header.index != m_chunkIndex) {
        ErrorNumber(kBadSequence, m_chunkIndex);
        Error(kMissingChunks);
        return false;
    }
    if (m_header.length > m_remaining) {
        Error(kBadChunk);
        return false;
    }
    return true;
}

// After the last chunk: the whole file's checksum, from the bytes read back
// chunk after chunk, which cover the file in order from its first byte, and
// its size as its name finds it; then it is put in place. It is closed
// first: Windows renames no file that is open.
bool CJoiner::CheckWholeFile()
{
    m_output->Close();
    delete m_output;
    m_output = nullptr;
    int64_t size = -1;
    CFileHandle written(m_partialName, "rb");
    if (written && PlatformSeek(written, 0, SEEK_END) == 0)
        size = PlatformTell(written);
    written.Close();
    if (m_writtenCrc != m_fileCrc || size != static_cast<int64_t>(m_totalSize)) {
        Error(kBadFileCrc);
        return false;
    }
    if (!PutOutputInPlace())
        return false;
    m_step = kStepReportSuccess;
    return true;
}

// The checked file takes its stored name. Every chunk was compared with
// that name as it was opened; a file that took the name during the run is
// compared with the first chunk and needs the front end's consent, as one
// found at the start does.
bool CJoiner::PutOutputInPlace()
{
    if (FileExists(m_outputName)) {
        if (PlatformSameFile(m_outputName, m_firstChunk)) {
            Error(kOutputIsChunk, m_outputName);
            return false;
        }
        if (!m_mayReplace && !m_display.MayReplace(m_outputName))
            return false;
    }
    if (!PlatformReplaceFile(m_partialName, m_outputName)) {
        Error(kCannotCreate);
        return false;
    }
    m_partialName = "";
    return true;
}

bool CJoiner::ReportSuccess()
{
    char buffer[kTextSize];
    PlatformFormat(buffer, sizeof buffer, kSuccess, m_outputName);
    m_display.ShowInfo(buffer);
    m_step = kStepDone;
    return true;
}
