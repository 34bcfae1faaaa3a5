// Little-endian 32-bit fields: every number the appended-data archive and the
// chunk format store is one. They are put and read byte by byte, never by
// copying an integer, so the stored bytes are the same on every machine.
#pragma once

#include "AbStream.h"

inline void PutU32(unsigned char* bytes, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline unsigned GetU32(const unsigned char* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<unsigned>(bytes[3]) << 24;
}

// Writes `value` as the stream's next four bytes.
inline void WriteU32(IAbStream& target, unsigned value)
{
    unsigned char bytes[4];
    PutU32(bytes, value);
    target.Serialize(static_cast<const void*>(bytes), 4);
}
