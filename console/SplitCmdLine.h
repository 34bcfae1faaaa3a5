// The command line of dravik: input, size, -o output name, -y overwrite,
// -? help, and the example lines of its usage text.
#pragma once

#include "CmdLineArg.h"
#include "CmdLineParser.h"

class CSplitCmdLine : public CCmdLineParser {
public:
    // `slashIsPrefix`: whether "/" starts a named word. Where paths have no
    // drive letters, "/" starts every absolute path and so cannot.
    explicit CSplitCmdLine(bool slashIsPrefix);

    const char* GetInput() const { return m_input.GetValue(); }
    const char* GetSize() const { return m_size.GetValue(); }
    const char* GetOutput() const { return m_output.GetValue(); }
    bool GetOverwrite() const { return m_overwrite.GetValue(); }
    bool GetHelp() const { return m_help.GetValue(); }

private:
    CCmdLineArgString m_input;
    CCmdLineArgString m_size;
    CCmdLineArgString m_output;
    CCmdLineArgToggle m_overwrite;
    CCmdLineArgToggle m_help;
};
