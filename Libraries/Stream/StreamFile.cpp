#include "StreamFile.h"

#include "ExceptionBase.h"
#include "Platform.h"

#include <cerrno>
#include <cstring>

namespace {

// "Error writing file: No space left on device": the C library's reason is
// what tells a user that the disk is full or the stick was pulled.
CStr IoErrorText(const char* what, int error)
{
    CStr text(what);
    if (error != 0) {
        text += ": ";
        text += std::strerror(error);
    }
    return text;
}

} // namespace

CStr ReadErrorText(FILE* file, int error)
{
    if (std::ferror(file) && error != 0)
        return IoErrorText("Error reading file", error);
    // A file that ends early (it shrank, or its size was a guess) sets no
    // error number: say so rather than give no reason.
    if (std::feof(file))
        return CStr("Error reading file: unexpected end of file");
    return CStr("Error reading file");
}

CStreamFile::CStreamFile(FILE* file, unsigned length, StreamMode mode, FileOwnership ownership)
    : m_mode(mode), m_file(file), m_ownsFile(ownership == kFileOwned), m_length(length),
      m_start(0), m_position(0)
{
    if (!file)
        DRAVIK_THROW(CStreamException, "Invalid file for streaming");
    m_start = PlatformTell(file);
    if (m_start < 0)
        m_start = 0;
}

CStreamFile::CStreamFile(const char* path, StreamMode mode, ShareMode share)
    : m_mode(mode), m_file(nullptr), m_ownsFile(true), m_length(0), m_start(0), m_position(0)
{
    m_file = PlatformOpenShared(path, IsReading() ? "rb" : "wb", share);
    if (!m_file)
        DRAVIK_THROW(CStreamException, "Can't open file for streaming");
    if (IsReading())
        SetReadLength();
}

CStreamFile::CStreamFile(const CStreamFile& source, StreamMode mode)
    : m_mode(mode), m_file(nullptr), m_ownsFile(true), m_length(0), m_start(0), m_position(0)
{
    m_file = PlatformDupStream(source.m_file, IsReading() ? "rb" : "wb");
    if (!m_file)
        DRAVIK_THROW(CStreamException, "Can't open file for streaming");
    if (IsReading())
        SetReadLength();
}

CStreamFile::~CStreamFile()
{
    if (m_ownsFile && m_file)
        std::fclose(m_file);
}

// Length of the whole file, read by seeking to its end and back to 0. Sizes
// beyond what a stream can address are clamped to the largest length.
void CStreamFile::SetReadLength()
{
    int64_t size = -1;
    if (PlatformSeek(m_file, 0, SEEK_END) == 0)
        size = PlatformTell(m_file);
    if (size < 0 || PlatformSeek(m_file, 0, SEEK_SET) != 0) {
        std::fclose(m_file);
        m_file = nullptr;
        DRAVIK_THROW(CStreamException, "Can't open file for streaming");
    }
    m_length = size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<unsigned>(size);
}

void CStreamFile::Serialize(const void* data, unsigned length)
{
    Serialize(const_cast<void*>(data), length);
}

void CStreamFile::Serialize(void* data, unsigned length)
{
    if (IsReading()) {
        if (static_cast<uint64_t>(m_position) + length > m_length)
            DRAVIK_THROW(CStreamException, "Reading past end of file");
        errno = 0;
        if (std::fread(data, 1, length, m_file) != length) {
            CStr text = ReadErrorText(m_file, errno);
            std::clearerr(m_file);
            PlatformSeek(m_file, m_start + m_position, SEEK_SET);
            DRAVIK_THROW(CStreamException, text);
        }
        m_position += length;
        return;
    }
    errno = 0;
    if (std::fwrite(data, 1, length, m_file) != length) {
        int error = errno;
        std::clearerr(m_file);
        m_position = static_cast<unsigned>(PlatformTell(m_file) - m_start);
        DRAVIK_THROW(CStreamException, IoErrorText("Error writing file", error));
    }
    m_position += length;
    if (m_position > m_length)
        m_length = m_position;
}

void CStreamFile::Seek(unsigned position)
{
    if (position > m_length || PlatformSeek(m_file, m_start + position, SEEK_SET) != 0)
        DRAVIK_THROW(CStreamException, "Invalid seek position");
    m_position = position;
}

void CStreamFile::SeekToBegin()
{
    PlatformSeek(m_file, m_start, SEEK_SET);
    m_position = 0;
}

// The physical end of the file, not start + length.
void CStreamFile::SeekToEnd()
{
    PlatformSeek(m_file, 0, SEEK_END);
    m_position = static_cast<unsigned>(PlatformTell(m_file) - m_start);
}

char* CStreamFile::GetBuffer()
{
    DRAVIK_THROW(CStreamException, "Unsupported function");
}

int CStreamFile::Flush()
{
    return std::fflush(m_file);
}

void CStreamFile::FlushOrRaise()
{
    errno = 0;
    if (std::fflush(m_file) != 0)
        DRAVIK_THROW(CStreamException, IoErrorText("Error writing file", errno));
}

void CStreamFile::Close()
{
    if (!m_file)
        return;
    FILE* file = m_file;
    bool owned = m_ownsFile;
    m_file = nullptr;
    errno = 0;
    int flushed = std::fflush(file);
    int error = errno;
    int closed = owned ? std::fclose(file) : 0;
    if (closed != 0 && error == 0)
        error = errno;
    if (flushed != 0 || closed != 0)
        DRAVIK_THROW(CStreamException, IoErrorText("Error writing file", error));
}

bool FileExists(const char* path)
{
    return PlatformIsFile(path);
}

CFileHandle::CFileHandle(const char* path, const char* mode)
    : m_file(std::fopen(path, mode))
{
}

CFileHandle::~CFileHandle()
{
    Close();
}

int CFileHandle::Close()
{
    if (!m_file)
        return 0;
    int result = std::fclose(m_file);
    m_file = nullptr;
    return result;
}
