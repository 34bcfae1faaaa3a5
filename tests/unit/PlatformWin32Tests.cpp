// Where Windows' rules differ from POSIX: drive letters in chunk names and
// free-space roots, shared opens whose deny flags other opens obey, and the
// console that may not be there.
#include "Platform.h"
#include "Splitter.h"
#include "StreamFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <io.h>
#include <windows.h>
// A Win16 leftover in winbase.h that would hide the engine's function.
#undef GetFreeSpace

#include <cctype>
#include <cstdio>
#include <string>

namespace {

TEST(WindowsPaths, ChunkNamesKeepDriveAndFolder)
{
    struct {
        const char* base;
        unsigned index;
        const char* name;
    } cases[] = {
        {"C:\\data\\big.zip", 0, "C:\\data\\big.exe"},
        {"C:\\data\\big.zip", 1, "C:\\data\\big.000"},
        {"C:\\data\\big.zip", 11, "C:\\data\\big.00A"},
        {"C:/data/big.zip", 2, "C:/data/big.001"},
        {"D:big.zip", 0, "D:big.exe"},
        {"\\\\server\\share\\big.zip", 1, "\\\\server\\share\\big.000"},
        {"C:\\dir.v2\\big", 0, "C:\\dir.v2\\big.exe"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetChunkName(c.base, c.index), c.name) << c.base << " " << c.index;
    EXPECT_STREQ(GetFileName("C:\\data\\BigFile.zip"), "BigFile.zip");
    EXPECT_STREQ(GetFileName("D:BigFile.zip"), "BigFile.zip");
    EXPECT_STREQ(GetFileName("C:/data\\mixed/BigFile.zip"), "BigFile.zip");
}

TEST(WindowsPaths, DriveRootOnlyForDriveLetters)
{
    struct {
        const char* path;
        const char* root;
    } cases[] = {
        {"C:\\data\\big.zip", "C:\\"},
        {"d:/data/big.zip", "d:\\"},
        {"E:big.zip", "E:\\"},
        {"data\\big.zip", ""},
        {"big.zip", ""},
        {"\\data\\big.zip", ""},
        {"/data/big.zip", ""},
        {"\\\\server\\share\\big.zip", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetDriveRoot(c.path), c.root) << c.path;
}

// While one stream holds the file open with a share code, a second open of
// the same file for reading or writing succeeds only where the code allows.
TEST(SharedOpen, DenyFlagsRefuseTheOtherOpens)
{
    struct {
        ShareMode share;
        bool readerAllowed;
        bool writerAllowed;
    } cases[] = {
        {kShareDenyNone, true, true},
        {kShareDenyRead, false, true},
        {kShareDenyWrite, true, false},
        {kShareDenyReadWrite, false, false},
        {static_cast<ShareMode>(7), true, true}, // any other value denies nothing
    };
    CScratchDir dir;
    std::string path = dir / "shared.bin";
    for (const auto& c : cases) {
        WriteFileBytes(path, "contents");
        FILE* first = PlatformOpenShared(path.c_str(), "r+b", c.share);
        ASSERT_NE(first, nullptr) << "share " << c.share;
        FILE* reader = PlatformOpenShared(path.c_str(), "rb", kShareDenyNone);
        FILE* writer = PlatformOpenShared(path.c_str(), "ab", kShareDenyNone);
        EXPECT_EQ(reader != nullptr, c.readerAllowed) << "share " << c.share;
        EXPECT_EQ(writer != nullptr, c.writerAllowed) << "share " << c.share;
        for (FILE* f : {first, reader, writer})
            if (f)
                std::fclose(f);
    }
}

// The road the programs take: a chunk being written with "deny writing"
// cannot be opened for writing a second time, and stays intact.
TEST(SharedOpen, SecondWriterOfAStreamFileIsRefused)
{
    CScratchDir dir;
    std::string path = dir / "chunk.000";
    CStreamFile first(path.c_str(), kStreamWrite, kShareDenyWrite);
    first.Serialize("first", 5);
    first.Flush();
    EXPECT_THROW(CStreamFile(path.c_str(), kStreamWrite, kShareDenyWrite), CStreamException);
    EXPECT_THROW(CStreamFile(path.c_str(), kStreamWrite, kShareDenyNone), CStreamException);
    CStreamFile reader(path.c_str(), kStreamRead, kShareDenyNone);
    EXPECT_EQ(reader.GetLength(), 5u);
}

TEST(Platform, FreeSpaceOfDriveRoots)
{
    EXPECT_GT(PlatformFreeSpace(nullptr), 0u);
    EXPECT_GT(PlatformFreeSpace(""), 0u);
    EXPECT_GT(PlatformFreeSpace("C:\\"), 0u);
    EXPECT_GT(GetFreeSpace(""), 0u);
    // No such drive: the query fails and the free space is unknown, not 0
    // (a full disk would make the engine ask before every chunk).
    EXPECT_EQ(PlatformFreeSpace("1:\\"), kFreeSpaceUnknown);
    EXPECT_EQ(GetFreeSpace("1:\\"), kFreeSpaceUnknown);
}

TEST(Platform, ModulePathNamesThisProgram)
{
    char path[260];
    ASSERT_TRUE(PlatformModulePath(path, sizeof path));
    std::string lower(path);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("platformwin32tests.exe"), std::string::npos) << path;
    EXPECT_TRUE(PlatformIsFile(path));
    EXPECT_FALSE(PlatformIsFile(std::string(path, std::string(path).rfind('\\')).c_str()));
    char tiny[4] = "xyz";
    EXPECT_FALSE(PlatformModulePath(tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "");
}

// Started from a script or a GUI parent with its input from a file or a
// pipe, a program has no console to read keys from: the key read fails at
// once instead of waiting for a key that never comes.
TEST(Platform, NoConsoleMeansNoKey)
{
    CScratchDir dir;
    WriteFileBytes(dir / "keys.txt", "yyy");
    ASSERT_NE(std::freopen((dir / "keys.txt").c_str(), "rb", stdin), nullptr);
    EXPECT_EQ(PlatformReadKey(), -1);
    EXPECT_FALSE(PlatformHasTerminal());
    EXPECT_FALSE(PlatformIsTerminal(stdin));
    std::fclose(stdin);
}

// "dravik.exe a.bin 1.44M < answers.txt" in a console window: standard
// input is a file, but the console is there and its keyboard answers.
TEST(Platform, ConsoleKeyIsReadWhateverStandardInputIs)
{
    // A console of our own (Wine attaches one that has no input).
    FreeConsole();
    if (!AllocConsole())
        GTEST_SKIP() << "no console can be made here";
    // AllocConsole made the console standard input: redirect it to a file.
    CScratchDir dir;
    WriteFileBytes(dir / "keys.txt", "nnn");
    ASSERT_NE(std::freopen((dir / "keys.txt").c_str(), "rb", stdin), nullptr);
    SetStdHandle(STD_INPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdin))));
    EXPECT_FALSE(PlatformIsTerminal(stdin));
    HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    ASSERT_NE(input, INVALID_HANDLE_VALUE);
    INPUT_RECORD key = {};
    key.EventType = KEY_EVENT;
    key.Event.KeyEvent.bKeyDown = TRUE;
    key.Event.KeyEvent.wRepeatCount = 1;
    key.Event.KeyEvent.wVirtualKeyCode = 'Y';
    key.Event.KeyEvent.uChar.AsciiChar = 'y';
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(input, &key, 1, &written));
    EXPECT_TRUE(PlatformHasTerminal());
    EXPECT_EQ(PlatformReadKey(), 'y');
    CloseHandle(input);
    FreeConsole();
    std::fclose(stdin);
}

TEST(Platform, PositionsBeyond4GiB)
{
    const int64_t kFar = 5LL << 30;
    CScratchDir dir;
    FILE* file = PlatformOpenShared((dir / "sparse.bin").c_str(), "w+b", kShareDenyNone);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(PlatformSeek(file, kFar, SEEK_SET), 0);
    if (std::fputc('x', file) == EOF || std::fflush(file) != 0) {
        std::fclose(file);
        GTEST_SKIP() << "cannot write 5 GiB into a file here";
    }
    EXPECT_EQ(PlatformTell(file), kFar + 1);
    ASSERT_EQ(PlatformSeek(file, 0, SEEK_SET), 0);
    ASSERT_EQ(PlatformSeek(file, 0, SEEK_END), 0);
    EXPECT_EQ(PlatformTell(file), kFar + 1);
    ASSERT_EQ(PlatformSeek(file, -1, SEEK_CUR), 0);
    EXPECT_EQ(std::fgetc(file), 'x');
    std::fclose(file);
}

} // namespace
