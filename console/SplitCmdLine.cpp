#include "SplitCmdLine.h"

namespace {

const unsigned kPositionalRequired = CCmdLineArg::flagPositional | CCmdLineArg::flagRequired;

const char* const kExamples[] = {
    "Dravik BigFile.zip 360k (for 360k floppy disks)",
    "Dravik BigFile.zip 720k (for 720k floppy disks)",
    "Dravik BigFile.zip 1.2M (for 1.2M floppy disks)",
    "Dravik BigFile.zip 1.44M (for 1.44M floppy disks)",
    "Dravik BigFile.zip 95M (for 100M zip disks)",
    "Dravik BigFile.zip 10M",
    "Dravik BigFile.zip 720000 -oChunky",
};

} // namespace

CSplitCmdLine::CSplitCmdLine(bool slashIsPrefix)
    : m_input("input", "input filename", "", kPositionalRequired),
      m_size("size", "file output size; ends with (b)ytes, (k)ilobytes, (m)egabytes", "",
             kPositionalRequired),
      m_output("o", "output filename", "", 0),
      m_overwrite("y", "overwrite output", false, false, 0),
      m_help("?", "help", false, false, 0)
{
    AddArgument(&m_input);
    AddArgument(&m_size);
    AddArgument(&m_output);
    AddArgument(&m_overwrite);
    AddArgument(&m_help);
    for (const char* example : kExamples)
        AddExample(example);
    SetPrefixes(slashIsPrefix ? "-/" : "-");
}
