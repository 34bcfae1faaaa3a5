#include "StringTable.h"

#include <cstdarg>
#include <cstdio>
#include <windows.h>

CStr LoadResString(unsigned id)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // LoadString cuts a text that does not fit; try again with room to spare.
    for (unsigned size = 256;; size *= 2) {
        CStr text;
        char* buffer = text.PrepareBuffer(size);
        int length = LoadStringA(instance, id, buffer, static_cast<int>(size) + 1);
        if (length <= 0)
            return CStr();
        if (static_cast<unsigned>(length) < size)
            return CStr(buffer);
    }
}

CStr FormatResString(unsigned id, ...)
{
    CStr format = LoadResString(id);
    va_list args;
    va_start(args, id);
    va_list again;
    va_copy(again, args);
    int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    CStr text;
    if (length > 0)
        vsnprintf(text.PrepareBuffer(static_cast<unsigned>(length)),
                  static_cast<size_t>(length) + 1, format, again);
    va_end(again);
    return text;
}
