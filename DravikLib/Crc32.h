// The CRC-32 of every checksum in a chunk set: reflected polynomial
// 0xEDB88320, initial value 0, no final exclusive-or ("abc" gives 0xCA6598D0).
// It is not zlib's CRC-32, which starts from all one bits and inverts.
#pragma once

#include <cstdint>
#include <cstdio>

// Checksums read files in blocks of this size.
constexpr unsigned kCrcBlock = 65536;

// Continues `crc` over `length` bytes.
unsigned UpdateCrc32(const void* data, unsigned length, unsigned crc);

// Checksum of the whole file; 0 when it cannot be opened.
unsigned GetFileCrc32(const char* path);

// Checksum of the next `length` bytes of `file`; its position is restored.
unsigned GetRangeCrc32(FILE* file, unsigned length);

// The checksum of A followed by B, from the checksums of both and B's length.
unsigned CombineCrc32(unsigned crcA, unsigned crcB, uint64_t lengthB);

// The byte-at-a-time table method: the reference every faster method must
// agree with.
unsigned UpdateCrc32Bytewise(const void* data, unsigned length, unsigned crc);
// Slicing-by-8 with tables built at first use: the method of builds without
// a checksum library (the Windows programs).
unsigned UpdateCrc32Sliced(const void* data, unsigned length, unsigned crc);
