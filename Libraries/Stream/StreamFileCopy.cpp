// CStreamFile::CopyFrom, in a unit of its own: only the Linux joiner calls
// it, and the Windows linker keeps every function of a unit it links (their
// unwind tables hold them), which the splitters' size budgets would pay for.
#include "StreamFile.h"

#include "ExceptionBase.h"
#include "Platform.h"

#include <cerrno>
#include <cstring>

namespace {

// "Error writing file: No space left on device", as Serialize says it.
CStr WriteErrorText(int error)
{
    CStr text("Error writing file");
    if (error != 0) {
        text += ": ";
        text += std::strerror(error);
    }
    return text;
}

} // namespace

unsigned CStreamFile::CopyFrom(CStreamFile& source, unsigned count)
{
    unsigned available = source.m_length - source.m_position;
    unsigned n = count < available ? count : available;
    if (n == 0) // CopyStream would take 0 for "all"
        return 0;
    if (IsReading() || !source.IsReading())
        return CopyStream(source, *this, n);
    FlushOrRaise();
    errno = 0;
    int64_t copied = PlatformCopyRange(source.m_file, m_file, n);
    if (copied == kCopyNotOffered)
        return CopyStream(source, *this, n);
    if (copied < 0) {
        int error = errno;
        source.m_position = static_cast<unsigned>(PlatformTell(source.m_file) - source.m_start);
        m_position = static_cast<unsigned>(PlatformTell(m_file) - m_start);
        DRAVIK_THROW(CStreamException, WriteErrorText(error));
    }
    source.m_position += static_cast<unsigned>(copied);
    m_position += static_cast<unsigned>(copied);
    if (m_position > m_length)
        m_length = m_position;
    // The source ended before its length: it shrank while it was read.
    if (static_cast<unsigned>(copied) != n)
        DRAVIK_THROW(CStreamException, "Error reading file: unexpected end of file");
    return n;
}
