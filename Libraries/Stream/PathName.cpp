#include "PathName.h"

#include "Platform.h"

#include <cstring>

namespace {

bool IsSeparator(char c, bool windowsRules)
{
    return c == '/' || (windowsRules && c == '\\');
}

CStr Slice(const char* from, const char* to)
{
    CStr part;
    char* buffer = part.PrepareBuffer(static_cast<unsigned>(to - from));
    std::memcpy(buffer, from, static_cast<size_t>(to - from));
    return part;
}

} // namespace

CPathParts SplitPath(const char* path, bool windowsRules)
{
    CPathParts parts;
    if (!path)
        return parts;
    const char* p = path;
    if (windowsRules && p[0] && p[1] == ':') {
        parts.drive = Slice(p, p + 2);
        p += 2;
    }
    const char* nameStart = p;
    for (const char* q = p; *q; ++q)
        if (IsSeparator(*q, windowsRules))
            nameStart = q + 1;
    parts.dir = Slice(p, nameStart);
    const char* end = nameStart + std::strlen(nameStart);
    // On POSIX a leading dot marks a hidden file and belongs to its name:
    // ".config" has no extension, ".config.txt" has ".txt".
    const char* extSearch = nameStart;
    if (!windowsRules)
        while (*extSearch == '.')
            ++extSearch;
    const char* dot = std::strrchr(extSearch, '.');
    const char* extStart = dot ? dot : end;
    parts.name = Slice(nameStart, extStart);
    parts.ext = Slice(extStart, end);
    return parts;
}

CStr MakePath(const CPathParts& parts, bool windowsRules)
{
    CStr path;
    if (!parts.drive.IsEmpty()) {
        char drive[3] = {parts.drive.Get()[0], ':', '\0'};
        path += drive;
    }
    if (!parts.dir.IsEmpty()) {
        path += parts.dir;
        if (!IsSeparator(parts.dir.Get()[parts.dir.Length() - 1], windowsRules))
            path += windowsRules ? "\\" : "/";
    }
    path += parts.name;
    if (!parts.ext.IsEmpty()) {
        if (parts.ext.Get()[0] != '.')
            path += ".";
        path += parts.ext;
    }
    return path;
}

CPathParts SplitPath(const char* path)
{
    return SplitPath(path, PlatformHasDrives());
}

CStr MakePath(const CPathParts& parts)
{
    return MakePath(parts, PlatformHasDrives());
}
