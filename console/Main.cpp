// dravik, the console splitter: parse the command line, run one split, and
// turn the outcome into a text and an exit code.

#include "ParseSize.h"
#include "SplitCmdLine.h"
#include "SplitterListener.h"

#include "ExceptionBase.h"
#include "Platform.h"
#include "Splitter.h"
#include "Str.h"

#include <cstdio>

namespace {

// Exit codes scripts can rely on (listed in the README).
const int kExitSplit = 0;  // the split ended normally
const int kExitFailed = 1; // an engine or stream error ended it, "Operation aborted." too
const int kExitUsage = 2;  // command-line error or help: nothing was split

void WriteBanner()
{
    std::fprintf(stderr, "Dravikon - September 2002\n");
    std::fprintf(stderr, "%s\n", "Copyright (C) 2002-2026 The Dravikon developers");
    std::fprintf(stderr, "%s\n\n", "https://dravikon.example.org");
}

void WriteUsage(CSplitCmdLine& cmdLine)
{
    std::printf("%s\n", cmdLine.GetErrorText());
    std::printf("Usage:\n");
    std::printf("%s\n", cmdLine.GetUsage(true));
}

int Split(const CSplitCmdLine& cmdLine)
{
    try {
        // Without -o the chunks land in the current folder, named after the
        // input's file name.
        CStr outputBase = cmdLine.GetOutput();
        if (outputBase.IsEmpty())
            outputBase = GetFileName(cmdLine.GetInput());
        unsigned chunkSize = ParseSize(cmdLine.GetSize());
        CSplitter splitter(chunkSize, cmdLine.GetInput(), outputBase);
        std::printf("Splitting file %s...\n", splitter.GetInputPath());
        {
            CSplitterListener listener(cmdLine.GetOverwrite(), PlatformIsTerminal(stdout));
            splitter.Split(listener);
        }
        unsigned count = splitter.GetChunkCount();
        std::printf("\nProduced %u file%s.\n", count, count > 1 ? "s" : "");
        return kExitSplit;
    } catch (const CExceptionBase& e) {
        // Engine errors and stream errors (a full disk while writing) alike.
        std::printf("%s\n\n\n", e.GetText());
        return kExitFailed;
    }
}

} // namespace

int main(int argc, char** argv)
{
    WriteBanner();
    CSplitCmdLine cmdLine(PlatformHasDrives());
    if (!cmdLine.Parse(argc, argv) || cmdLine.GetHelp()) {
        WriteUsage(cmdLine);
        return kExitUsage;
    }
    return Split(cmdLine);
}
