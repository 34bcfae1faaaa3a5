#include "ParseSize.h"

#include <gtest/gtest.h>

TEST(ParseSize, ConvertsSizeTexts)
{
    const struct {
        const char* text;
        unsigned bytes;
    } cases[] = {
        // Plain numbers with a unit; "b" and unknown letters mean bytes.
        {"10M", 10485760},
        {"10 M", 10485760},
        {"10MB", 10485760},
        {"10m", 10485760},
        {"720000", 720000},
        {"720000b", 720000},
        {"2.5k", 2560},
        {"2.5K", 2560},
        {"1.44k", 1474},
        {"  64k", 65536},
        {"10G", 10},
        {"abc", 0},
        {"", 0},
        {"k", 0},
        {".5k", 512},
        {"1e3", 1000},
        // The media sizes replace the arithmetic.
        {"1.44M", 1457664},
        {"1.44m", 1457664},
        {"1.449M", 1457664},
        {"1.45M", 1520435},
        {"1.2M", 1213952},
        {"1.2k", 1228},
        {"95M", 100431872},
        {"95k", 97280},
        {"180k", 178176},
        {"180M", 178176},
        {"180", 178176},
        {"360k", 362496},
        {"360", 362496},
        {"360M", 362496},
        {"720k", 730112},
        // Beyond 32 bits the largest size, not the wrapped low bits.
        {"4095M", 4293918720u},
        {"4096M", 4294967295u},
        {"4100M", 4294967295u},
        {"1e300", 4294967295u},
        // No negative sizes, no hexadecimal, no infinity.
        {" -5", 0},
        {"0x10", 0},
        {"inf", 0},
        {"nan", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseSize(c.text), c.bytes);
    }
}
