// The appended-data archive: exact bytes, reading back, every fallback of
// the reader, and the entry operations.
#include "AppendedArchive.h"
#include "Platform.h"
#include "StreamFile.h"
#include "StreamMemory.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kMagic(reinterpret_cast<const char*>(kArchiveMagic), 16);

std::string U32(unsigned v)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(v >> (8 * i));
    return bytes;
}

std::string WriteToMemory(CAppendedArchive& archive)
{
    CStreamMemory out;
    archive.Write(out);
    return std::string(out.GetBuffer() ? out.GetBuffer() : "", out.GetLength());
}

std::string EntryBytes(CAppendedArchive& archive, unsigned index)
{
    std::string bytes(archive.GetEntryLength(index), '\0');
    archive.ReadEntry(&bytes[0], index);
    return bytes;
}

TEST(AppendedArchive, WritesTheExactFormat)
{
    CAppendedArchive archive("HEAD", 4);
    archive.AddBuffer("xy", 2);
    archive.AddBuffer("", 0);
    std::string expected = "HEAD" + U32(2) + U32(5) + "DATA0" + U32(2) + "xy" + U32(5) + "DATA1" +
                           U32(0) + U32(4) + kMagic;
    EXPECT_EQ(WriteToMemory(archive), expected);
    EXPECT_EQ(archive.GetTotalSize(), expected.size());
    EXPECT_EQ(kMagic, std::string("\x78\x56\x34\x12\xD6\xC7\xB8\xA9\x12\x03\xF4\xE5\x09\xBA\xDC\xFE", 16));
}

TEST(AppendedArchive, ReadsBackWhatItWrote)
{
    CScratchDir dir;
    std::string head = RandomBytes(3000, 1), big = RandomBytes(40000, 2);
    {
        CAppendedArchive archive(head.data(), static_cast<unsigned>(head.size()));
        archive.AddBuffer("name.txt", 9);
        CStreamMemory stream(true, big.data(), static_cast<unsigned>(big.size()), false);
        archive.AddStream(stream);
        CStreamFile out((dir / "a.exe").c_str(), kStreamWrite, kShareDenyNone);
        archive.Write(out);
        out.Close();
    }
    CAppendedArchive back((dir / "a.exe").c_str());
    ASSERT_EQ(back.GetEntryCount(), 2u);
    EXPECT_EQ(std::string(back.GetHead(), back.GetHeadLength()), head);
    EXPECT_STREQ(back.GetEntryName(0), "DATA0");
    EXPECT_STREQ(back.GetEntryName(1), "DATA1");
    EXPECT_EQ(EntryBytes(back, 0), std::string("name.txt", 9));
    EXPECT_EQ(EntryBytes(back, 1), big);
    std::string file = ReadFileBytes(dir.Path() / "a.exe");
    EXPECT_EQ(file.substr(file.size() - 20), U32(3000) + kMagic);

    CStreamMemory range;
    EXPECT_EQ(back.CopyEntryRange(range, 39990, 50000, 1), 10u);
    EXPECT_EQ(std::string(range.GetBuffer(), 10), big.substr(39990));
    EXPECT_EQ(back.CopyEntryRange(range, 5, 5, 1), 0u);
    EXPECT_EQ(back.CopyEntryRange(range, 40000, 40010, 1), 0u);
    EXPECT_EQ(back.CopyEntryRange(range, 0, 10, 2), 0u);
}

// Files that carry no sound archive: each gives its whole content as head,
// or nothing at all when only the entries are asked for.
TEST(AppendedArchive, DamagedFilesFallBackToTheWholeFile)
{
    std::string head = "PROGRAM-BYTES";
    std::string good = head + U32(1) + U32(5) + "DATA0" + U32(3) + "abc" + U32(13) + kMagic;
    std::string table = head + U32(1) + U32(5) + "DATA0" + U32(3) + "abc";
    struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"shorter than the trailer", "short file"},
        {"no trailer", std::string(100, 'p')},
        {"wrong magic", good.substr(0, good.size() - 1) + "\xFF"},
        {"offset beyond the file", table + U32(1000) + kMagic},
        {"offset inside the trailer", table + U32(static_cast<unsigned>(table.size()) + 2) + kMagic},
        {"more entries than stored", head + U32(2) + U32(5) + "DATA0" + U32(3) + "abc" + U32(13) + kMagic},
        {"huge entry count", head + U32(0xFFFFFFFF) + U32(5) + "DATA0" + U32(3) + "abc" + U32(13) + kMagic},
        {"name past the table", head + U32(1) + U32(500) + "DATA0" + U32(3) + "abc" + U32(13) + kMagic},
        {"data past the table", head + U32(1) + U32(5) + "DATA0" + U32(300) + "abc" + U32(13) + kMagic},
        {"data length wraps", head + U32(1) + U32(5) + "DATA0" + U32(0xFFFFFFF0) + "abc" + U32(13) + kMagic},
    };
    CScratchDir dir;
    for (const auto& c : cases) {
        WriteFileBytes(dir.Path() / "f.exe", c.bytes);
        CAppendedArchive archive((dir / "f.exe").c_str());
        EXPECT_EQ(archive.GetEntryCount(), 0u) << c.what;
        EXPECT_EQ(std::string(archive.GetHead(), archive.GetHeadLength()), c.bytes) << c.what;
        CAppendedArchive entries((dir / "f.exe").c_str(), kSkipHead);
        EXPECT_EQ(entries.GetEntryCount(), 0u) << c.what;
        EXPECT_FALSE(entries.HasHead()) << c.what;
    }
    WriteFileBytes(dir.Path() / "f.exe", good);
    CAppendedArchive sound((dir / "f.exe").c_str());
    ASSERT_EQ(sound.GetEntryCount(), 1u);
    EXPECT_EQ(EntryBytes(sound, 0), "abc");
    CAppendedArchive entries((dir / "f.exe").c_str(), kSkipHead);
    EXPECT_FALSE(entries.HasHead());
    ASSERT_EQ(entries.GetEntryCount(), 1u);
    EXPECT_STREQ(entries.GetEntryName(0), "DATA0");
    EXPECT_EQ(EntryBytes(entries, 0), "abc");
}

TEST(AppendedArchive, MissingFileHasNoHead)
{
    CScratchDir dir;
    CAppendedArchive archive((dir / "missing.exe").c_str());
    EXPECT_FALSE(archive.HasHead());
    EXPECT_EQ(archive.GetEntryCount(), 0u);
}

TEST(AppendedArchive, PlainProgramGetsAnArchiveAppended)
{
    CScratchDir dir;
    std::string program = RandomBytes(5000, 3);
    WriteFileBytes(dir.Path() / "plain.exe", program);
    CAppendedArchive archive((dir / "plain.exe").c_str());
    ASSERT_TRUE(archive.HasHead());
    EXPECT_EQ(archive.GetEntryCount(), 0u);
    archive.AddBuffer("12345678", 8);
    std::string written = WriteToMemory(archive);
    EXPECT_EQ(written.size(), program.size() + 4 + 13 + 8 + 20);
    EXPECT_EQ(written.substr(0, program.size()), program);
}

TEST(AppendedArchive, ProgramNamedWithoutExtension)
{
    CScratchDir dir;
    CAppendedArchive archive("H", 1);
    archive.AddBuffer("x", 1);
    CStreamFile out((dir / "prog.exe").c_str(), kStreamWrite, kShareDenyNone);
    archive.Write(out);
    out.Close();
    // Windows opens "prog" as "prog.exe"; POSIX programs carry no extension.
    CAppendedArchive back((dir / "prog").c_str());
    EXPECT_EQ(back.GetEntryCount(), PlatformAddsExeExtension() ? 1u : 0u);
}

TEST(AppendedArchive, EntryNamesAndIndexes)
{
    CAppendedArchive archive("", 0);
    EXPECT_FALSE(archive.HasHead());
    for (int i = 0; i < 5; ++i)
        archive.AddBuffer("abcd", 4);
    EXPECT_EQ(archive.FindEntry("data0"), 0u);
    EXPECT_EQ(archive.FindEntry("DaTa4"), 4u);
    EXPECT_EQ(archive.FindEntry("DATA5"), 5u);
    EXPECT_EQ(archive.GetEntrySize(0), 4u + 13u);
    EXPECT_EQ(archive.GetEntrySize(5), 0u);

    // Removing DATA3 and DATA4 frees their names for the next entries.
    archive.RemoveEntry(4);
    archive.RemoveEntry(3);
    archive.RemoveEntry(7);
    EXPECT_EQ(archive.GetEntryCount(), 3u);
    archive.AddBuffer("x", 1);
    archive.AddBuffer("y", 1);
    EXPECT_STREQ(archive.GetEntryName(3), "DATA3");
    EXPECT_STREQ(archive.GetEntryName(4), "DATA4");

    CStreamMemory stream(true, "s", 1, false);
    EXPECT_FALSE(archive.InsertEntryAt(6, "NEW", &stream));
    EXPECT_FALSE(archive.InsertEntryAt(0, "data2", &stream));
    EXPECT_EQ(archive.GetEntryCount(), 5u);
    EXPECT_TRUE(archive.InsertEntryAt(1, "New", &stream));
    EXPECT_STREQ(archive.GetEntryName(1), "New");
    EXPECT_STREQ(archive.GetEntryName(2), "DATA1");
    EXPECT_STREQ(archive.GetFreeEntryName(), "DATA5");
}

} // namespace
