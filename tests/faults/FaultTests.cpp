// Faults under the split engine and the joiner: a disk that fills up at
// every page of a chunk set or of a rebuilt file, chunk files cut short or
// removed while the joiner reads them, an input that shrinks or changes
// while it is split. The promise is the same everywhere: a damaged set or
// file is never reported as good.
#include "Crc32.h"
#include "Joiner.h"
#include "LittleEndian.h"
#include "Platform.h"
#include "Splitter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr unsigned kPage = 4096;
const char kNotComplete[] = "The file is not complete.";

// Answers every question with "go on", as a user who presses a key at
// each prompt: only the write itself can then stop the split. A chunk
// file that cannot be created is retried a few times, then given up.
class CGoOnListener : public ISplitterListener {
public:
    std::function<void(unsigned)> onChunkStart, onChunkDone;
    std::function<void(unsigned done)> onProgress;
    unsigned createRetries = 0;

    void OnChunkStart(unsigned index) override
    {
        if (onChunkStart)
            onChunkStart(index);
    }
    void OnChunkDone(unsigned index, unsigned) override
    {
        if (onChunkDone)
            onChunkDone(index);
    }
    bool OnProblem(int kind) override
    {
        return kind == problemNoSpace || ++createRetries < 3;
    }
    bool OnFileExists(const char*) override { return true; }
    void OnProgress(unsigned done, unsigned, unsigned) override
    {
        if (onProgress)
            onProgress(done);
    }
};

class CRecordingDisplay : public IJoinerDisplay {
public:
    std::vector<std::string> errors, infos;
    unsigned chunk = 0;
    void SetStatus(const char*, unsigned index) override { chunk = index; }
    void UpdateProgress(unsigned, unsigned) override {}
    void ShowError(const char* text) override { errors.push_back(text); }
    void ShowInfo(const char* text) override { infos.push_back(text); }
    bool MayReplace(const char*) override { return true; }
    bool Said(const std::string& text) const
    {
        for (const std::string& error : errors)
            if (error.find(text) != std::string::npos)
                return true;
        return false;
    }
};

// The current folder for the joiner's output, restored on the way out.
class CInFolder {
public:
    explicit CInFolder(const fs::path& folder) : m_saved(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~CInFolder() { fs::current_path(m_saved); }

private:
    fs::path m_saved;
};

struct CJoinResult {
    bool done = false;
    CRecordingDisplay display;
};

// Runs the joiner on `firstChunk` in `folder`; `between` acts after every
// step with the number of steps run.
CJoinResult Join(const std::string& firstChunk, const fs::path& folder,
                 const std::function<void(unsigned, const CRecordingDisplay&)>& between = {})
{
    CInFolder in(folder);
    CJoinResult result;
    CJoiner joiner(result.display, firstChunk.c_str());
    for (unsigned step = 1; !joiner.IsDone(); ++step) {
        if (!joiner.RunStep())
            break;
        if (between)
            between(step, result.display);
    }
    result.done = joiner.IsDone();
    return result;
}

// Leaves exactly `pages` free pages on the tmpfs by a filler file.
void LeaveFree(CSmallDisk& disk, uint64_t pages)
{
    fs::remove_all(disk.Path() / "out");
    fs::remove(disk.Path() / "filler");
    uint64_t free = PlatformFreeSpace(disk.Path().c_str());
    ASSERT_GE(free, pages * kPage);
    std::string filler(static_cast<size_t>(free - pages * kPage), 'f');
    WriteFileBytes(disk.Path() / "filler", filler);
    fs::create_directories(disk.Path() / "out");
    ASSERT_EQ(PlatformFreeSpace(disk.Path().c_str()), pages * kPage);
}

uint64_t PagesOf(const fs::path& folder)
{
    uint64_t pages = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        pages += (fs::file_size(entry.path()) + kPage - 1) / kPage;
    return pages;
}

// Splits `input` into `folder`/set; true when Split returned normally.
// With `keptChecksums` the first pass keeps only that many chunk checksums.
bool SplitInto(const std::string& input, unsigned chunkSize, const fs::path& folder,
               CGoOnListener& listener, std::string* error = nullptr,
               std::optional<size_t> keptChecksums = std::nullopt)
{
    CSplitter splitter(chunkSize, input.c_str(), (folder / "set").c_str());
    if (keptChecksums)
        splitter.SetKeptChecksums(*keptChecksums);
    try {
        splitter.Split(listener);
        return true;
    } catch (const CExceptionBase& e) {
        if (error)
            *error = e.GetText();
        return false;
    }
}

struct CSplitCase {
    unsigned inputSize;
    unsigned chunkSize;
};

// Chunk 0 alone in one page (the disk fills in the stub or the archive
// fields); several small chunks (it fills in a later chunk); chunks larger
// than the 128 KiB file buffer (it fills in the middle of the data blocks,
// not only when the file is closed).
const CSplitCase kSplitCases[] = {
    {3000, 8000},
    {30000, 6000},
    {700000, 300000},
};

TEST(DiskFull, EverySplitThatFillsTheDiskFails)
{
    CSmallDisk disk(2048);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    CScratchDir dir;
    unsigned tried = 0;
    for (const CSplitCase& c : kSplitCases) {
        WriteFileBytes(dir.Path() / "input.bin", RandomBytes(c.inputSize, c.inputSize));
        LeaveFree(disk, 400);
        CGoOnListener fits;
        ASSERT_TRUE(SplitInto(dir / "input.bin", c.chunkSize, disk.Path() / "out", fits));
        const uint64_t needed = PagesOf(disk.Path() / "out");
        for (uint64_t pages = 0; pages < needed; ++pages, ++tried) {
            LeaveFree(disk, pages);
            CGoOnListener goOn;
            std::string error;
            EXPECT_FALSE(SplitInto(dir / "input.bin", c.chunkSize, disk.Path() / "out", goOn, &error))
                << c.inputSize << " bytes in chunks of " << c.chunkSize << " with " << pages
                << " free pages";
            EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        }
    }
    std::printf("disk-full points of the engine: %u\n", tried);
}

TEST(DiskFull, EveryJoinThatFillsTheDiskSaysTheFileIsNotComplete)
{
    CSmallDisk disk(2048);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    CScratchDir dir;
    const std::string original = RandomBytes(500000, 7);
    WriteFileBytes(dir.Path() / "file.bin", original);
    CGoOnListener listener;
    ASSERT_TRUE(SplitInto(dir / "file.bin", 200000, dir.Path(), listener));
    const std::string firstChunk = dir / "set.exe";
    const uint64_t needed = (original.size() + kPage - 1) / kPage;

    LeaveFree(disk, needed);
    CJoinResult fits = Join(firstChunk, disk.Path() / "out");
    ASSERT_TRUE(fits.done);
    EXPECT_EQ(ReadFileBytes(disk.Path() / "out" / "file.bin"), original);
    for (uint64_t pages = 0; pages < needed; ++pages) {
        LeaveFree(disk, pages);
        CJoinResult full = Join(firstChunk, disk.Path() / "out");
        EXPECT_FALSE(full.done) << pages << " free pages";
        EXPECT_TRUE(full.display.infos.empty());
        EXPECT_TRUE(full.display.Said("Error writing file: No space left on device")) << pages << " free pages";
        EXPECT_TRUE(full.display.Said(kNotComplete)) << pages << " free pages";
    }
    std::printf("disk-full points of the joiner: %u\n", static_cast<unsigned>(needed));
}

// What a fault does to a chunk set while the joiner reads it: the chunk
// being copied (or one still to come) is cut short, removed or rewritten.
struct CChunkFault {
    const char* what;
    unsigned chunk;       // act as soon as the joiner has opened this chunk
    const char* file;     // the file acted on
    std::function<void(const fs::path&)> act;
    bool mayStillSucceed; // the bytes the joiner needs are still there
    const char* says;     // part of an error text the joiner must show
};

void Truncate(const fs::path& path, uintmax_t size)
{
    fs::resize_file(path, size);
}

void Overwrite(const fs::path& path, uintmax_t at, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, static_cast<long>(at), SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

TEST(ChunkFaults, AChunkThatChangesWhileItIsReadIsNeverAccepted)
{
    // 200000-byte chunks: each carries over 64 KiB of data, so the joiner
    // copies it in several steps and the fault comes between two of them.
    const std::vector<CChunkFault> faults = {
        {"first chunk cut short", 0, "set.exe", [](const fs::path& p) { Truncate(p, 100000); },
         false, kNotComplete},
        {"chunk cut short", 1, "set.000", [](const fs::path& p) { Truncate(p, 90000); }, false,
         kNotComplete},
        {"chunk emptied", 1, "set.000", [](const fs::path& p) { Truncate(p, 0); }, false,
         kNotComplete},
        {"chunk data rewritten", 1, "set.000",
         [](const fs::path& p) { Overwrite(p, 150000, std::string(100, 'x')); }, false,
         "Invalid chunk checksum (1)."},
        {"next chunk cut inside its header", 1, "set.001",
         [](const fs::path& p) { Truncate(p, 12); }, false, "Invalid chunk."},
        {"next chunk removed", 1, "set.001", [](const fs::path& p) { fs::remove(p); }, false,
         "Missing one or more file chunks. The file is not complete."},
        // An open file stays readable after its name is removed: the join may
        // still succeed, with every byte checked.
        {"chunk removed while open", 1, "set.000", [](const fs::path& p) { fs::remove(p); }, true,
         ""},
    };
    CScratchDir dir;
    const std::string original = RandomBytes(600000, 11);
    WriteFileBytes(dir.Path() / "file.bin", original);
    for (const CChunkFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fs::remove_all(dir.Path() / "set");
        fs::create_directories(dir.Path() / "set");
        CGoOnListener listener;
        ASSERT_TRUE(SplitInto(dir / "file.bin", 200000, dir.Path() / "set", listener));
        fs::create_directories(dir.Path() / "set" / "out");
        bool acted = false;
        CJoinResult result = Join(dir / "set/set.exe", dir.Path() / "set" / "out",
                                  [&](unsigned, const CRecordingDisplay& display) {
                                      if (!acted && display.chunk == fault.chunk) {
                                          fault.act(dir.Path() / "set" / fault.file);
                                          acted = true;
                                      }
                                  });
        ASSERT_TRUE(acted);
        if (result.done) {
            EXPECT_TRUE(fault.mayStillSucceed);
            EXPECT_EQ(ReadFileBytes(dir.Path() / "set" / "out" / "file.bin"), original);
        } else {
            ASSERT_FALSE(result.display.errors.empty());
            EXPECT_TRUE(result.display.Said(fault.says)) << result.display.errors.front();
            EXPECT_TRUE(result.display.infos.empty());
        }
    }
}

// A later chunk may declare far more data than its file holds (here 3.75
// GiB behind a few bytes, in a set whose record promises that much): the
// joiner stops at the chunk's last byte instead of walking the missing
// gigabytes in empty steps.
TEST(ChunkFaults, AChunkShorterThanItsHeaderEndsAtItsLastByte)
{
    CScratchDir dir;
    const std::string original = RandomBytes(300000, 12);
    WriteFileBytes(dir.Path() / "file.bin", original);
    CGoOnListener listener;
    ASSERT_TRUE(SplitInto(dir / "file.bin", 200000, dir.Path(), listener));

    auto patch = [](std::string& bytes, size_t at, unsigned value) {
        unsigned char field[4];
        PutU32(field, value);
        bytes.replace(at, 4, reinterpret_cast<const char*>(field), 4);
    };
    // The whole-file record (checksum, size) of the first chunk.
    std::string first = ReadFileBytes(dir.Path() / "set.exe");
    unsigned char record[8];
    PutU32(record, UpdateCrc32(original.data(), static_cast<unsigned>(original.size()), 0));
    PutU32(record + 4, static_cast<unsigned>(original.size()));
    size_t at = first.find(std::string(reinterpret_cast<const char*>(record), 8));
    ASSERT_NE(at, std::string::npos);
    patch(first, at + 4, 0xFFFFFF00u);
    WriteFileBytes(dir.Path() / "set.exe", first);
    // The data length in chunk 1's header, after its next-chunk name.
    std::string chunk = ReadFileBytes(dir.Path() / "set.000");
    patch(chunk, std::string("set.001").size() + 1 + 4, 0xF0000000u);
    WriteFileBytes(dir.Path() / "set.000", chunk);

    fs::create_directories(dir.Path() / "out");
    unsigned steps = 0;
    CJoinResult result = Join(dir / "set.exe", dir.Path() / "out",
                              [&](unsigned step, const CRecordingDisplay&) { steps = step; });
    EXPECT_FALSE(result.done);
    EXPECT_TRUE(result.display.Said("Invalid chunk checksum (1).")) << result.display.errors.size();
    EXPECT_LT(steps, 20u);
}

// What a process beside the split does to its input, and when.
struct CInputFault {
    const char* what;
    std::function<void(CGoOnListener&, const fs::path&)> arm;
};

void OnceAt(std::function<void(unsigned)>& hook, unsigned index, std::function<void()> act)
{
    hook = [index, act, done = false](unsigned at) mutable {
        if (!done && at == index) {
            done = true;
            act();
        }
    };
}

TEST(InputFaults, AnInputThatShrinksOrChangesDuringTheSplitEndsIt)
{
    const unsigned size = 700000, chunk = 200000;
    const std::vector<CInputFault> faults = {
        {"emptied between the two passes",
         [](CGoOnListener& l, const fs::path& p) { OnceAt(l.onChunkStart, 0, [p] { Truncate(p, 0); }); }},
        {"halved between the two passes",
         [=](CGoOnListener& l, const fs::path& p) { OnceAt(l.onChunkStart, 0, [=] { Truncate(p, size / 2); }); }},
        {"last byte gone after the first chunk",
         [=](CGoOnListener& l, const fs::path& p) { OnceAt(l.onChunkDone, 0, [=] { Truncate(p, size - 1); }); }},
        {"cut inside the chunk being written",
         [=](CGoOnListener& l, const fs::path& p) {
             l.onProgress = [=, done = false](unsigned at) mutable {
                 if (!done && at > chunk) {
                     done = true;
                     Truncate(p, chunk + 50000);
                 }
             };
         }},
        {"first byte changed between the two passes",
         [](CGoOnListener& l, const fs::path& p) { OnceAt(l.onChunkStart, 0, [p] { Overwrite(p, 0, "\x01\x02"); }); }},
        {"a byte of a later chunk changed between the two passes",
         [=](CGoOnListener& l, const fs::path& p) { OnceAt(l.onChunkStart, 0, [=] { Overwrite(p, 2 * chunk + 7, "zz"); }); }},
        {"last byte changed after the first chunk",
         [=](CGoOnListener& l, const fs::path& p) { OnceAt(l.onChunkDone, 0, [=] { Overwrite(p, size - 1, "!"); }); }},
    };
    CScratchDir dir;
    const std::string original = RandomBytes(size, 3);
    // Sets of more chunks than the first pass keeps checksums of take the
    // other path: each chunk is checksummed just before it is written.
    for (std::optional<size_t> kept : {std::optional<size_t>(), std::optional<size_t>(0)}) {
        for (const CInputFault& fault : faults) {
            SCOPED_TRACE(std::string(fault.what) + (kept ? " (no kept checksums)" : ""));
            WriteFileBytes(dir.Path() / "input.bin", original);
            fs::remove_all(dir.Path() / "set");
            fs::create_directories(dir.Path() / "set");
            CGoOnListener listener;
            fault.arm(listener, dir.Path() / "input.bin");
            std::string error;
            EXPECT_FALSE(SplitInto(dir / "input.bin", chunk, dir.Path() / "set", listener, &error,
                                   kept));
            EXPECT_FALSE(error.empty());
            // An input that shrank ends a read early: the text says so.
            const std::string what = fault.what;
            if (what.find("changed") == std::string::npos) {
                EXPECT_EQ(error.rfind("Error reading file: unexpected end of file\n", 0), 0u)
                    << error;
            }
        }
    }
}

} // namespace
