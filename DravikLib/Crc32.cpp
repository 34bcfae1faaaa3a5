#include "Crc32.h"

#include "LittleEndian.h"
#include "Platform.h"

#include <cstdint>

namespace {

constexpr uint32_t kCrcPolynomial = 0xEDB88320u;

// table[k][b]: the checksum of byte b followed by k zero bytes. Row 0 is the
// classic byte table; rows 1 to 7 serve slicing-by-8. Filled at first use
// (8 KB that programs carry in memory, not in their file).
uint32_t g_table[8][256];

void FillTables()
{
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t crc = b;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ kCrcPolynomial : crc >> 1;
        g_table[0][b] = crc;
    }
    for (int k = 1; k < 8; ++k)
        for (int b = 0; b < 256; ++b)
            g_table[k][b] = (g_table[k - 1][b] >> 8) ^ g_table[0][g_table[k - 1][b] & 0xFF];
}

// A function-local static is initialised once even when two threads ask at
// the same time.
const uint32_t (&Tables())[8][256]
{
    static const bool filled = (FillTables(), true);
    (void)filled;
    return g_table;
}

} // namespace

unsigned UpdateCrc32Bytewise(const void* data, unsigned length, unsigned crc)
{
    const uint32_t* table = Tables()[0];
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (unsigned i = 0; i < length; ++i)
        crc = (crc >> 8) ^ table[(crc ^ p[i]) & 0xFF];
    return crc;
}

unsigned UpdateCrc32Sliced(const void* data, unsigned length, unsigned crc)
{
    const auto& t = Tables();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint32_t c = crc;
    for (; length >= 8; length -= 8, p += 8) {
        uint32_t lo = c ^ GetU32(p);
        uint32_t hi = GetU32(p + 4);
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    }
    return UpdateCrc32Bytewise(p, length, c);
}

unsigned GetRangeCrc32(FILE* file, unsigned length)
{
    int64_t position = PlatformTell(file);
    unsigned char block[kCrcBlock];
    unsigned crc = 0;
    while (length > 0) {
        unsigned step = length < kCrcBlock ? length : kCrcBlock;
        size_t got = std::fread(block, 1, step, file);
        crc = UpdateCrc32(block, static_cast<unsigned>(got), crc);
        if (got != step)
            break;
        length -= step;
    }
    std::clearerr(file);
    PlatformSeek(file, position, SEEK_SET);
    return crc;
}

unsigned GetFileCrc32(const char* path)
{
    FILE* file = PlatformOpenShared(path, "rb", kShareDenyNone);
    if (!file)
        return 0;
    unsigned char block[kCrcBlock];
    unsigned crc = 0;
    size_t got;
    while ((got = std::fread(block, 1, kCrcBlock, file)) > 0)
        crc = UpdateCrc32(block, static_cast<unsigned>(got), crc);
    std::fclose(file);
    return crc;
}

// Multiplies a and b as polynomials modulo the CRC polynomial (reflected).
static uint32_t MultiplyModP(uint32_t a, uint32_t b)
{
    uint32_t product = 0;
    for (uint32_t m = 1u << 31; m != 0; m >>= 1) {
        if (a & m)
            product ^= b;
        b = (b & 1) ? (b >> 1) ^ kCrcPolynomial : b >> 1;
    }
    return product;
}

unsigned CombineCrc32(unsigned crcA, unsigned crcB, uint64_t lengthB)
{
    // Our checksum starts at 0 and is not inverted, so it is linear:
    // crc(A B) = crc(A) * x^(8 |B|) + crc(B) modulo the polynomial.
    uint32_t power = 1u << 30; // x^1
    uint32_t shift = 1u << 31; // x^0
    for (uint64_t bits = lengthB * 8; bits != 0; bits >>= 1) {
        if (bits & 1)
            shift = MultiplyModP(power, shift);
        power = MultiplyModP(power, power);
    }
    return MultiplyModP(shift, crcA) ^ crcB;
}
