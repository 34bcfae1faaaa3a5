#include "SplitterListener.h"

#include "Platform.h"
#include "Str.h"

#include <cstdio>

namespace {

const int kKeyBackspace = 8;
const int kKeyEscape = 27;
// Room taken by the percentage after the chunk line, " 100%".
const int kPercentWidth = 5;

int LowerKey(int key)
{
    return (key >= 'A' && key <= 'Z') ? key - 'A' + 'a' : key;
}

// Without a console the key read fails: that answers like N at the
// overwrite prompt, so no prompt ever waits.
int ReadOverwriteKey()
{
    int key = PlatformReadKey();
    return key < 0 ? 'n' : LowerKey(key);
}

} // namespace

CSplitterListener::CSplitterListener(bool overwriteAll, bool showProgress)
    : m_bOverwriteAll(overwriteAll),
      m_showProgress(showProgress),
      m_askOnTerminal(!showProgress && PlatformHasTerminal()),
      m_lineOpen(false),
      m_chunkNumber(0),
      m_percent(-1)
{
}

// A split that ends by an error leaves the chunk line open; the error text
// must start on a line of its own.
CSplitterListener::~CSplitterListener()
{
    EndChunkLine();
}

void CSplitterListener::OnChunkStart(unsigned chunkIndex)
{
    m_chunkNumber = chunkIndex + 1;
    if (!m_showProgress) {
        std::printf("Creating chunk #%u\n", m_chunkNumber);
        return;
    }
    std::printf("Creating chunk #%u", m_chunkNumber);
    std::fflush(stdout);
    m_lineOpen = true;
    m_percent = -1;
}

void CSplitterListener::OnChunkDone(unsigned /*chunkIndex*/, unsigned /*dataLength*/)
{
    EndChunkLine();
}

// Rewritten only when the percentage changes: a block comes every 16 KiB.
void CSplitterListener::OnProgress(unsigned done, unsigned /*position*/, unsigned total)
{
    if (!m_lineOpen || total == 0)
        return;
    int percent = static_cast<int>(static_cast<unsigned long long>(done) * 100 / total);
    if (percent == m_percent)
        return;
    m_percent = percent;
    std::printf("\rCreating chunk #%u %*d%%", m_chunkNumber, kPercentWidth - 2, percent);
    std::fflush(stdout);
}

// Blanks over the percentage leave the plain line on the screen.
void CSplitterListener::EndChunkLine()
{
    if (!m_lineOpen)
        return;
    m_lineOpen = false;
    if (m_percent >= 0)
        std::printf("\rCreating chunk #%u%*s", m_chunkNumber, kPercentWidth, "");
    std::printf("\n");
    std::fflush(stdout);
}

// Standard output keeps exactly its documented lines. When it goes to a
// file or a pipe while a person answers at the terminal, the question is
// shown there as well: a prompt nobody sees would wait for ever.
void CSplitterListener::Ask(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
    if (m_askOnTerminal)
        PlatformPutText(text);
}

bool CSplitterListener::OnFileExists(const char* path)
{
    if (m_bOverwriteAll)
        return true;
    EndChunkLine();
    CStr question("The file ");
    question += path;
    question += " already exists. Overwrite it? (A)ll / (Y)es / (N)o ";
    Ask(question);
    int key = ReadOverwriteKey();
    while (key != 'a' && key != 'y' && key != 'n') {
        PlatformPutChar(kKeyBackspace);
        key = ReadOverwriteKey();
    }
    PlatformPutChar(key);
    PlatformPutChar('\n');
    if (key == 'n')
        return false;
    if (key == 'a')
        m_bOverwriteAll = true;
    return true;
}

// Without a console the key read fails, which counts as ESC.
bool CSplitterListener::OnProblem(int kind)
{
    EndChunkLine();
    CStr prompt;
    if (kind == problemNoSpace)
        prompt += "Not enough free space to continue.\n\n";
    else if (kind == problemCannotCreate)
        prompt += "Can't create file. Disk may be write-protected.\n\n";
    prompt += "Hit any key to continue. Hit ESC to quit.\n\n";
    Ask(prompt);
    int key = PlatformReadKey();
    return key >= 0 && key != kKeyEscape;
}
