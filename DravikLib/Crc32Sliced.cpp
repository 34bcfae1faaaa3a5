// UpdateCrc32 of builds without a checksum library: the Windows programs
// and the stub, which must stay small.
#include "Crc32.h"

unsigned UpdateCrc32(const void* data, unsigned length, unsigned crc)
{
    return UpdateCrc32Sliced(data, length, crc);
}
