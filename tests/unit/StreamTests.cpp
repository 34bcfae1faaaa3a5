// The foundation library: strings, exceptions, file and memory streams,
// block copy, file helpers and path rules.
#include "AbStream.h"
#include "ExceptionBase.h"
#include "PathName.h"
#include "StreamFile.h"
#include "StreamMemory.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

// The message of the stream exception `action` raises, or "" when none.
std::string StreamErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CStreamException& e) {
        std::string text = e.GetText();
        return text.substr(0, text.find('\n'));
    }
    return "";
}

TEST(Str, BuildsAssignsAndAppends)
{
    EXPECT_STREQ(CStr(-12).Get(), "-12");
    EXPECT_STREQ(CStr(nullptr).Get(), "");
    CStr s("abc");
    s += "";
    s += nullptr;
    EXPECT_STREQ(s, "abc");
    s += "de";
    EXPECT_STREQ(s, "abcde");
    s = s.Get(); // its own pointer changes nothing
    EXPECT_STREQ(s, "abcde");
    s = s;
    EXPECT_STREQ(s, "abcde");
    CStr copy(s);
    copy += "!";
    EXPECT_STREQ(s, "abcde");
    char* buffer = s.PrepareBuffer(3);
    EXPECT_EQ(buffer[0], '\0');
    std::memcpy(buffer, "xyz", 3);
    EXPECT_STREQ(s, "xyz");
}

TEST(Exception, TextCarriesTheThrowSite)
{
    EXPECT_STREQ(CStreamException("Only the message", "", 7).GetText(), "Only the message");
    EXPECT_STREQ(CStreamException("Only the message", nullptr, 7).GetText(), "Only the message");
    EXPECT_STREQ(CStreamException("Reading past end of file", "Lib/StreamFile.cpp", 42).GetText(),
                 "Reading past end of file\nLib/StreamFile.cpp (line 42)");
    try {
        DRAVIK_THROW(CStreamException, "Thrown here");
    } catch (const CExceptionBase& e) {
        std::string text = e.GetText();
        EXPECT_EQ(text.rfind("Thrown here\ntests/unit/StreamTests.cpp (line ", 0), 0u) << text;
        EXPECT_EQ(text.back(), ')');
    }
}

TEST(StreamFile, ReadWindowServesExactlyItsBytes)
{
    CScratchDir dir;
    WriteFileBytes(dir / "f", "0123456789abcdefghij");
    FILE* file = std::fopen((dir / "f").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 4, SEEK_SET);
    CStreamFile window(file, 12, kStreamRead, kFileOwned);
    char bytes[13] = {};
    window.Serialize(static_cast<void*>(bytes), 12);
    EXPECT_EQ(std::string(bytes, 12), "456789abcdef");
    EXPECT_EQ(StreamErrorOf([&] { window.Serialize(static_cast<void*>(bytes), 1); }),
              "Reading past end of file");
    EXPECT_EQ(window.GetPosition(), 12u);
    window.Seek(window.GetLength());
    EXPECT_EQ(StreamErrorOf([&] { window.Seek(window.GetLength() + 1); }), "Invalid seek position");
    window.Seek(2);
    window.Serialize(static_cast<void*>(bytes), 2);
    EXPECT_EQ(std::string(bytes, 2), "67");
    EXPECT_EQ(StreamErrorOf([&] { window.GetBuffer(); }), "Unsupported function");
}

// A file that ends before its window (it shrank since the window was
// made) sets no error number: the text still gives the reason.
TEST(StreamFile, ShortReadSaysTheFileEndedEarly)
{
    CScratchDir dir;
    WriteFileBytes(dir / "f", "0123456789");
    FILE* file = std::fopen((dir / "f").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    CStreamFile window(file, 20, kStreamRead, kFileOwned);
    char bytes[20];
    EXPECT_EQ(StreamErrorOf([&] { window.Serialize(static_cast<void*>(bytes), 20); }),
              "Error reading file: unexpected end of file");
    EXPECT_EQ(window.GetPosition(), 0u);
}

TEST(StreamFile, WriteLengthIsTheHighestPositionWritten)
{
    CScratchDir dir;
    CStreamFile out((dir / "w").c_str(), kStreamWrite, kShareDenyNone);
    out.Serialize(static_cast<const void*>("hello world"), 11);
    EXPECT_EQ(out.GetLength(), 11u);
    out.Seek(0);
    out.Serialize(static_cast<const void*>("J"), 1);
    EXPECT_EQ(out.GetLength(), 11u);
    out.Close();
    EXPECT_EQ(ReadFileBytes(dir.Path() / "w"), "Jello world");
}

TEST(StreamFile, OpenErrors)
{
    CScratchDir dir;
    EXPECT_EQ(StreamErrorOf([] { CStreamFile s(static_cast<FILE*>(nullptr), 0, kStreamRead, kFileBorrowed); }),
              "Invalid file for streaming");
    EXPECT_EQ(StreamErrorOf([&] { CStreamFile s((dir / "missing").c_str(), kStreamRead, kShareDenyNone); }),
              "Can't open file for streaming");
    EXPECT_EQ(StreamErrorOf([&] { CStreamFile s((dir / "no/such/dir").c_str(), kStreamWrite, kShareDenyNone); }),
              "Can't open file for streaming");
}

TEST(StreamFile, DuplicateSharesThePosition)
{
    CScratchDir dir;
    FILE* file = std::fopen((dir / "d").c_str(), "wb+");
    ASSERT_NE(file, nullptr);
    CStreamFile out(file, 0, kStreamWrite, kFileOwned);
    out.Serialize(static_cast<const void*>("abcdefgh"), 8);
    ASSERT_EQ(out.Flush(), 0);
    CStreamFile back(out, kStreamRead);
    EXPECT_EQ(back.GetLength(), 8u);
    back.Seek(5);
    char tail[3];
    back.Serialize(static_cast<void*>(tail), 3);
    EXPECT_EQ(std::string(tail, 3), "fgh");
    // Reading the duplicate to the end leaves the writer at the end too.
    EXPECT_EQ(out.GetPosition(), 8u);
    out.Serialize(static_cast<const void*>("ij"), 2);
    out.Close();
    EXPECT_EQ(ReadFileBytes(dir.Path() / "d"), "abcdefghij");
}

// The kernel's copy where the system offers one, CopyStream elsewhere: the
// same bytes either way, from a window whose file has read ahead into its
// buffer, after bytes the target still held in its own.
TEST(StreamFile, CopyFromCopiesWhatTheSourceStillHolds)
{
    CScratchDir dir;
    const std::string bytes = RandomBytes(300000, 3);
    WriteFileBytes(dir / "src", "head" + bytes);
    struct {
        unsigned start, count, copied;
    } cases[] = {{0, 300000, 300000}, {100, 0, 0}, {100, 1, 1}, {100, 400000, 299900},
                 {300000, 10, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        FILE* file = std::fopen((dir / "src").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        std::fseek(file, 4, SEEK_SET);
        CStreamFile source(file, 300000, kStreamRead, kFileOwned);
        char first[1];
        source.Serialize(static_cast<void*>(first), 1);
        source.Seek(c.start);
        CStreamFile target((dir / "dst").c_str(), kStreamWrite, kShareDenyNone);
        target.Serialize(static_cast<const void*>("xy"), 2);
        EXPECT_EQ(target.CopyFrom(source, c.count), c.copied);
        EXPECT_EQ(source.GetPosition(), c.start + c.copied);
        EXPECT_EQ(target.GetPosition(), 2 + c.copied);
        target.Serialize(static_cast<const void*>("z"), 1);
        target.Close();
        EXPECT_EQ(ReadFileBytes(dir.Path() / "dst"), "xy" + bytes.substr(c.start, c.copied) + "z");
    }
}

#ifndef _WIN32
// A source that shrank under its window, and a target whose disk fills.
TEST(StreamFile, CopyFromRaisesWhatWentWrong)
{
    CScratchDir dir;
    WriteFileBytes(dir / "src", RandomBytes(1000, 4));
    CStreamFile shrunk(std::fopen((dir / "src").c_str(), "rb"), 5000, kStreamRead, kFileOwned);
    CStreamFile target((dir / "dst").c_str(), kStreamWrite, kShareDenyNone);
    EXPECT_EQ(StreamErrorOf([&] { target.CopyFrom(shrunk, 5000); }),
              "Error reading file: unexpected end of file");

    CSmallDisk disk(256);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    WriteFileBytes(disk / "src", RandomBytes(200000, 5));
    CStreamFile source((disk / "src").c_str(), kStreamRead, kShareDenyNone);
    CStreamFile full((disk / "dst").c_str(), kStreamWrite, kShareDenyNone);
    std::string error = StreamErrorOf([&] { full.CopyFrom(source, 200000); });
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}

// A view shows the file's bytes from any offset, not only a page boundary.
TEST(PlatformFileView, ShowsTheBytesAtAnyOffset)
{
    CScratchDir dir;
    const std::string bytes = RandomBytes(20000, 6);
    WriteFileBytes(dir / "f", bytes);
    FILE* file = std::fopen((dir / "f").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    for (unsigned offset : {0u, 1u, 4095u, 4096u, 12345u}) {
        CPlatformFileView view(file, offset, 20000 - offset);
        ASSERT_NE(view.Data(), nullptr) << offset;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.Data()), 20000 - offset),
                  bytes.substr(offset)) << offset;
    }
    std::fclose(file);
}

TEST(StreamFile, WriteToAFullDeviceRaises)
{
    CStreamFile out("/dev/full", kStreamWrite, kShareDenyNone);
    std::string block(1 << 20, 'x');
    std::string error = StreamErrorOf([&] {
        out.Serialize(static_cast<const void*>(block.data()), static_cast<unsigned>(block.size()));
        out.Close();
    });
    EXPECT_EQ(error.rfind("Error writing file", 0), 0u) << error;
}

TEST(StreamFile, WriteOntoAFileSystemThatFillsUpRaises)
{
    CSmallDisk disk(256);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    CStreamFile out((disk / "big").c_str(), kStreamWrite, kShareDenyNone);
    std::string block(100000, 'x');
    std::string error = StreamErrorOf([&] {
        for (int i = 0; i < 10; ++i)
            out.Serialize(static_cast<const void*>(block.data()), static_cast<unsigned>(block.size()));
        out.Close();
    });
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}
#endif

TEST(StreamMemory, GrowsAdditivelyInWholeKiB)
{
    CStreamMemory one;
    one.Serialize(static_cast<const void*>("x"), 1);
    EXPECT_EQ(one.GetCapacity(), 2048u);

    std::string bytes = RandomBytes(7000, 1);
    CStreamMemory big;
    big.Serialize(static_cast<const void*>(bytes.data()), 5000);
    EXPECT_EQ(big.GetCapacity(), 6144u);
    big.Serialize(static_cast<const void*>(bytes.data() + 5000), 2000);
    EXPECT_EQ(big.GetCapacity(), 9216u);
    EXPECT_EQ(big.GetLength(), 7000u);
    EXPECT_EQ(std::string(big.GetBuffer(), 7000), bytes);
}

TEST(StreamMemory, ReadsWithinItsLength)
{
    const char text[] = "abcdef";
    CStreamMemory in(true, text, 6, false);
    char bytes[6];
    in.Serialize(static_cast<void*>(bytes), 4);
    EXPECT_EQ(StreamErrorOf([&] { in.Serialize(static_cast<void*>(bytes), 3); }), "Reading past buffer");
    EXPECT_EQ(in.GetPosition(), 4u);
    in.Seek(6);
    EXPECT_EQ(StreamErrorOf([&] { in.Seek(7); }), "Invalid seek position");
    CStreamMemory copy(true, text, 6, true);
    EXPECT_NE(copy.GetBuffer(), text);
    EXPECT_EQ(std::string(copy.GetBuffer(), 6), "abcdef");
}

TEST(CopyStream, CopiesWhatRemainsInBlocks)
{
    std::string bytes = RandomBytes(40000, 2);
    struct {
        unsigned start, count, copied;
    } cases[] = {{0, 0, 40000}, {100, 0, 39900}, {100, 50000, 39900}, {100, 20000, 20000},
                 {40000, 0, 0}, {40000, 10, 0}};
    for (const auto& c : cases) {
        CStreamMemory source(true, bytes.data(), 40000, false);
        source.Seek(c.start);
        CStreamMemory target;
        EXPECT_EQ(CopyStream(source, target, c.count), c.copied);
        EXPECT_EQ(std::string(target.GetBuffer() ? target.GetBuffer() : "", target.GetLength()),
                  bytes.substr(c.start, c.copied));
    }
}

TEST(FileHelpers, FileExistsAndHandle)
{
    CScratchDir dir;
    WriteFileBytes(dir.Path() / "file", "x");
    fs::create_directory(dir.Path() / "folder");
    EXPECT_TRUE(FileExists((dir / "file").c_str()));
    EXPECT_FALSE(FileExists((dir / "folder").c_str()));
    EXPECT_FALSE(FileExists((dir / "missing").c_str()));

    CFileHandle missing((dir / "missing").c_str(), "rb");
    EXPECT_EQ(missing.Get(), nullptr);
    EXPECT_EQ(missing.Close(), 0);
    CFileHandle present((dir / "file").c_str(), "rb");
    EXPECT_NE(present.Get(), nullptr);
    EXPECT_EQ(present.Close(), 0);
    EXPECT_EQ(present.Get(), nullptr);
}

TEST(PathName, SplitsAndJoinsByEachSystemsRules)
{
    struct {
        const char* path;
        bool windows;
        const char *drive, *dir, *name, *ext;
    } cases[] = {
        {"C:\\data\\big.zip", true, "C:", "\\data\\", "big", ".zip"},
        {"C:big.tar.gz", true, "C:", "", "big.tar", ".gz"},
        {"\\\\server\\share\\f", true, "", "\\\\server\\share\\", "f", ""},
        {"dir/sub\\name.", true, "", "dir/sub\\", "name", "."},
        {"/some/folder/BigFile.zip", false, "", "/some/folder/", "BigFile", ".zip"},
        {"C:\\data\\big.zip", false, "", "", "C:\\data\\big", ".zip"},
        // A leading dot belongs to the name on POSIX; Windows keeps its rule.
        {".bashrc", false, "", "", ".bashrc", ""},
        {"dir/.config.txt", false, "", "dir/", ".config", ".txt"},
        {"..a.b", false, "", "", "..a", ".b"},
        {".bashrc", true, "", "", "", ".bashrc"},
        {"a.dir/file", false, "", "a.dir/", "file", ""},
        {"", false, "", "", "", ""},
    };
    for (const auto& c : cases) {
        CPathParts parts = SplitPath(c.path, c.windows);
        EXPECT_STREQ(parts.drive, c.drive) << c.path;
        EXPECT_STREQ(parts.dir, c.dir) << c.path;
        EXPECT_STREQ(parts.name, c.name) << c.path;
        EXPECT_STREQ(parts.ext, c.ext) << c.path;
        EXPECT_STREQ(MakePath(parts, c.windows), c.path);
    }
    CPathParts bare;
    bare.drive = "D:";
    bare.dir = "in";
    bare.name = "movie";
    bare.ext = "avi";
    EXPECT_STREQ(MakePath(bare, true), "D:in\\movie.avi");
    EXPECT_STREQ(MakePath(bare, false), "D:in/movie.avi");
}

} // namespace
