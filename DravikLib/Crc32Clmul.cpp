// UpdateCrc32 of x86-64 hosts: libdeflate's CRC-32, and for long runs on
// processors with 256-bit carry-less multiplication (VPCLMULQDQ) a folding
// loop of our own, which reads four 32-byte blocks per turn: the Linux
// joiner checksums every byte it writes, and libdeflate's 128-bit loop was
// a sixth of its time.
#include "Crc32.h"

#include <immintrin.h>
#include <libdeflate.h>

namespace {

unsigned Libdeflate(const void* data, size_t length, unsigned crc)
{
    // libdeflate keeps the common CRC-32 (inverted in and out); inverting
    // around it gives ours.
    return ~static_cast<unsigned>(libdeflate_crc32(~crc, data, length));
}

// x^n modulo the CRC polynomial, in the usual (not reflected) bit order.
constexpr uint32_t PowerModP(unsigned n)
{
    uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i)
        r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    return r;
}

constexpr uint64_t Reflect32(uint32_t v)
{
    uint64_t r = 0;
    for (int i = 0; i < 32; ++i)
        if ((v >> i) & 1)
            r |= uint64_t(1) << (31 - i);
    return r;
}

// The multiplier that carries one 64-bit half of a 16-byte lane `n` bits
// further, in the reflected order the checksum uses.
constexpr uint64_t FoldConstant(unsigned n)
{
    return Reflect32(PowerModP(n)) << 1;
}
// The published constants of the 128-bit and 512-bit folds.
static_assert(FoldConstant(128 + 32) == 0x1751997d0 && FoldConstant(128 - 32) == 0x0ccaa009e);
static_assert(FoldConstant(512 + 32) == 0x154442bd4 && FoldConstant(512 - 32) == 0x1c6e41596);

constexpr size_t kFoldMinimum = 512;

// Each 16-byte lane of `x` carried `bits` further (the constants of
// FoldConstants(bits)), added to `next`.
__attribute__((target("avx2,vpclmulqdq"))) inline __m256i Fold(__m256i x, __m256i k, __m256i next)
{
    __m256i low = _mm256_clmulepi64_epi128(x, k, 0x00);
    __m256i high = _mm256_clmulepi64_epi128(x, k, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

__attribute__((target("avx2,vpclmulqdq"))) inline __m256i FoldConstants(unsigned bits)
{
    return _mm256_set_epi64x(static_cast<long long>(FoldConstant(bits - 32)),
                             static_cast<long long>(FoldConstant(bits + 32)),
                             static_cast<long long>(FoldConstant(bits - 32)),
                             static_cast<long long>(FoldConstant(bits + 32)));
}

__attribute__((target("avx2,vpclmulqdq"))) inline __m256i Load(const unsigned char* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// At least kFoldMinimum bytes: folded 128 bytes at a time down to 16 bytes
// that leave the same remainder, whose checksum with the rest is the
// checksum of all. The running value enters as the first four bytes.
__attribute__((target("avx2,vpclmulqdq,pclmul"))) unsigned FoldCrc32(const unsigned char* p,
                                                                     size_t length, unsigned crc)
{
    __m256i x0 = _mm256_xor_si256(Load(p), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(crc)));
    __m256i x1 = Load(p + 32), x2 = Load(p + 64), x3 = Load(p + 96);
    p += 128;
    length -= 128;
    const __m256i k1024 = FoldConstants(1024);
    for (; length >= 128; p += 128, length -= 128) {
        x0 = Fold(x0, k1024, Load(p));
        x1 = Fold(x1, k1024, Load(p + 32));
        x2 = Fold(x2, k1024, Load(p + 64));
        x3 = Fold(x3, k1024, Load(p + 96));
    }
    const __m256i k256 = FoldConstants(256);
    x1 = Fold(x0, k256, x1);
    x2 = Fold(x1, k256, x2);
    x3 = Fold(x2, k256, x3);
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(FoldConstant(128 - 32)),
                                        static_cast<long long>(FoldConstant(128 + 32)));
    __m128i first = _mm256_castsi256_si128(x3), second = _mm256_extracti128_si256(x3, 1);
    __m128i rest = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(first, k128, 0x00),
                                               _mm_clmulepi64_si128(first, k128, 0x11)),
                                 second);
    unsigned char folded[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), rest);
    return Libdeflate(p, length, Libdeflate(folded, sizeof folded, 0));
}

bool HasFold()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq") &&
        __builtin_cpu_supports("pclmul");
    return has;
}

} // namespace

unsigned UpdateCrc32(const void* data, unsigned length, unsigned crc)
{
    if (length >= kFoldMinimum && HasFold())
        return FoldCrc32(static_cast<const unsigned char*>(data), length, crc);
    return Libdeflate(data, length, crc);
}
