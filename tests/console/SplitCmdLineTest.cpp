// dravik's argument set: the spellings of its arguments and the errors that
// end a run before anything is split.
#include "SplitCmdLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CSplitCase {
    std::vector<const char*> words;
    bool ok;
    const char* errorText;
    const char* output;
    bool overwrite;
    bool help;
};

void Check(bool slashIsPrefix, const CSplitCase& c)
{
    SCOPED_TRACE(testing::PrintToString(c.words));
    CSplitCmdLine cmdLine(slashIsPrefix);
    std::vector<const char*> argv(1, "dravik");
    argv.insert(argv.end(), c.words.begin(), c.words.end());
    EXPECT_EQ(cmdLine.Parse(static_cast<int>(argv.size()), argv.data()), c.ok);
    EXPECT_STREQ(cmdLine.GetErrorText(), c.errorText);
    if (!c.ok)
        return;
    EXPECT_STREQ(cmdLine.GetInput(), "in.zip");
    EXPECT_STREQ(cmdLine.GetSize(), "10k");
    EXPECT_STREQ(cmdLine.GetOutput(), c.output);
    EXPECT_EQ(cmdLine.GetOverwrite(), c.overwrite);
    EXPECT_EQ(cmdLine.GetHelp(), c.help);
}

const CSplitCase kCommonCases[] = {
    {{}, false, "Missing required argument: input\n\n", "", false, false},
    {{"in.zip"}, false, "Missing required argument: size\n\n", "", false, false},
    {{"-?"}, false, "Missing required argument: input\n\n", "", false, false},
    {{"in.zip", "10k"}, true, "", "", false, false},
    {{"in.zip", "10k", "-?"}, true, "", "", false, true},
    {{"in.zip", "10k", "x"}, false, "Invalid argument: x\n\n", "", false, false},
    {{"in.zip", "-5"}, false, "Invalid argument: -5\n\n", "", false, false},
    {{"in.zip", "10k", ""}, false, "Invalid argument: \n\n", "", false, false},
    {{"in.zip", "10k", "-oA", "-oB"}, false, "Invalid argument: -oB\n\n", "", false, false},
    {{"in.zip", "10k", "-oChunky"}, true, "", "Chunky", false, false},
    {{"in.zip", "10k", "-o=Chunky"}, true, "", "Chunky", false, false},
    {{"in.zip", "10k", "-o:Chunky"}, true, "", "Chunky", false, false},
    {{"-oChunky", "in.zip", "10k"}, true, "", "Chunky", false, false},
    {{"in.zip", "10k", "-o"}, true, "", "", false, false},
    {{"in.zip", "10k", "-o="}, true, "", "", false, false},
    {{"in.zip", "10k", "-y"}, true, "", "", true, false},
    {{"in.zip", "10k", "-Y"}, true, "", "", true, false},
    {{"in.zip", "10k", "-y+"}, true, "", "", true, false},
    {{"in.zip", "10k", "-y-"}, true, "", "", false, false},
    {{"in.zip", "10k", "-yes"}, false, "Invalid argument: -yes\n\n", "", false, false},
};

TEST(SplitCmdLine, ParsesWithDrivePaths)
{
    for (const CSplitCase& c : kCommonCases)
        Check(true, c);
    const CSplitCase slashCases[] = {
        {{"in.zip", "10k", "/ochunky"}, true, "", "chunky", false, false},
        {{"in.zip", "10k", "/y"}, true, "", "", true, false},
    };
    for (const CSplitCase& c : slashCases)
        Check(true, c);
}

// Where "/" starts absolute paths, it starts no named word.
TEST(SplitCmdLine, ParsesWithSlashPaths)
{
    for (const CSplitCase& c : kCommonCases)
        Check(false, c);
    const CSplitCase slashCases[] = {
        {{"in.zip", "10k", "/ochunky"}, false, "Invalid argument: /ochunky\n\n", "", false, false},
        {{"in.zip", "10k", "/y"}, false, "Invalid argument: /y\n\n", "", false, false},
    };
    for (const CSplitCase& c : slashCases)
        Check(false, c);

    CSplitCmdLine cmdLine(false);
    const char* argv[] = {"dravik", "/some/folder/BigFile.zip", "1.44M", "-o/tmp/out"};
    ASSERT_TRUE(cmdLine.Parse(4, argv));
    EXPECT_STREQ(cmdLine.GetInput(), "/some/folder/BigFile.zip");
    EXPECT_STREQ(cmdLine.GetOutput(), "/tmp/out");
}

} // namespace
