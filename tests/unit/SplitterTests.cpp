// The split engine, run inside this test program, which carries a small stub
// packed in by dravik-pack at build time.
#include "AppendedArchive.h"
#include "ChunkFormat.h"
#include "Crc32.h"
#include "LittleEndian.h"
#include "Platform.h"
#include "Splitter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace {

std::string Stub()
{
    CAppendedArchive self(GetModulePath());
    std::string stub(self.GetEntryLength(0), '\0');
    self.ReadEntry(&stub[0], 0);
    return stub;
}

unsigned Crc(const std::string& bytes)
{
    return UpdateCrc32Bytewise(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
}

// Writes every call down as a line and answers the questions from queues
// (true when a queue runs empty).
class CRecorder : public ISplitterListener {
public:
    std::vector<std::string> calls;
    std::deque<bool> existsAnswers, problemAnswers;

    void OnChunkStart(unsigned index) override { Log("start " + std::to_string(index)); }
    void OnChunkDone(unsigned index, unsigned length) override
    {
        Log("done " + std::to_string(index) + " " + std::to_string(length));
    }
    bool OnProblem(int kind) override
    {
        Log("problem " + std::to_string(kind));
        return Answer(problemAnswers);
    }
    bool OnFileExists(const char* path) override
    {
        Log(std::string("exists ") + path);
        return Answer(existsAnswers);
    }
    void OnProgress(unsigned done, unsigned position, unsigned total) override
    {
        Log("progress " + std::to_string(done) + " " + std::to_string(position) + " " +
            std::to_string(total));
    }

private:
    void Log(const std::string& line) { calls.push_back(line); }
    static bool Answer(std::deque<bool>& answers)
    {
        if (answers.empty())
            return true;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The listener calls the documented sequence predicts: one progress report per
// write through the wrapper, with the count before the write, the chunk
// file's size after it and the total.
class CExpected {
public:
    explicit CExpected(unsigned total) : m_total(total) {}
    std::vector<std::string> calls;

    void Start(unsigned index, unsigned position)
    {
        calls.push_back("start " + std::to_string(index));
        m_position = position;
    }
    void Write(unsigned length)
    {
        m_position += length;
        calls.push_back("progress " + std::to_string(m_done) + " " + std::to_string(m_position) +
                        " " + std::to_string(m_total));
        m_done = std::min(m_done + length, m_total);
    }
    void Data(unsigned length)
    {
        for (unsigned at = 0; at < length; at += 16384)
            Write(std::min(16384u, length - at));
    }
    void Done(unsigned index, unsigned length, unsigned doneAfter)
    {
        calls.push_back("done " + std::to_string(index) + " " + std::to_string(length));
        m_done = doneAfter;
    }

private:
    unsigned m_total, m_done = 0, m_position = 0;
};

struct CChunk {
    std::string nextName;
    unsigned crc, length, index;
    std::string data;
};

// Reads a chunk set back by the format alone, independently of the engine.
struct CParsedSet {
    std::string stub, fileName, data;
    unsigned fileCrc = 0, fileSize = 0;
    std::vector<CChunk> chunks;
    std::vector<size_t> fileSizes;
};

unsigned U32At(const std::string& bytes, size_t at)
{
    return GetU32(reinterpret_cast<const unsigned char*>(bytes.data() + at));
}

CParsedSet ParseSet(const fs::path& first)
{
    CParsedSet set;
    CAppendedArchive archive(first.string().c_str());
    EXPECT_EQ(archive.GetEntryCount(), 5u);
    std::vector<std::string> entries;
    for (unsigned i = 0; i < archive.GetEntryCount(); ++i) {
        EXPECT_EQ(archive.GetEntryName(i), "DATA" + std::to_string(i));
        std::string bytes(archive.GetEntryLength(i), '\0');
        archive.ReadEntry(&bytes[0], i);
        entries.push_back(bytes);
    }
    if (entries.size() != 5)
        return set;
    set.stub.assign(archive.GetHead(), archive.GetHeadLength());
    set.fileName = entries[0].substr(0, entries[0].size() - 1);
    EXPECT_EQ(entries[0].back(), '\0');
    set.fileCrc = U32At(entries[1], 0);
    set.fileSize = U32At(entries[1], 4);
    set.chunks.push_back({entries[2].substr(0, entries[2].size() - 1), U32At(entries[3], 0),
                          U32At(entries[3], 4), U32At(entries[3], 8), entries[4]});
    set.fileSizes.push_back(fs::file_size(first));
    set.data = entries[4];
    while (set.data.size() < set.fileSize) {
        fs::path path = first.parent_path() / set.chunks.back().nextName;
        std::string bytes = ReadFileBytes(path);
        size_t nul = bytes.find('\0');
        if (nul == std::string::npos || nul + 13 > bytes.size()) {
            ADD_FAILURE() << "bad chunk " << path;
            break;
        }
        set.chunks.push_back({bytes.substr(0, nul), U32At(bytes, nul + 1), U32At(bytes, nul + 5),
                              U32At(bytes, nul + 9), bytes.substr(nul + 13)});
        set.fileSizes.push_back(bytes.size());
        set.data += set.chunks.back().data;
    }
    return set;
}

class SplitterTest : public ::testing::Test {
protected:
    CScratchDir dir;
    std::string stub = Stub();

    std::string Input(size_t size, const std::string& name = "input.bin")
    {
        std::string bytes = RandomBytes(size, static_cast<uint32_t>(size));
        WriteFileBytes(dir.Path() / name, bytes);
        return bytes;
    }
    std::string Path(const std::string& name) const { return dir / name; }
    // Bytes of chunk 0 that are not data, for input "input.bin", base "out".
    unsigned FirstOverhead() const { return static_cast<unsigned>(stub.size()) + 111 + 9 + 7; }
};

// The engine's error code, or -1 when Split returned normally.
int SplitCode(CSplitter& splitter, ISplitterListener& listener)
{
    try {
        splitter.Split(listener);
    } catch (const CSplitterException& e) {
        return static_cast<int>(e.GetCode());
    }
    return -1;
}

TEST(ChunkNames, FollowTheNamingRule)
{
    struct {
        const char* base;
        unsigned index;
        const char* name;
    } cases[] = {
        {"/data/big.zip", 0, "/data/big.exe"},  {"/data/big.zip", 1, "/data/big.000"},
        {"/data/big.zip", 10, "/data/big.009"}, {"/data/big.zip", 11, "/data/big.00A"},
        {"/data/big.zip", 4096, "/data/big.FFF"}, {"/data/big.zip", 4097, "/data/big.1000"},
        {"big.zip", 0, "big.exe"},              {"big", 2, "big.001"},
        {"dir.v2/file", 1, "dir.v2/file.000"},  {"a.b.c", 0, "a.b.exe"},
#ifndef _WIN32
        // A leading dot is part of the name: a dot file's set is its own.
        {".config", 0, ".config.exe"},          {".config", 1, ".config.000"},
        {"dir/.config.txt", 0, "dir/.config.exe"},
#endif
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetChunkName(c.base, c.index), c.name) << c.base << " " << c.index;
    EXPECT_STREQ(GetFileName("/some/folder/BigFile.zip"), "BigFile.zip");
    EXPECT_STREQ(GetFileName("BigFile"), "BigFile");
}

// The file record's two forms: 8 bytes below 4 GiB, as every set before;
// 16 from 4 GiB on (crc, u64 size, four zero bytes).
TEST(FileRecord, BothFormsAndTheBoundary)
{
    struct {
        uint64_t size;
        const char* stored; // in hex, after the crc 0x11223344 (44332211)
    } cases[] = {
        {0, "00000000"},
        {5000, "88130000"},
        {0xFFFFFFFFull, "FFFFFFFF"},
        {0x100000000ull, "00000000" "01000000" "00000000"},
        {0x100000003ull, "03000000" "01000000" "00000000"},
        {0x123456789ABCDEF0ull, "F0DEBC9A" "78563412" "00000000"},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> expected;
        for (std::string hex = std::string("44332211") + c.stored; !hex.empty(); hex.erase(0, 2))
            expected.push_back(static_cast<unsigned char>(std::stoul(hex.substr(0, 2), nullptr, 16)));
        const CFileRecord record = {0x11223344, c.size};
        ASSERT_EQ(record.GetStoredSize(), expected.size()) << c.size;
        std::vector<unsigned char> bytes(kLargeFileRecordSize, 0xEE);
        record.Encode(bytes.data());
        bytes.resize(record.GetStoredSize());
        EXPECT_EQ(bytes, expected) << c.size;
        CFileRecord back = {};
        EXPECT_TRUE(back.Decode(bytes.data(), record.GetStoredSize())) << c.size;
        EXPECT_EQ(back.crc, 0x11223344u);
        EXPECT_EQ(back.size, c.size);
    }
    EXPECT_EQ(kLargeFileSize, 1ull << 32);

    // A joiner takes the large form whatever size it holds, and refuses
    // every other length and a reserved byte that is not 0.
    unsigned char large[kLargeFileRecordSize] = {1, 2, 3, 4, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    CFileRecord small = {};
    EXPECT_TRUE(small.Decode(large, kLargeFileRecordSize));
    EXPECT_EQ(small.size, 9u);
    for (unsigned length : {0u, 4u, 9u, 12u, 17u})
        EXPECT_FALSE(small.Decode(large, length)) << length;
    large[15] = 1;
    EXPECT_FALSE(small.Decode(large, kLargeFileRecordSize));
}

TEST(SplitterErrors, CodesAndTexts)
{
    const char* texts[] = {"File output size is too small.", "Can't read input file.",
                           "Operation aborted.", "Could not get self-extractor.",
                           "Input file is too large.",
                           "A chunk file would overwrite the input file.",
                           "Invalid character in the file name.",
                           "File name too long for the chunk files."};
    const unsigned last = CSplitterException::errNameTooLong;
    for (unsigned code = 0; code <= last; ++code)
        EXPECT_STREQ(CSplitterException::GetErrorMessage(code), texts[code]);
    EXPECT_STREQ(CSplitterException::GetErrorMessage(last + 1), "Unknown error.");
    std::string text =
        CSplitterException(CSplitterException::errAborted, "DravikLib/Splitter.cpp", 9).GetText();
    EXPECT_EQ(text, "Operation aborted.\nDravikLib/Splitter.cpp (line 9)");
}

TEST_F(SplitterTest, ListenerSeesTheDocumentedSequence)
{
    const unsigned chunkSize = FirstOverhead() + 40000;
    const unsigned size = 40000 + 2 * (chunkSize - 20) + 777;
    Input(size);
    CSplitter splitter(chunkSize, Path("input.bin").c_str(), Path("out").c_str());
    CRecorder recorder;
    splitter.Split(recorder);
    ASSERT_EQ(splitter.GetChunkCount(), 4u);

    CExpected expected(size);
    expected.Start(0, 0);
    expected.Write(static_cast<unsigned>(stub.size())); // the stub
    expected.Write(4);                                  // entry count
    const unsigned lengths[] = {10, 8, 8, 12, 40000};
    for (unsigned length : lengths) {
        expected.Write(4); // name length
        expected.Write(5); // DATAn
        expected.Write(4); // data length
        expected.Data(length);
    }
    expected.Write(4);  // offset of the archive
    expected.Write(16); // magic
    expected.Done(0, 40000, 40000);
    unsigned done = 40000;
    for (unsigned index = 1; index < 4; ++index) {
        unsigned length = std::min(chunkSize - 20, size - done);
        expected.Start(index, 20); // name, NUL and header bypass the wrapper
        expected.Data(length);
        done += length;
        expected.Done(index, length, done);
    }
    EXPECT_EQ(recorder.calls, expected.calls);
    EXPECT_EQ(recorder.calls[1], "progress 0 " + std::to_string(stub.size()) + " " + std::to_string(size));
}

TEST_F(SplitterTest, SetHoldsTheInputExactly)
{
    const unsigned chunkSize = FirstOverhead() + 100000;
    for (unsigned size : {1u, 99999u, 100000u, 100001u, 100000u + 2 * (chunkSize - 20), 654321u}) {
        std::string input = Input(size);
        fs::remove_all(dir.Path() / "set");
        fs::create_directory(dir.Path() / "set");
        CSplitter splitter(chunkSize, Path("input.bin").c_str(), Path("set/out").c_str());
        CRecorder recorder;
        splitter.Split(recorder);

        CParsedSet set = ParseSet(dir.Path() / "set/out.exe");
        EXPECT_EQ(set.stub, stub);
        EXPECT_EQ(set.fileName, "input.bin");
        EXPECT_EQ(set.fileSize, size);
        EXPECT_EQ(set.fileCrc, Crc(input));
        EXPECT_EQ(set.data, input) << size;
        ASSERT_EQ(splitter.GetChunkCount(), set.chunks.size());
        // No empty chunk follows an input that ends at a chunk's end.
        EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(dir.Path() / "set"),
                                                    fs::directory_iterator())),
                  set.chunks.size());
        for (unsigned i = 0; i < set.chunks.size(); ++i) {
            const CChunk& chunk = set.chunks[i];
            EXPECT_EQ(chunk.index, i);
            EXPECT_EQ(chunk.length, chunk.data.size());
            EXPECT_EQ(chunk.crc, Crc(chunk.data));
            EXPECT_EQ(chunk.nextName, GetFileName(GetChunkName("out", i + 1)).Get());
            if (i + 1 < set.chunks.size())
                EXPECT_EQ(set.fileSizes[i], chunkSize) << "chunk " << i << " of " << size;
            else
                EXPECT_LE(set.fileSizes[i], chunkSize);
        }
    }
}

TEST_F(SplitterTest, ZeroByteInputWritesNothing)
{
    Input(0);
    CSplitter splitter(FirstOverhead() + 10, Path("input.bin").c_str(), Path("out").c_str());
    CRecorder recorder;
    splitter.Split(recorder);
    EXPECT_EQ(splitter.GetChunkCount(), 0u);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_FALSE(fs::exists(dir.Path() / "out.exe"));
}

TEST_F(SplitterTest, ChunkSizeLimits)
{
    Input(1000);
    const unsigned entry = static_cast<unsigned>(stub.size()) + 13;
    const int tooSmall = CSplitterException::errOutputTooSmall;
    struct {
        unsigned chunkSize;
        int constructionCode, splitCode;
    } cases[] = {
        {0, tooSmall, tooSmall},
        {entry + 11, tooSmall, tooSmall},
        {entry + 12, -1, tooSmall},       // passes construction, no room for data
        {FirstOverhead(), -1, tooSmall},  // still no room for a single data byte
        {FirstOverhead() + 1, -1, -1},    // one data byte per first chunk
    };
    for (const auto& c : cases) {
        int code = -1;
        try {
            CSplitter splitter(c.chunkSize, Path("input.bin").c_str(), Path("out").c_str());
            CRecorder recorder;
            code = SplitCode(splitter, recorder);
            EXPECT_EQ(code, c.splitCode) << c.chunkSize;
            if (code >= 0) {
                EXPECT_TRUE(recorder.calls.empty());
            }
        } catch (const CSplitterException& e) {
            EXPECT_EQ(static_cast<int>(e.GetCode()), c.constructionCode) << c.chunkSize;
            continue;
        }
        EXPECT_EQ(c.constructionCode, -1) << c.chunkSize;
        EXPECT_EQ(fs::exists(dir.Path() / "out.exe"), c.splitCode == -1) << c.chunkSize;
    }
}

TEST_F(SplitterTest, MissingInputRaisesBeforeAnyCall)
{
    CSplitter splitter(FirstOverhead() + 10, Path("missing.bin").c_str(), Path("out").c_str());
    CRecorder recorder;
    EXPECT_EQ(SplitCode(splitter, recorder), CSplitterException::errReadInput);
    EXPECT_TRUE(recorder.calls.empty());
}

// Chunk indexes are u32: an input that would need more chunks than that is
// refused before anything is read or written. With the smallest chunk this
// is a few terabytes, which a sparse file holds.
TEST_F(SplitterTest, InputNeedingMoreChunksThanTheIndexCountsIsRefusedBeforeAnyCall)
{
    const unsigned chunkSize = FirstOverhead() + 8 + 1; // the large record, one data byte
    const uint64_t leastRoom = chunkSize - GetChunkOverhead(7 + 5); // "out.000", 5 digits more
    const uint64_t size = leastRoom * 0xFFFFFFFEull;
    WriteFileBytes(dir.Path() / "huge.bin", "");
    std::error_code error;
    fs::resize_file(dir.Path() / "huge.bin", size, error);
    if (error)
        GTEST_SKIP() << "cannot make a sparse file of " << size << " bytes here";
    CSplitter splitter(chunkSize, Path("huge.bin").c_str(), Path("out").c_str());
    CRecorder recorder;
    EXPECT_EQ(SplitCode(splitter, recorder), CSplitterException::errInputTooLarge);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_FALSE(fs::exists(dir.Path() / "out.exe"));
    fs::remove(dir.Path() / "huge.bin");
}

TEST_F(SplitterTest, ExistingChunkFiles)
{
    Input(5000);
    const unsigned chunkSize = FirstOverhead() + 3000;
    WriteFileBytes(dir.Path() / "out.000", "keep me");

    CSplitter splitter(chunkSize, Path("input.bin").c_str(), Path("out").c_str());
    CRecorder refuse;
    refuse.existsAnswers = {false};
    EXPECT_EQ(SplitCode(splitter, refuse), CSplitterException::errAborted);
    EXPECT_EQ(refuse.calls.back(), "exists " + Path("out.000"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "out.000"), "keep me");
    EXPECT_EQ(splitter.GetChunkCount(), 1u);

    CRecorder overwrite;
    EXPECT_EQ(SplitCode(splitter, overwrite), -1);
    EXPECT_EQ(splitter.GetChunkCount(), 2u);
    EXPECT_EQ(std::count(overwrite.calls.begin(), overwrite.calls.end(), "exists " + Path("out.exe")), 1);
    EXPECT_EQ(std::count(overwrite.calls.begin(), overwrite.calls.end(), "exists " + Path("out.000")), 1);
    EXPECT_EQ(ParseSet(dir.Path() / "out.exe").data, ReadFileBytes(dir.Path() / "input.bin"));
}

TEST_F(SplitterTest, ChunkThatCannotBeCreatedIsTriedAgainWhileTheListenerSaysGoOn)
{
    Input(5000);
    fs::create_directory(dir.Path() / "out.000"); // a folder stands where chunk 1 goes
    CSplitter splitter(FirstOverhead() + 3000, Path("input.bin").c_str(), Path("out").c_str());
    CRecorder recorder;
    recorder.problemAnswers = {true, true, false};
    EXPECT_EQ(SplitCode(splitter, recorder), CSplitterException::errAborted);
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "problem 1"), 3);
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "exists " + Path("out.000")), 0);
}

TEST_F(SplitterTest, ChunkNeverOverwritesTheInput)
{
    std::string input = Input(5000, "big.exe");
    CSplitter splitter(FirstOverhead() + 3000, Path("big.exe").c_str(), "");
    CRecorder recorder;
    EXPECT_EQ(SplitCode(splitter, recorder), CSplitterException::errChunkIsInput);
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "exists " + Path("big.exe")), 0);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "big.exe"), input);
}

TEST_F(SplitterTest, EmptyOutputBaseWritesBesideTheInput)
{
    std::string input = Input(5000, "movie.avi");
    CSplitter splitter(FirstOverhead() + 3000, Path("movie.avi").c_str(), "");
    CRecorder recorder;
    splitter.Split(recorder);
    EXPECT_TRUE(fs::exists(dir.Path() / "movie.exe"));
    EXPECT_TRUE(fs::exists(dir.Path() / "movie.000"));
    EXPECT_EQ(ParseSet(dir.Path() / "movie.exe").data, input);
}

#ifndef _WIN32
TEST_F(SplitterTest, FullDiskAsksAndNeverEndsAsDone)
{
    CSmallDisk disk(512);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    Input(3 << 20);
    const unsigned chunkSize = 400 << 10;

    CSplitter stopAtOnce(chunkSize, Path("input.bin").c_str(), (disk / "out").c_str());
    CRecorder stop;
    stop.problemAnswers = {false};
    EXPECT_EQ(SplitCode(stopAtOnce, stop), CSplitterException::errAborted);
    EXPECT_NE(std::find(stop.calls.begin(), stop.calls.end(), "problem 0"), stop.calls.end());
    EXPECT_FALSE(fs::exists(disk.Path() / "out.000"));

    // Going on regardless fills the disk: the write error ends the split.
    CSplitter goOn(chunkSize, Path("input.bin").c_str(), (disk / "out").c_str());
    CRecorder recorder;
    std::string error;
    try {
        goOn.Split(recorder);
    } catch (const CStreamException& e) {
        error = e.GetText();
    }
    EXPECT_EQ(error.rfind("Error writing file: No space left on device", 0), 0u) << error;
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "done 1 " + std::to_string(chunkSize - 20)), 0);
}

TEST_F(SplitterTest, SplitsAnInputJustUnder4GiB)
{
    CSmallDisk disk(4200 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const uint64_t size = (1ull << 32) - 1;
    {
        std::FILE* file = std::fopen(Path("edge.bin").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    fs::resize_file(dir.Path() / "edge.bin", size);
    const unsigned chunkSize = 0x7FFFFFFF;
    CSplitter splitter(chunkSize, Path("edge.bin").c_str(), (disk / "edge").c_str());
    CRecorder recorder;
    splitter.Split(recorder);
    ASSERT_EQ(splitter.GetChunkCount(), 3u);
    EXPECT_EQ(fs::file_size(disk.Path() / "edge.exe"), chunkSize);
    EXPECT_EQ(fs::file_size(disk.Path() / "edge.000"), chunkSize);
    CAppendedArchive first((disk / "edge.exe").c_str());
    unsigned char record[8];
    first.ReadEntry(record, 1);
    EXPECT_EQ(GetU32(record + 4), 0xFFFFFFFFu);
    std::string zeros(1 << 20, '\0');
    unsigned crc = 0;
    for (uint64_t left = size; left > 0;) {
        unsigned step = static_cast<unsigned>(std::min<uint64_t>(left, zeros.size()));
        crc = UpdateCrc32(zeros.data(), step, crc);
        left -= step;
    }
    EXPECT_EQ(GetU32(record), crc);
    uint64_t data = fs::file_size(disk.Path() / "edge.001") - 13 - 8;
    EXPECT_EQ(data + 2 * uint64_t(chunkSize) - FirstOverhead() - 21, size);
}

// The checksum of `size` zero bytes.
unsigned ZerosCrc(uint64_t size)
{
    std::string zeros(1 << 20, '\0');
    unsigned crc = 0;
    for (uint64_t left = size; left > 0;) {
        unsigned step = static_cast<unsigned>(std::min<uint64_t>(left, zeros.size()));
        crc = UpdateCrc32(zeros.data(), step, crc);
        left -= step;
    }
    return crc;
}

// Counts the listener's calls instead of keeping a line for each: a 4 GiB
// split reports a quarter of a million blocks.
class CProgressCheck : public ISplitterListener {
public:
    unsigned starts = 0, reports = 0, lastTotal = 0, lastDone = 0;
    bool doneAboveTotal = false, doneWentBack = false;
    void OnChunkStart(unsigned) override { ++starts; }
    void OnChunkDone(unsigned, unsigned) override {}
    bool OnProblem(int) override { return true; }
    bool OnFileExists(const char*) override { return true; }
    void OnProgress(unsigned done, unsigned, unsigned total) override
    {
        doneAboveTotal |= done > total;
        doneWentBack |= reports > 0 && done < lastDone;
        ++reports;
        lastDone = done;
        lastTotal = total;
    }
};

// 4 GiB exactly takes the large record; the chunks, their headers and the
// progress are those of any other set. In chunks of 4 GiB - 1 byte (FAT32's
// largest file) the first one, a program, stops at kMaxFirstChunkSize.
TEST_F(SplitterTest, SplitsAnInputOf4GiBWithTheLargeRecord)
{
    CSmallDisk disk(4200 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const uint64_t size = 1ull << 32;
    WriteFileBytes(dir.Path() / "edge.bin", "");
    fs::resize_file(dir.Path() / "edge.bin", size);
    const unsigned chunkSize = 0xFFFFFFFF;
    CSplitter splitter(chunkSize, Path("edge.bin").c_str(), (disk / "edge").c_str());
    CProgressCheck progress;
    splitter.Split(progress);
    ASSERT_EQ(splitter.GetChunkCount(), 2u);
    EXPECT_EQ(progress.starts, 2u);
    EXPECT_FALSE(progress.doneAboveTotal);
    EXPECT_EQ(progress.lastTotal, 1u << 31); // counted in pairs of bytes
    EXPECT_GT(progress.lastDone, (1u << 31) - 20000);
    EXPECT_EQ(fs::file_size(disk.Path() / "edge.exe"), kMaxFirstChunkSize);
    CAppendedArchive first((disk / "edge.exe").c_str());
    ASSERT_EQ(first.GetEntryLength(1), kLargeFileRecordSize);
    unsigned char record[kLargeFileRecordSize];
    first.ReadEntry(record, 1);
    EXPECT_EQ(GetU32(record), ZerosCrc(size));
    EXPECT_EQ(GetU32(record + 4), 0u);
    EXPECT_EQ(GetU32(record + 8), 1u);
    EXPECT_EQ(GetU32(record + 12), 0u);
    // Chunk 0 gives 8 bytes more to the record, and so 8 fewer to its data.
    uint64_t data = fs::file_size(disk.Path() / "edge.000") - 8 - 13; // "edge.001", its NUL, the header
    EXPECT_EQ(data + kMaxFirstChunkSize - (FirstOverhead() + 8), size);
}
#endif

// The splitter refuses exactly the names a joiner refuses, so that every set
// it writes can be rebuilt.
TEST(ChunkNames, RefusedCharactersAreTheJoinersOwn)
{
    for (int c = 1; c < 256; ++c) {
        char name[] = {'a', static_cast<char>(c), 'b', '\0'};
        EXPECT_EQ(FindBadNameChar(name) < 0, IsPlainFileName(name)) << "character " << c;
        if (FindBadNameChar(name) >= 0) {
            EXPECT_EQ(FindBadNameChar(name), c);
        }
    }
}

#ifndef _WIN32
// The error's message, its first line.
std::string Message(const CExceptionBase& e)
{
    std::string text = e.GetText();
    return text.substr(0, text.find('\n'));
}

TEST_F(SplitterTest, NamesNoJoinerTakesAreRefusedBeforeAnythingIsWritten)
{
    const std::string longBase(252, 'x'); // its chunk names take 256 bytes
    struct {
        std::string input, base;
        unsigned code;
        const char* text;
    } cases[] = {
        {"10:30 notes.txt", "out", CSplitterException::errBadFileName,
         "Invalid character ':' in the file name."},
        {"input.bin", "a:b", CSplitterException::errBadFileName,
         "Invalid character ':' in the file name."},
        {"back\\slash.bin", "out", CSplitterException::errBadFileName,
         "Invalid character '\\' in the file name."},
        {"input.bin", "sub\\out", CSplitterException::errBadFileName,
         "Invalid character '\\' in the file name."},
        {"tab\there.bin", "out", CSplitterException::errBadFileName,
         "Invalid character 0x09 in the file name."},
        {"new\nline.bin", "out", CSplitterException::errBadFileName,
         "Invalid character 0x0A in the file name."},
        {"input\x7f.bin", "out", CSplitterException::errBadFileName,
         "Invalid character 0x7F in the file name."},
        {"csi\xc2\x9b" "2J.bin", "out", CSplitterException::errBadFileName,
         "Invalid character U+009B in the file name."},
        {"input.bin", longBase, CSplitterException::errNameTooLong,
         "File name too long for the chunk files."},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir.Path());
        fs::create_directory(dir.Path());
        Input(5000, c.input);
        CSplitter splitter(1 << 20, Path(c.input).c_str(), Path(c.base).c_str());
        CRecorder recorder;
        std::string text;
        unsigned code = 99;
        try {
            splitter.Split(recorder);
        } catch (const CSplitterException& e) {
            code = e.GetCode();
            text = Message(e);
        }
        EXPECT_EQ(code, c.code) << c.input << " " << c.base;
        EXPECT_EQ(text, c.text) << c.input << " " << c.base;
        EXPECT_TRUE(recorder.calls.empty()) << c.input << " " << c.base;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
            << c.input << " " << c.base;
    }
}

// Chunk names grow by a digit after chunk 4097 (".FFF", then ".1000"): the
// longest name the set will store decides, before anything is written.
TEST_F(SplitterTest, LongestChunkNameOfTheSetMustFit)
{
    const std::string base(251, 'x'); // "xxx.exe" to "xxx.FFF" take 255 bytes
    const unsigned firstOverhead = static_cast<unsigned>(stub.size()) + 111 + 9 + 255;
    const unsigned chunkSize = firstOverhead + 2000;
    const unsigned room = chunkSize - (255 + 1 + kChunkHeaderSize);
    const unsigned fits = 2000 + 4095 * room; // 4096 chunks, the last stores ".FFF"
    struct {
        unsigned size;
        int code;
    } cases[] = {{fits, -1}, {fits + 1, CSplitterException::errNameTooLong}};
    for (const auto& c : cases) {
        fs::remove_all(dir.Path());
        fs::create_directory(dir.Path());
        Input(c.size);
        CSplitter splitter(chunkSize, Path("input.bin").c_str(), Path(base).c_str());
        CRecorder recorder;
        recorder.problemAnswers = {false};
        EXPECT_EQ(SplitCode(splitter, recorder), c.code) << c.size;
        EXPECT_EQ(splitter.GetChunkCount(), c.code < 0 ? 4096u : 0u) << c.size;
    }
}

TEST_F(SplitterTest, OnlyARegularFileIsSplit)
{
    fs::create_directory(dir.Path() / "folder");
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.Path() / "zero-link");
    // A pipe would block the open, a device never end, a /proc file says it
    // is empty and is not.
    for (std::string input : {Path("folder"), Path("pipe"), std::string("/dev/zero"),
                              Path("zero-link"), std::string("/proc/cpuinfo")}) {
        CSplitter splitter(1 << 20, input.c_str(), Path("out").c_str());
        CRecorder recorder;
        EXPECT_EQ(SplitCode(splitter, recorder), CSplitterException::errReadInput) << input;
        EXPECT_TRUE(recorder.calls.empty()) << input;
        EXPECT_FALSE(fs::exists(dir.Path() / "out.exe")) << input;
    }
}

// A sysfs file says 4096 bytes and holds a few: the first pass ends early.
TEST_F(SplitterTest, InputShorterThanItsSizeSaysWhy)
{
    const char* input = "/sys/devices/system/cpu/online";
    std::error_code error;
    if (fs::file_size(input, error) != 4096 || error)
        GTEST_SKIP() << input << " is not a 4096-byte sysfs file here";
    CSplitter splitter(1 << 20, input, Path("out").c_str());
    CRecorder recorder;
    std::string text;
    try {
        splitter.Split(recorder);
    } catch (const CStreamException& e) {
        text = Message(e);
    }
    EXPECT_EQ(text, "Error reading file: unexpected end of file");
    EXPECT_FALSE(fs::exists(dir.Path() / "out.exe"));
}

// Leaves exactly `pages` pages of 4 KiB free on the disk by a filler file.
void LeaveFree(CSmallDisk& disk, uint64_t pages)
{
    fs::remove(disk.Path() / "filler");
    uint64_t free = GetFreeSpace(disk.Path().c_str());
    ASSERT_GE(free, pages * 4096);
    WriteFileBytes(disk.Path() / "filler", std::string(free - pages * 4096, 'f'));
    ASSERT_EQ(GetFreeSpace(disk.Path().c_str()), pages * 4096);
}

bool Asked(const CRecorder& recorder, const std::string& call)
{
    return std::find(recorder.calls.begin(), recorder.calls.end(), call) != recorder.calls.end();
}

TEST_F(SplitterTest, FreeSpaceEqualToTheChunkAsksNothingOneByteLessAsks)
{
    CSmallDisk disk(1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const unsigned pages = 20;
    for (unsigned extra : {0u, 1u}) {
        fs::remove(disk.Path() / "out.exe");
        LeaveFree(disk, pages);
        // One chunk of exactly the free space, or one byte more.
        Input(pages * 4096 - FirstOverhead() + extra);
        CSplitter splitter(1 << 20, Path("input.bin").c_str(), (disk / "out").c_str());
        CRecorder recorder;
        recorder.problemAnswers = {false};
        EXPECT_EQ(SplitCode(splitter, recorder), extra ? CSplitterException::errAborted : -1);
        EXPECT_EQ(Asked(recorder, "problem 0"), extra == 1) << extra;
        if (!extra) {
            EXPECT_EQ(fs::file_size(disk.Path() / "out.exe"), pages * 4096);
        }
    }
}

// The floppy case: the same set split again with overwriting on a medium
// that holds it but not twice. Each chunk's old file frees its room.
TEST_F(SplitterTest, SplittingAgainOverTheSameSetFits)
{
    CSmallDisk disk(1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    std::string input = Input(800000);
    for (int run = 0; run < 2; ++run) {
        CSplitter splitter(300 << 10, Path("input.bin").c_str(), (disk / "out").c_str());
        CRecorder recorder;
        recorder.problemAnswers = {false};
        EXPECT_EQ(SplitCode(splitter, recorder), -1) << "run " << run;
        EXPECT_FALSE(Asked(recorder, "problem 0")) << "run " << run;
        EXPECT_EQ(splitter.GetChunkCount(), 3u);
    }
    EXPECT_EQ(ParseSet(disk.Path() / "out.exe").data, input);
}

// Where the free space cannot be told, nothing is asked about it: a folder
// that does not exist (its creation then says what is wrong), a file system
// that reports no size at all (an unlimited tmpfs, some network ones).
TEST_F(SplitterTest, UnknownFreeSpaceAsksNothing)
{
    Input(5000);
    EXPECT_EQ(GetFreeSpace(Path("missing").c_str()), kFreeSpaceUnknown);
    CSplitter missing(1 << 20, Path("input.bin").c_str(), Path("missing/out").c_str());
    CRecorder refused;
    refused.problemAnswers = {false};
    EXPECT_EQ(SplitCode(missing, refused), CSplitterException::errAborted);
    EXPECT_EQ(refused.calls, (std::vector<std::string>{"start 0", "problem 1"}));

    CSmallDisk unlimited(0);
    if (!unlimited.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    EXPECT_EQ(GetFreeSpace(unlimited.Path().c_str()), kFreeSpaceUnknown);
    CSplitter splitter(1 << 20, Path("input.bin").c_str(), (unlimited / "out").c_str());
    CRecorder recorder;
    recorder.problemAnswers = {false};
    EXPECT_EQ(SplitCode(splitter, recorder), -1);
    EXPECT_FALSE(Asked(recorder, "problem 0"));
}
#endif

} // namespace
