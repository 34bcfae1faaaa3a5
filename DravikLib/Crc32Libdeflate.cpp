// UpdateCrc32 of the host build. libdeflate's CRC-32 runs near memory speed
// (about 10 GB/s here against 1.6 for slicing-by-8), and the engine reads
// every input byte through it.
#include "Crc32.h"

#include <libdeflate.h>

unsigned UpdateCrc32(const void* data, unsigned length, unsigned crc)
{
    // libdeflate keeps the common CRC-32 (inverted in and out); inverting
    // around it gives ours.
    return ~static_cast<unsigned>(libdeflate_crc32(~crc, data, length));
}
