// The checksum of every chunk set: known values, and every fast method
// against the byte-table reference.
#include "Crc32.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Crc32, KnownValues)
{
    EXPECT_EQ(UpdateCrc32("abc", 3, 0), 0xCA6598D0u);
    EXPECT_EQ(UpdateCrc32Bytewise("abc", 3, 0), 0xCA6598D0u);
    EXPECT_EQ(UpdateCrc32Sliced("abc", 3, 0), 0xCA6598D0u);
    EXPECT_EQ(UpdateCrc32("", 0, 0), 0u);
    EXPECT_EQ(UpdateCrc32("", 0, 0x12345678u), 0x12345678u);
}

TEST(Crc32, FastMethodsAgreeWithTheTable)
{
    std::string bytes = RandomBytes(100003, 7);
    const unsigned lengths[] = {0, 1, 7, 8, 9, 63, 511, 512, 513, 639, 640, 1000, 4096, 65537, 100003};
    for (unsigned length : lengths) {
        for (unsigned offset : {0u, 1u, 3u}) {
            if (offset + length > bytes.size())
                continue;
            const char* p = bytes.data() + offset;
            unsigned reference = UpdateCrc32Bytewise(p, length, 0x5A5A5A5Au);
            EXPECT_EQ(UpdateCrc32Sliced(p, length, 0x5A5A5A5Au), reference) << length;
            EXPECT_EQ(UpdateCrc32(p, length, 0x5A5A5A5Au), reference) << length;
        }
    }
}

TEST(Crc32, CombinedChecksumIsTheChecksumOfBoth)
{
    std::string bytes = RandomBytes(200000, 8);
    for (size_t cut : {size_t(0), size_t(1), size_t(65536), size_t(123457), size_t(200000)}) {
        unsigned a = UpdateCrc32Bytewise(bytes.data(), static_cast<unsigned>(cut), 0);
        unsigned b = UpdateCrc32Bytewise(bytes.data() + cut, static_cast<unsigned>(bytes.size() - cut), 0);
        EXPECT_EQ(CombineCrc32(a, b, bytes.size() - cut),
                  UpdateCrc32Bytewise(bytes.data(), static_cast<unsigned>(bytes.size()), 0))
            << cut;
    }
}

TEST(Crc32, FileAndRangeChecksums)
{
    CScratchDir dir;
    std::string bytes = RandomBytes(150000, 9);
    WriteFileBytes(dir.Path() / "f", bytes);
    EXPECT_EQ(GetFileCrc32((dir / "f").c_str()),
              UpdateCrc32Bytewise(bytes.data(), static_cast<unsigned>(bytes.size()), 0));
    EXPECT_EQ(GetFileCrc32((dir / "missing").c_str()), 0u);

    FILE* file = std::fopen((dir / "f").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 1000, SEEK_SET);
    EXPECT_EQ(GetRangeCrc32(file, 140000), UpdateCrc32Bytewise(bytes.data() + 1000, 140000, 0));
    EXPECT_EQ(std::ftell(file), 1000);
    std::fclose(file);
}

} // namespace
