#include "ChunkFormat.h"

#include "PathName.h"
#include "Platform.h"

CStr GetChunkName(const char* base, unsigned index)
{
    CPathParts parts = SplitPath(base);
    char ext[16] = "exe";
    if (index > 0)
        PlatformFormat(ext, sizeof ext, "%03X", index - 1);
    parts.ext = ext;
    return MakePath(parts);
}
