// dravikx on Linux: rebuilds a chunk set from its first chunk without
// Windows (kUsage below lists the options). It writes the file into the
// current folder, or the one -C names, and reads the later chunks from the
// first chunk's folder; with no file it reads the program's own file, as
// the Windows stub does. An existing file of the output's name is replaced
// only with --force (-f), and then only by a file that has passed every
// check. The texts are those of the stub's message boxes, one per line on
// standard error; a failed run that wrote something names the partial file
// on a line of its own after them. --test and --list (CSetChecker) write
// their lines on standard output. Exit status: 0 when the file was rebuilt
// and verified (or the set would be), 1 otherwise, 2 for a command line
// that is not ours.
#include "AppendedArchive.h"
#include "Joiner.h"
#include "Platform.h"
#include "SetChecker.h"
#include "StreamFile.h"

#include <cstdio>
#include <cstring>

namespace {

class CTerminalDisplay : public IJoinerDisplay {
public:
    CTerminalDisplay(bool showProgress, bool force) : m_showProgress(showProgress), m_force(force) {}

    void SetStatus(const char* name, unsigned index) override
    {
        std::snprintf(m_status, sizeof m_status, "File chunk #%u %s", index + 1, name);
        Draw();
    }
    void UpdateProgress(unsigned written, unsigned total) override
    {
        m_percent = total ? static_cast<unsigned>(static_cast<double>(written) * 100 / total) : 100;
        Draw();
    }
    void ShowError(const char* text) override { Line(text); }
    void ShowInfo(const char* text) override { Line(text); }
    bool MayReplace(const char* name) override
    {
        if (m_force)
            return true;
        EndLine();
        std::fprintf(stderr, "%s already exists. Run again with --force to replace it.\n", name);
        return false;
    }
    // Ends the progress line, if one is shown.
    void EndLine()
    {
        if (m_drawn)
            std::fputc('\n', stderr);
        m_drawn = false;
    }

private:
    void Draw()
    {
        if (!m_showProgress || !m_status[0])
            return;
        std::fprintf(stderr, "\r%s %3u%%\x1b[K", m_status, m_percent);
        std::fflush(stderr);
        m_drawn = true;
    }
    void Line(const char* text)
    {
        EndLine();
        std::fprintf(stderr, "%s\n", text);
    }

    bool m_showProgress;
    bool m_force;
    bool m_drawn = false;
    char m_status[1024] = "";
    unsigned m_percent = 0;
};

const char kUsage[] =
    "usage: dravikx [OPTION]... [FIRST-CHUNK]\n"
    "Rebuilds a file from the chunk set whose first chunk is FIRST-CHUNK (NAME.exe;\n"
    "without one, this program's own file). The later chunks are read from the\n"
    "first chunk's folder; the file is written into the current folder.\n"
    "\n"
    "  -t, --test             check every chunk and the whole file, write nothing\n"
    "  -l, --list             show the stored file's name, size and CRC-32\n"
    "  -C, --directory=DIR    write the file into DIR instead\n"
    "  -f, --force            replace an existing file once the new one is verified\n"
    "  -h, --help             show this help\n"
    "  -V, --version          show the version\n"
    "\n"
    "Exit status: 0 done (with --test: the set would rebuild), 1 a failure,\n"
    "2 a wrong command line.\n";

// The exit codes scripts rely on.
enum ExitCode { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

struct COptions {
    bool force = false;
    bool test = false;
    bool list = false;
    bool help = false;
    bool version = false;
    const char* directory = nullptr;
    const char* firstChunk = nullptr; // null: the program's own file
};

bool Is(const char* arg, const char* shortName, const char* longName)
{
    return std::strcmp(arg, shortName) == 0 || std::strcmp(arg, longName) == 0;
}

// Options and at most one file, in any order; "--" ends the options. False,
// with what is wrong in `problem`, for a command line that is not ours.
bool ParseArguments(int argc, char** argv, COptions& options, char* problem, unsigned size)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            if (options.firstChunk) {
                PlatformFormat(problem, size, "one first chunk only: '%s'", arg);
                return false;
            }
            options.firstChunk = arg;
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (Is(arg, "-f", "--force")) {
            options.force = true;
        } else if (Is(arg, "-t", "--test")) {
            options.test = true;
        } else if (Is(arg, "-l", "--list")) {
            options.list = true;
        } else if (Is(arg, "-h", "--help")) {
            options.help = true;
        } else if (Is(arg, "-V", "--version")) {
            options.version = true;
        } else if (Is(arg, "-C", "--directory")) {
            if (i + 1 == argc) {
                PlatformFormat(problem, size, "option '%s' needs a folder", arg);
                return false;
            }
            options.directory = argv[++i];
        } else if (std::strncmp(arg, "--directory=", 12) == 0) {
            options.directory = arg + 12;
        } else {
            PlatformFormat(problem, size, "unknown option '%s'", arg);
            return false;
        }
    }
    return true;
}

int UsageError(const char* problem)
{
    std::fprintf(stderr, "dravikx: %s\n%s", problem, kUsage);
    return kExitUsage;
}

// --list and --test: the set read, nothing written.
int Check(const char* firstChunk, const COptions& options)
{
    CSetChecker checker(firstChunk, stdout, stderr);
    if (!checker.Open())
        return kExitFailed;
    if (options.list)
        checker.List();
    if (options.test && !checker.Check())
        return kExitFailed;
    return kExitDone;
}

int Join(const char* firstChunk, bool force)
{
    CTerminalDisplay display(PlatformIsTerminal(stderr), force);
    CJoiner joiner(display, firstChunk, kLargeJoinStepBytes);
    while (!joiner.IsDone()) {
        if (!joiner.RunStep()) {
            display.EndLine();
            if (*joiner.GetPartialName())
                std::fprintf(stderr, "Partial file kept: %s\n", joiner.GetPartialName());
            return kExitFailed;
        }
    }
    return kExitDone;
}

} // namespace

int main(int argc, char** argv)
{
    COptions options;
    char problem[kMaxName + 64];
    if (!ParseArguments(argc, argv, options, problem, sizeof problem))
        return UsageError(problem);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kExitDone;
    }
    if (options.version) {
        std::printf("dravikx (Dravikon) %s\n", DRAVIK_VERSION);
        return kExitDone;
    }
    CStr firstChunk = options.firstChunk ? CStr(options.firstChunk) : GetModulePath();
    // The later chunks are found beside the first one, also from another
    // current folder.
    char fullPath[4096];
    if (!FileExists(firstChunk) || !PlatformFullPath(firstChunk, fullPath, sizeof fullPath)) {
        PlatformFormat(problem, sizeof problem, "no such file: '%s'", firstChunk.Get());
        return UsageError(problem);
    }
    if (options.test || options.list)
        return Check(fullPath, options);
    if (options.directory && !PlatformSetCurrentFolder(options.directory)) {
        PlatformFormat(problem, sizeof problem, "no such folder: '%s'", options.directory);
        return UsageError(problem);
    }
    return Join(fullPath, options.force);
}
