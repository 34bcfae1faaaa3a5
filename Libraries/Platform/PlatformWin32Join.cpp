// The Win32 side of what only the joiners call, in a unit of its own: the
// Windows linker keeps every function of a unit it links (their unwind
// tables hold them), and the splitters' size budgets would pay for these.
#include "Platform.h"

#include <windows.h>

#include <stdlib.h>

// The stub copies through its own small buffer, step by step.
int64_t PlatformCopyRange(FILE*, FILE*, uint64_t)
{
    return kCopyNotOffered;
}

CPlatformFileView::CPlatformFileView(FILE*, uint64_t, uint64_t)
    : m_base(nullptr), m_size(0), m_data(nullptr)
{
}

CPlatformFileView::~CPlatformFileView()
{
}

bool PlatformFullPath(const char* path, char* buffer, unsigned size)
{
    if (!_fullpath(buffer, path, size)) {
        if (size > 0)
            buffer[0] = '\0';
        return false;
    }
    return true;
}

bool PlatformSetCurrentFolder(const char* path)
{
    return SetCurrentDirectoryA(path) != 0;
}
