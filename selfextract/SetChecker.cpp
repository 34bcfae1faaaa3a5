#include "SetChecker.h"

#include "Crc32.h"
#include "ExceptionBase.h"
#include "PathName.h"
#include "Platform.h"
#include "StreamFile.h"

#include <cstring>

namespace {

const char kNoFileData[] = "Could not get file data.";
const char kBadName[] = "Invalid file name in the chunk set.";

// Chunk data is read in blocks of this size.
constexpr unsigned kReadBlock = 1u << 20;
// Sixteen million chunks, 23 TB of 1.44 MB chunks: a walk that gets this far
// follows no set. (Sets of 4 GiB and more easily pass 65536 chunks.)
constexpr unsigned kMaxChunks = 1u << 24;

// A target stream that keeps nothing but the checksum of what is written.
class CCrcSink : public IAbStream {
public:
    void Serialize(const void* data, unsigned length) override
    {
        m_crc = UpdateCrc32(data, length, m_crc);
        m_length += length;
    }
    void Serialize(void* data, unsigned length) override
    {
        Serialize(static_cast<const void*>(data), length);
    }
    bool IsReading() const override { return false; }
    void Seek(unsigned) override { DRAVIK_THROW(CStreamException, "Unsupported function"); }
    void SeekToBegin() override { Seek(0); }
    void SeekToEnd() override { Seek(0); }
    unsigned GetPosition() const override { return m_length; }
    unsigned GetLength() const override { return m_length; }
    char* GetBuffer() override { DRAVIK_THROW(CStreamException, "Unsupported function"); }
    unsigned GetCrc() const { return m_crc; }

private:
    unsigned m_crc = 0;
    unsigned m_length = 0;
};

// The name the splitter gives the chunk after `name`: its hexadecimal
// extension plus one ("big.009" -> "big.00A"). Empty when `name` has no
// such extension. It stands in for the name a missing or damaged chunk
// would have told.
CStr NextChunkName(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    if (!dot || std::strlen(dot + 1) < 3 || std::strlen(dot + 1) > 8)
        return CStr();
    unsigned value = 0;
    for (const char* p = dot + 1; *p; ++p) {
        int digit = (*p >= '0' && *p <= '9') ? *p - '0' : (*p >= 'A' && *p <= 'F') ? *p - 'A' + 10 : -1;
        if (digit < 0)
            return CStr();
        value = value * 16 + static_cast<unsigned>(digit);
    }
    char next[kMaxName + 16];
    PlatformFormat(next, sizeof next, "%.*s.%03X", static_cast<int>(dot - name), name, value + 1);
    return CStr(next);
}

// The first line of an exception's text: the second names the throw site.
CStr FirstLine(const char* text)
{
    const char* end = std::strchr(text, '\n');
    if (!end)
        return CStr(text);
    CStr line;
    char* buffer = line.PrepareBuffer(static_cast<unsigned>(end - text));
    std::memcpy(buffer, text, static_cast<size_t>(end - text));
    buffer[end - text] = '\0';
    return line;
}

} // namespace

struct CSetChecker::CChunkResult {
    enum State { kOk, kMissing, kWrongIndex, kTooLong, kCutShort, kBadCrc, kBadName, kUnreadable };
    unsigned index = 0;
    State state = kOk;
    unsigned length = 0;   // data bytes the header declares
    unsigned found = 0;    // the index a chunk of the wrong sequence holds
    unsigned present = 0;  // data bytes a chunk cut short still holds
    unsigned crc = 0;      // of its data, when it is whole
    CStr reason;           // why an unreadable chunk could not be read
    CStr next;             // the next chunk's name it stores
};

CSetChecker::CSetChecker(const char* firstChunk, FILE* out, FILE* errors)
    : m_firstChunk(firstChunk), m_out(out), m_errors(errors), m_archive(nullptr),
      m_chunk(nullptr), m_block(new unsigned char[kReadBlock]), m_fileName(), m_nextName(),
      m_record(), m_header()
{
    CPathParts parts = SplitPath(firstChunk);
    parts.name = "";
    parts.ext = "";
    m_folder = MakePath(parts);
}

CSetChecker::~CSetChecker()
{
    delete[] m_block;
    delete m_chunk;
    delete m_archive;
}

// The payload checked as the joiner checks it before it writes anything.
bool CSetChecker::Open()
{
    if (!PlatformIsRegularFile(m_firstChunk)) {
        std::fprintf(m_errors, "%s\n", kNoFileData);
        return false;
    }
    m_archive = new CAppendedArchive(m_firstChunk.Get(), kSkipHead);
    auto readName = [this](unsigned entry, char* name) {
        unsigned length = m_archive->GetEntryLength(entry);
        if (length == 0 || length > kMaxName)
            return false;
        m_archive->ReadEntry(name, entry);
        return name[length - 1] == '\0';
    };
    if (m_archive->GetEntryCount() < kChunkEntryCount ||
        m_archive->GetEntryLength(kEntryChunkHeader) != kChunkHeaderSize ||
        !readName(kEntryFileName, m_fileName) || !readName(kEntryNextName, m_nextName)) {
        std::fprintf(m_errors, "%s\n", kNoFileData);
        return false;
    }
    if (!IsPlainFileName(m_fileName) || !IsPlainFileName(m_nextName)) {
        std::fprintf(m_errors, "%s\n", kBadName);
        return false;
    }
    // The file record: 8 bytes, or 16 for a file of 4 GiB or more.
    unsigned char record[kLargeFileRecordSize], header[kChunkHeaderSize];
    const unsigned recordLength = m_archive->GetEntryLength(kEntryFileRecord);
    if (recordLength > sizeof record) {
        std::fprintf(m_errors, "%s\n", kNoFileData);
        return false;
    }
    m_archive->ReadEntry(record, kEntryFileRecord);
    if (!m_record.Decode(record, recordLength)) {
        std::fprintf(m_errors, "%s\n", kNoFileData);
        return false;
    }
    m_archive->ReadEntry(header, kEntryChunkHeader);
    m_header.Decode(header);
    return true;
}

void CSetChecker::List()
{
    std::fprintf(m_out, "File: %s\nSize: %llu bytes\nCRC-32: %08X\n", m_fileName,
                 static_cast<unsigned long long>(m_record.size), m_record.crc);
}

bool CSetChecker::Check()
{
    const uint64_t total = m_record.size;
    CChunkResult result;
    CheckFirstChunk(result);
    CPathParts parts = SplitPath(m_firstChunk);
    CStr firstName(parts.name);
    firstName += parts.ext;
    Report(firstName, result);
    unsigned bad = result.state == CChunkResult::kOk ? 0 : 1, count = 1;
    unsigned wholeCrc = result.crc;
    uint64_t done = result.length <= total ? result.length : total;
    // The data length of a later chunk: every one but the last has the
    // same, so a missing chunk is counted with it.
    unsigned usual = 0;
    CStr name(m_nextName);
    for (unsigned stalled = 0; done < total && stalled < 2 && count < kMaxChunks && !name.IsEmpty();
         ++count) {
        result = CChunkResult();
        result.index = count;
        CheckLaterChunk(name, result);
        Report(name, result);
        const uint64_t left = total - done;
        unsigned counted;
        if (result.state == CChunkResult::kOk) {
            wholeCrc = CombineCrc32(wholeCrc, result.crc, result.length);
            usual = result.length;
            counted = result.length;
            name = result.next;
        } else {
            ++bad;
            if (!m_badNames.IsEmpty())
                m_badNames += ", ";
            m_badNames += name;
            bool lengthKnown = result.state != CChunkResult::kMissing &&
                result.state != CChunkResult::kBadName && result.state != CChunkResult::kUnreadable;
            counted = lengthKnown && result.length > 0 && result.length <= left ? result.length : usual;
            // What a damaged chunk stores is not trusted: the next name is
            // the one the splitter would have given.
            name = NextChunkName(name);
        }
        if (counted > left)
            counted = static_cast<unsigned>(left);
        stalled = counted == 0 ? stalled + 1 : 0;
        done += counted;
    }
    // A set whose chunks hold less than the file, and whose last chunk
    // names no next one that could be found.
    if (bad == 0 && done < total) {
        bad = 1;
        m_badNames = name.IsEmpty() ? CStr("the chunks after the last one") : name;
    }
    Verdict(bad, count, wholeCrc == m_record.crc);
    return bad == 0 && wholeCrc == m_record.crc;
}

void CSetChecker::CheckFirstChunk(CChunkResult& result)
{
    result.index = 0;
    result.length = m_header.length;
    const unsigned stored = m_archive->GetEntryLength(kEntryData);
    if (m_header.index != 0) {
        result.state = CChunkResult::kWrongIndex;
        result.found = m_header.index;
    } else if (m_header.length > m_record.size) {
        result.state = CChunkResult::kTooLong;
    } else if (stored < m_header.length) {
        result.state = CChunkResult::kCutShort;
        result.present = stored;
    } else {
        struct CRead {
            CAppendedArchive* archive;
            unsigned length;
            CCrcSink sink;
        } read = {m_archive, m_header.length, CCrcSink()};
        CStr error;
        if (!RunTrapped([](void* c) {
                CRead* read = static_cast<CRead*>(c);
                for (unsigned from = 0; from < read->length; from += kReadBlock) {
                    unsigned to = read->length - from < kReadBlock ? read->length : from + kReadBlock;
                    read->archive->CopyEntryRange(read->sink, from, to, kEntryData);
                }
            }, &read, error)) {
            result.state = CChunkResult::kUnreadable;
            result.reason = FirstLine(error);
            return;
        }
        result.crc = read.sink.GetCrc();
        if (result.crc != m_header.crc)
            result.state = CChunkResult::kBadCrc;
    }
}

// A later chunk: the next chunk's name, the header, then the data. A read
// that fails (the file vanished or shrank under us) makes it unreadable.
void CSetChecker::CheckLaterChunk(const char* name, CChunkResult& result)
{
    CStr path(m_folder);
    path += name;
    // A pipe would block the open, a device may never end.
    if (!PlatformIsRegularFile(path)) {
        result.state = CChunkResult::kMissing;
        return;
    }
    struct CRead {
        CSetChecker* checker;
        const char* path;
        CChunkResult* result;
    } read = {this, path, &result};
    CStr error;
    if (!RunTrapped([](void* c) {
            CRead* read = static_cast<CRead*>(c);
            read->checker->ReadLaterChunk(read->path, *read->result);
        }, &read, error)) {
        result.state = CChunkResult::kUnreadable;
        result.reason = FirstLine(error);
    }
    // Owned here, not by the trapped body: a build without exceptions
    // leaves that body's stack as it was.
    delete m_chunk;
    m_chunk = nullptr;
}

void CSetChecker::ReadLaterChunk(const char* path, CChunkResult& result)
{
    m_chunk = new CStreamFile(path, kStreamRead, kShareDenyNone);
    CStreamFile& chunk = *m_chunk;
    const unsigned length = chunk.GetLength();
    char next[kMaxName];
    bool ended = false; // the name's NUL was read
    unsigned n = 0;
    for (; n < kMaxName && chunk.GetPosition() < length; ++n) {
        chunk.Serialize(static_cast<void*>(next + n), 1);
        if (next[n] == '\0') {
            ended = true;
            break;
        }
    }
    if (!ended && n < kMaxName) {
        result.state = CChunkResult::kCutShort; // it ends inside the name
        return;
    }
    if (!ended || !IsPlainFileName(next)) {
        result.state = CChunkResult::kBadName;
        return;
    }
    if (length - chunk.GetPosition() < kChunkHeaderSize) {
        result.state = CChunkResult::kCutShort; // it ends inside the header
        return;
    }
    result.next = next;
    CChunkHeader header;
    header.Read(chunk);
    result.length = header.length;
    if (header.index != result.index) {
        result.state = CChunkResult::kWrongIndex;
        result.found = header.index;
        return;
    }
    const unsigned available = length - chunk.GetPosition();
    const unsigned wanted = header.length < available ? header.length : available;
    unsigned crc = 0;
    for (unsigned left = wanted; left > 0;) {
        unsigned step = left < kReadBlock ? left : kReadBlock;
        chunk.Serialize(static_cast<void*>(m_block), step);
        crc = UpdateCrc32(m_block, step, crc);
        left -= step;
    }
    result.crc = crc;
    if (available < header.length) {
        result.state = CChunkResult::kCutShort;
        result.present = available;
    } else if (crc != header.crc) {
        result.state = CChunkResult::kBadCrc;
    }
}

void CSetChecker::Report(const char* name, const CChunkResult& r)
{
    std::fprintf(m_out, "%s: chunk %u, ", name, r.index);
    switch (r.state) {
    case CChunkResult::kOk: std::fprintf(m_out, "%u bytes, ok\n", r.length); break;
    case CChunkResult::kMissing: std::fprintf(m_out, "missing\n"); break;
    case CChunkResult::kWrongIndex: std::fprintf(m_out, "holds chunk %u instead\n", r.found); break;
    case CChunkResult::kTooLong:
        std::fprintf(m_out, "%u bytes, more than the file has left\n", r.length);
        break;
    case CChunkResult::kCutShort:
        if (r.length > 0)
            std::fprintf(m_out, "%u of %u bytes, cut short\n", r.present, r.length);
        else
            std::fprintf(m_out, "cut short\n");
        break;
    case CChunkResult::kBadCrc:
        std::fprintf(m_out, "%u bytes, checksum does not match\n", r.length);
        break;
    case CChunkResult::kBadName: std::fprintf(m_out, "invalid next chunk name\n"); break;
    case CChunkResult::kUnreadable: std::fprintf(m_out, "unreadable: %s\n", r.reason.Get()); break;
    }
    std::fflush(m_out);
}

void CSetChecker::Verdict(unsigned bad, unsigned count, bool wholeCrcMatches)
{
    if (bad > 0)
        std::fprintf(m_out, "%s: %u of %u chunks missing or damaged (%s): the set would not rebuild.\n",
                     m_fileName, bad, count, m_badNames.Get());
    else if (!wholeCrcMatches)
        std::fprintf(m_out, "%s: the whole file's checksum does not match: the set would not rebuild.\n",
                     m_fileName);
    else
        std::fprintf(m_out, "%s: %llu bytes in %u chunks, every check passed: the set would rebuild.\n",
                     m_fileName, static_cast<unsigned long long>(m_record.size), count);
}
