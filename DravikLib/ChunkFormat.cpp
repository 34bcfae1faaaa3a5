#include "ChunkFormat.h"

#include "LittleEndian.h"
#include "PathName.h"
#include "Platform.h"

#include <cstring>

void CFileRecord::Encode(unsigned char* bytes) const
{
    PutU32(bytes, crc);
    PutU32(bytes + 4, size);
}

void CFileRecord::Decode(const unsigned char* bytes)
{
    crc = GetU32(bytes);
    size = GetU32(bytes + 4);
}

void CChunkHeader::Encode(unsigned char* bytes) const
{
    PutU32(bytes, crc);
    PutU32(bytes + 4, length);
    PutU32(bytes + 8, index);
}

void CChunkHeader::Decode(const unsigned char* bytes)
{
    crc = GetU32(bytes);
    length = GetU32(bytes + 4);
    index = GetU32(bytes + 8);
}

void CChunkHeader::Write(IAbStream& target) const
{
    unsigned char bytes[kChunkHeaderSize];
    Encode(bytes);
    target.Serialize(static_cast<const void*>(bytes), kChunkHeaderSize);
}

void CChunkHeader::Read(IAbStream& source)
{
    unsigned char bytes[kChunkHeaderSize];
    source.Serialize(static_cast<void*>(bytes), kChunkHeaderSize);
    Decode(bytes);
}

int FindBadNameChar(const char* name)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
        if (*p < 0x20 || *p == 0x7F || *p == '/' || *p == '\\' || *p == ':')
            return *p;
    return -1;
}

bool IsPlainFileName(const char* name)
{
    size_t length = std::strlen(name);
    if (length == 0 || length >= kMaxName || std::strcmp(name, ".") == 0 ||
        std::strcmp(name, "..") == 0)
        return false;
    return FindBadNameChar(name) < 0;
}

CStr GetChunkName(const char* base, unsigned index)
{
    CPathParts parts = SplitPath(base);
    char ext[16] = "exe";
    if (index > 0)
        PlatformFormat(ext, sizeof ext, "%03X", index - 1);
    parts.ext = ext;
    return MakePath(parts);
}
