#include "ParseSize.h"

#include <cstdlib>
#include <cstddef>
#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the decimal number that starts `text`: sign, digits, point,
// digits, exponent. strtod would also read hexadecimal numbers, "inf" and
// "nan", which are no sizes.
std::size_t DecimalLength(const char* text)
{
    std::size_t n = 0;
    if (text[n] == '+' || text[n] == '-')
        ++n;
    std::size_t digits = 0;
    while (IsDigit(text[n + digits]))
        ++digits;
    if (text[n + digits] == '.')
        for (++digits; IsDigit(text[n + digits]); ++digits) {
        }
    if (digits == 0 || (digits == 1 && text[n] == '.'))
        return 0;
    n += digits;
    std::size_t e = n;
    if (text[e] == 'e' || text[e] == 'E') {
        ++e;
        if (text[e] == '+' || text[e] == '-')
            ++e;
        if (IsDigit(text[e])) {
            while (IsDigit(text[e]))
                ++e;
            n = e;
        }
    }
    return n;
}

double ReadNumber(const char* text)
{
    std::size_t length = DecimalLength(text);
    if (length == 0 || length > 63)
        return 0.0;
    char number[64];
    std::memcpy(number, text, length);
    number[length] = '\0';
    return std::strtod(number, nullptr);
}

struct CMediaSize {
    long long hundredths; // the typed number times 100, truncated
    bool megabytesOnly;   // only with the "m" unit
    unsigned bytes;
};

const CMediaSize kMediaSizes[] = {
    {18000, false, 178176},    // 180k floppy
    {36000, false, 362496},    // 360k floppy
    {72000, false, 730112},    // 720k floppy
    {120, true, 1213952},      // 1.2M floppy
    {144, true, 1457664},      // 1.44M floppy
    {9500, true, 100431872},   // 100M zip disk
};

} // namespace

unsigned ParseSize(const char* text)
{
    while (IsBlank(*text))
        ++text;
    const char* suffix = text;
    while (IsDigit(*suffix) || *suffix == '.')
        ++suffix;
    while (IsBlank(*suffix))
        ++suffix;
    double multiplier = 1.0;
    if (*suffix == 'k' || *suffix == 'K')
        multiplier = 1024.0;
    else if (*suffix == 'm' || *suffix == 'M')
        multiplier = 1048576.0;

    double x = ReadNumber(text);
    // Also false for NaN: no size is negative.
    if (!(x > 0.0))
        return 0;
    double bytes = x * multiplier;
    if (bytes >= 4294967295.0)
        return 0xFFFFFFFFu;

    // The product rounded to a double, as x86-64 computes it. 32-bit x86
    // code computes in the x87 unit's 80 bits, where 1.44 * 100 stays just
    // under 144 and truncates to 143: a memory store rounds it.
    volatile double scaled = x * 100.0;
    long long hundredths = static_cast<long long>(scaled);
    for (const CMediaSize& media : kMediaSizes)
        if (media.hundredths == hundredths && (!media.megabytesOnly || multiplier == 1048576.0))
            return media.bytes;
    return static_cast<unsigned>(bytes);
}
