// The joiner on crafted chunk sets, as the Linux joiner runs it (fuzz-joiner)
// and as the Windows stub runs it, built without C++ exceptions so that
// errors travel by longjmp (fuzz-stubjoiner). The input is the first chunk
// and the later chunk files, one after the other, each separator
// kChunkSeparator starting the next file; they are stored as f.exe, f.000,
// f.001, ... in the current folder (even sizes) or in a folder below it (odd
// sizes). The current folder lies three levels below a scratch folder that
// is watched.
// The joiner must end on its own within a bounded number of steps, create
// nothing but its one output file in the current folder (or, when it fails,
// the partial file it names), leave every other file alone (a file of the
// output's name is replaced, as the Windows stub does, only by a rebuilt
// file and never when it is a chunk the run read), and claim success only
// for a file whose size and checksum are the ones the set stores.
#include "FuzzTarget.h"
#include "ScratchFolder.h"

#include "AppendedArchive.h"
#include "ChunkFormat.h"
#include "Crc32.h"
#include "Joiner.h"
#include "LittleEndian.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const char kChunkSeparator[] = "\n=DRVK=\n";
const size_t kSeparatorLength = sizeof kChunkSeparator - 1;
const unsigned kMaxChunkFiles = 8;
// Each step copies up to 64 KiB or ends a chunk; a chunk whose header
// declares more than its file holds still walks its declared length in
// empty steps. Far fewer steps than this can do all that for any input
// libFuzzer makes.
const unsigned kMaxSteps = 1u << 20;

class CRecordingDisplay : public IJoinerDisplay {
public:
    std::vector<std::string> statuses, errors, infos;
    void SetStatus(const char* name, unsigned index) override
    {
        statuses.push_back(std::to_string(index) + " " + name);
        if (statuses.size() == 1)
            outputName = name;
    }
    void UpdateProgress(unsigned written, unsigned total) override
    {
        if (written > total)
            FuzzFailure("progress beyond the total");
    }
    void ShowError(const char* text) override { errors.push_back(text); }
    void ShowInfo(const char* text) override { infos.push_back(text); }
    bool MayReplace(const char*) override { return true; }
    // The chunk files the run went on to, by name in the chunks' folder.
    bool Read(const std::string& name) const
    {
        for (size_t i = 1; i < statuses.size(); ++i)
            if (statuses[i].substr(statuses[i].find(' ') + 1) == name)
                return true;
        return false;
    }
    std::string outputName;
};

struct CFolders {
    fs::path root;  // the scratch folder: nothing may appear here but below cwd
    fs::path cwd;   // where the joiner runs and writes, three levels below root
};

const CFolders& Folders()
{
    static CFolders folders = [] {
        CFolders f;
        f.root = FuzzScratchFolder("joiner");
        f.cwd = f.root / "up" / "up" / "run";
        fs::create_directories(f.cwd);
        return f;
    }();
    return folders;
}

std::vector<std::string> SplitPieces(const uint8_t* data, size_t size)
{
    std::vector<std::string> pieces(1);
    const char* text = reinterpret_cast<const char*>(data);
    for (size_t at = 0; at < size;) {
        if (pieces.size() < kMaxChunkFiles && size - at >= kSeparatorLength &&
            std::memcmp(text + at, kChunkSeparator, kSeparatorLength) == 0) {
            pieces.emplace_back();
            at += kSeparatorLength;
        } else {
            pieces.back() += text[at++];
        }
    }
    return pieces;
}

// f.exe, f.000, f.001, ...: the names the split engine gives a set.
std::string ChunkName(unsigned index)
{
    char name[16] = "f.exe";
    if (index > 0)
        std::snprintf(name, sizeof name, "f.%03X", index - 1);
    return name;
}

void ClearFolder(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        fs::remove_all(entry.path());
}

// The joiner writes into the current folder: the run's own while it runs,
// and back to the one libFuzzer reads and writes its corpus from after.
class CCurrentFolder {
public:
    explicit CCurrentFolder(const fs::path& folder) : m_saved(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~CCurrentFolder() { fs::current_path(m_saved); }

private:
    fs::path m_saved;
};

// The file record the first chunk stores, in either form, read by the bytes
// ChunkFormat.h describes.
bool StoredRecord(const fs::path& firstChunk, unsigned& crc, uint64_t& size)
{
    CAppendedArchive archive(firstChunk.c_str());
    if (archive.GetEntryCount() < 2)
        return false;
    const unsigned length = archive.GetEntryLength(1);
    if (length != kFileRecordSize && length != kLargeFileRecordSize)
        return false;
    unsigned char record[kLargeFileRecordSize];
    archive.ReadEntry(record, 1);
    crc = GetU32(record);
    size = GetU32(record + 4);
    if (length == kFileRecordSize)
        return true;
    size |= static_cast<uint64_t>(GetU32(record + 8)) << 32;
    return GetU32(record + 12) == 0;
}

// `stored`: whether the set had a file record before the run, and which.
void CheckSuccess(const CRecordingDisplay& display, bool stored, unsigned crc, uint64_t size)
{
    if (!display.errors.empty() || display.infos.size() != 1)
        FuzzFailure("success with error texts");
    if (!stored)
        FuzzFailure("success without a file record");
    std::string output = ReadBytes(Folders().cwd / display.outputName);
    if (output.size() != size ||
        UpdateCrc32Bytewise(output.data(), static_cast<unsigned>(output.size()), 0) != crc)
        FuzzFailure("success claimed for a file that does not match the set:", display.outputName.c_str());
}

// Nothing outside the current folder; in it, nothing new but the output
// or the partial file, and no file changed unless the run succeeded and it
// bears the output's name without being a chunk the run read.
void CheckFiles(const CRecordingDisplay& display, const std::map<std::string, std::string>& before,
                bool done, const std::string& partial, const std::string& chunkFolder)
{
    const CFolders& f = Folders();
    const std::string below = "up/up/run/";
    for (const std::string& name : ListTree(f.root)) {
        std::string inRun = name.rfind(below, 0) == 0 ? name.substr(below.size()) : name;
        if (below.rfind(name + "/", 0) == 0)
            continue; // one of the folders on the way down
        if (inRun == name)
            FuzzFailure("file written outside the current folder:", name.c_str());
        if (!before.count(inRun) && inRun != display.outputName && inRun != partial)
            FuzzFailure("unexpected file written:", name.c_str());
    }
    if (done && !partial.empty())
        FuzzFailure("a partial file left after success:", partial.c_str());
    const bool mayReplace = done && !(chunkFolder.empty() && display.Read(display.outputName));
    for (const auto& [name, bytes] : before) {
        if ((name == display.outputName && mayReplace) || fs::is_directory(f.cwd / name))
            continue;
        if (!fs::exists(f.cwd / name) || ReadBytes(f.cwd / name) != bytes)
            FuzzFailure("a chunk file was changed:", name.c_str());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CFolders& f = Folders();
    ClearFolder(f.cwd);
    // Odd sizes keep the chunks in a folder of their own below the current
    // one: the output goes to the current folder, the chunks are read from
    // the first chunk's folder.
    const bool apart = size % 2 == 1;
    const std::string chunkFolder = apart ? "in/" : "";
    if (apart)
        fs::create_directories(f.cwd / "in");

    std::vector<std::string> pieces = SplitPieces(data, size);
    std::map<std::string, std::string> before;
    for (unsigned i = 0; i < pieces.size(); ++i) {
        std::string name = chunkFolder + ChunkName(i);
        WriteBytes(f.cwd / name, reinterpret_cast<const uint8_t*>(pieces[i].data()), pieces[i].size());
        before[name] = pieces[i];
    }
    if (apart)
        before["in"] = "";

    CCurrentFolder inRun(f.cwd);
    CRecordingDisplay display;
    const std::string firstChunk = chunkFolder + "f.exe";
    unsigned storedCrc = 0;
    uint64_t storedSize = 0;
    const bool stored = StoredRecord(firstChunk, storedCrc, storedSize);
    bool done = false;
    std::string partial;
    {
        CJoiner joiner(display, firstChunk.c_str());
        unsigned steps = 0;
        while (!joiner.IsDone() && joiner.RunStep())
            if (++steps > kMaxSteps)
                FuzzFailure("the joiner does not end");
        done = joiner.IsDone();
        partial = joiner.GetPartialName();
    }
    if (std::getenv("DRAVIK_FUZZ_VERBOSE"))
        std::fprintf(stderr, "  %s%s\n", done ? "rebuilt " : "refused: ",
                     done ? display.outputName.c_str() : display.errors.front().c_str());
    if (done)
        CheckSuccess(display, stored, storedCrc, storedSize);
    else if (display.errors.empty() || !display.infos.empty())
        FuzzFailure("a failed run without an error text");
    CheckFiles(display, before, done, partial, chunkFolder);
    return 0;
}
