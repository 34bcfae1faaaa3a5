// dravikx on Linux: rebuilds a chunk set from its first chunk without
// Windows. `dravikx [--force] [FIRST-CHUNK]` writes the file into the
// current folder and reads the later chunks from the first chunk's folder;
// with no file it reads the program's own file, as the Windows stub does.
// An existing file of the output's name is replaced only with --force (-f),
// and then only by a file that has passed every check. The texts are those
// of the stub's message boxes, one per line on standard error; a failed run
// that wrote something names the partial file on a line of its own after
// them. Exit status: 0 when the file was rebuilt and verified, 1 otherwise.
#include "AppendedArchive.h"
#include "Joiner.h"
#include "Platform.h"

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

struct COptions {
    bool force = false;
    const char* firstChunk = nullptr; // null: the program's own file
};

// Options first, then at most one file; "--" ends the options.
bool ParseArguments(int argc, char** argv, COptions& options)
{
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) {
            ++i;
            break;
        }
        if (std::strcmp(arg, "--force") == 0 || std::strcmp(arg, "-f") == 0)
            options.force = true;
        else
            return false;
    }
    if (i < argc)
        options.firstChunk = argv[i++];
    return i == argc;
}

} // namespace

int main(int argc, char** argv)
{
    COptions options;
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: dravikx [--force] [FIRST-CHUNK]\n");
        return 1;
    }
    CStr firstChunk = options.firstChunk ? CStr(options.firstChunk) : GetModulePath();
    CTerminalDisplay display(PlatformIsTerminal(stderr), options.force);
    CJoiner joiner(display, firstChunk, kLargeJoinStepBytes);
    while (!joiner.IsDone()) {
        if (!joiner.RunStep()) {
            display.EndLine();
            if (*joiner.GetPartialName())
                std::fprintf(stderr, "Partial file kept: %s\n", joiner.GetPartialName());
            return 1;
        }
    }
    return 0;
}
