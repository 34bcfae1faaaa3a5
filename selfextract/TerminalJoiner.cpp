// dravikx on Linux: rebuilds a chunk set from its first chunk without
// Windows. `dravikx [FIRST-CHUNK]` writes the file into the current folder
// and reads the later chunks from the first chunk's folder; with no argument
// it reads the program's own file, as the Windows stub does. The texts are
// those of the stub's message boxes, one per line on standard error.
// Exit status: 0 when the file was rebuilt and verified, 1 otherwise.
#include "AppendedArchive.h"
#include "Joiner.h"
#include "Platform.h"

#include <cstdio>

namespace {

class CTerminalDisplay : public IJoinerDisplay {
public:
    explicit CTerminalDisplay(bool showProgress) : m_showProgress(showProgress) {}

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
    bool m_drawn = false;
    char m_status[1024] = "";
    unsigned m_percent = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: dravikx [FIRST-CHUNK]\n");
        return 1;
    }
    CStr firstChunk = argc == 2 ? CStr(argv[1]) : GetModulePath();
    CTerminalDisplay display(PlatformIsTerminal(stderr));
    CJoiner joiner(display, firstChunk);
    while (!joiner.IsDone()) {
        if (!joiner.RunStep()) {
            display.EndLine();
            return 1;
        }
    }
    return 0;
}
