// The argument framework on a small argument set of its own: matching of
// named and positional words, the checks after matching, the texts.
#include "CmdLineArg.h"
#include "CmdLineParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const unsigned kPositional = CCmdLineArg::flagPositional;
const unsigned kRequired = CCmdLineArg::flagRequired;

// input (required bare word), level (optional bare word, a or b), -o, -v
// toggle showing signs, -mode (fast or slow).
class CTestCmdLine : public CCmdLineParser {
public:
    CTestCmdLine()
        : input("input", "input filename", "", kPositional | kRequired),
          level("level", "a or b", "a", kPositional),
          output("o", "output", "def", 0),
          verbose("v", "verbose", false, true, 0),
          mode("mode", "speed", "", 0)
    {
        level.AddAllowedValue("a");
        level.AddAllowedValue("b");
        mode.AddAllowedValue("fast");
        mode.AddAllowedValue("slow");
        AddArgument(&input);
        AddArgument(&level);
        AddArgument(&output);
        AddArgument(&verbose);
        AddArgument(&mode);
    }

    // Every argument's state in one line: name=value, "*" when given.
    std::string State() const
    {
        auto one = [](const CCmdLineArg& arg, const std::string& value) {
            return std::string(arg.GetName()) + (arg.IsSet() ? "*" : "") + "=" + value;
        };
        return one(input, input.GetValue()) + " " + one(level, level.GetValue()) + " "
               + one(output, output.GetValue()) + " "
               + one(verbose, verbose.GetValue() ? "on" : "off") + " "
               + one(mode, mode.GetValue());
    }

    CCmdLineArgString input;
    CCmdLineArgString level;
    CCmdLineArgString output;
    CCmdLineArgToggle verbose;
    CCmdLineArgString mode;
};

struct CParseCase {
    std::vector<const char*> words; // after the program name
    bool ok;
    const char* errorText;
    const char* state; // nullptr: not compared
};

bool ParseWords(CCmdLineParser& parser, const std::vector<const char*>& words,
                std::vector<const char*>& argv)
{
    argv.assign(1, "prog");
    argv.insert(argv.end(), words.begin(), words.end());
    return parser.Parse(static_cast<int>(argv.size()), argv.data());
}

TEST(CmdLineParser, MatchesWordsToArguments)
{
    const CParseCase cases[] = {
        {{}, false, "Missing required argument: input\n\n", nullptr},
        {{"in"}, true, "", "input*=in level=a o=def v=off mode="},
        // A named word only has to begin with the name, in any case.
        {{"in", "-output"}, true, "", "input*=in level=a o*=utput v=off mode="},
        {{"in", "-O=x"}, true, "", "input*=in level=a o*=x v=off mode="},
        {{"in", "-o:x"}, true, "", "input*=in level=a o*=x v=off mode="},
        {{"in", "/ox"}, true, "", "input*=in level=a o*=x v=off mode="},
        {{"in", "-o"}, true, "", "input*=in level=a o*= v=off mode="},
        {{"in", "-o="}, true, "", "input*=in level=a o*= v=off mode="},
        {{"in", "-o=:x"}, true, "", "input*=in level=a o*=:x v=off mode="},
        // Given once, an argument is not matched again.
        {{"in", "-oA", "-oB"}, false, "Invalid argument: -oB\n\n", nullptr},
        {{"in", "-zz"}, false, "Invalid argument: -zz\n\n", nullptr},
        {{"in", "-"}, false, "Invalid argument: -\n\n", nullptr},
        {{"in", ""}, false, "Invalid argument: \n\n", nullptr},
        // Words after the failing one are not looked at.
        {{"", "-oA", "-oB"}, false, "Invalid argument: \n\n", nullptr},
        // Bare words fill the free positional arguments in order; allowed
        // values match ignoring case and keep the typed case.
        {{"in", "B"}, true, "", "input*=in level*=B o=def v=off mode="},
        {{"in", "c"}, false, "Invalid argument: c\n\n", nullptr},
        {{"in", "a", "b"}, false, "Invalid argument: b\n\n", nullptr},
        {{"-oX", "in"}, true, "", "input*=in level=a o*=X v=off mode="},
        // Toggles look at the first character of the value only.
        {{"in", "-v"}, true, "", "input*=in level=a o=def v*=on mode="},
        {{"in", "-V+"}, true, "", "input*=in level=a o=def v*=on mode="},
        {{"in", "-v+x"}, true, "", "input*=in level=a o=def v*=on mode="},
        {{"in", "-v-x"}, true, "", "input*=in level=a o=def v*=off mode="},
        {{"in", "-v=-"}, true, "", "input*=in level=a o=def v*=off mode="},
        {{"in", "-vx"}, false, "Invalid argument: -vx\n\n", nullptr},
        // Allowed values hold for named words as well.
        {{"in", "-mode=FAST"}, true, "", "input*=in level=a o=def v=off mode*=FAST"},
        {{"in", "-modeslow"}, true, "", "input*=in level=a o=def v=off mode*=slow"},
        {{"in", "-mode=bogus"}, false, "Invalid argument: -mode=bogus\n\n", nullptr},
    };
    for (const CParseCase& c : cases) {
        std::string words;
        for (const char* w : c.words)
            words += std::string("'") + w + "' ";
        SCOPED_TRACE(words);
        CTestCmdLine parser;
        std::vector<const char*> argv;
        EXPECT_EQ(ParseWords(parser, c.words, argv), c.ok);
        EXPECT_STREQ(parser.GetErrorText(), c.errorText);
        if (c.state) {
            EXPECT_EQ(parser.State(), c.state);
        }
    }
}

TEST(CmdLineParser, RefusedToggleStillCountsAsGiven)
{
    CTestCmdLine parser;
    std::vector<const char*> argv;
    EXPECT_FALSE(ParseWords(parser, {"in", "-vx"}, argv));
    EXPECT_TRUE(parser.verbose.IsSet());
}

TEST(CmdLineParser, SlashIsNoPrefixWhenTakenOut)
{
    CTestCmdLine parser;
    parser.SetPrefixes("-");
    std::vector<const char*> argv;
    EXPECT_TRUE(ParseWords(parser, {"/some/folder/in.zip", "-ox"}, argv));
    EXPECT_EQ(parser.State(), "input*=/some/folder/in.zip level=a o*=x v=off mode=");
}

TEST(CmdLineParser, PositionalToggleTakesOnlyPlus)
{
    const struct {
        const char* word;
        bool ok;
    } cases[] = {{"+", true}, {"-", false}, {"x", false}, {"+x", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        CCmdLineParser parser;
        CCmdLineArgToggle sign("sign", "", false, false, kPositional);
        parser.AddArgument(&sign);
        const char* argv[] = {"prog", c.word};
        EXPECT_EQ(parser.Parse(2, argv), c.ok);
        EXPECT_EQ(sign.GetValue(), c.ok);
    }
}

// a, b and c exclude each other; d needs p; r is required. The checks run
// in that order and the first failing one is reported.
TEST(CmdLineParser, ChecksGroupsDependenciesAndRequired)
{
    const struct {
        std::vector<const char*> words;
        bool ok;
        const char* errorText;
    } cases[] = {
        {{"-r", "-b"}, true, ""},
        {{"-r", "-c", "-a"}, false, "Exclusive arguments: a and c\n\n"},
        {{"-r", "-c", "-b", "-a"}, false, "Exclusive arguments: a and b\n\n"},
        {{"-r", "-c", "-b"}, false, "Exclusive arguments: b and c\n\n"},
        {{"-r", "-d"}, false, "d is invalid without p\n\n"},
        {{"-r", "-d", "-p"}, true, ""},
        {{"-p"}, false, "Missing required argument: r\n\n"},
        {{"-a", "-b", "-d"}, false, "Exclusive arguments: a and b\n\n"},
        {{"-d"}, false, "d is invalid without p\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.words));
        CCmdLineParser parser;
        CCmdLineArgToggle a("a", "", false, false, 0), b("b", "", false, false, 0),
            cc("c", "", false, false, 0), d("d", "", false, false, 0),
            p("p", "", false, false, 0), r("r", "", false, false, kRequired);
        for (CCmdLineArg* arg : {&a, &b, &cc, &d, &p, &r})
            parser.AddArgument(arg);
        parser.AddExclusiveGroup({&a, &b, &cc});
        parser.AddDependency(&p, &d);
        std::vector<const char*> argv;
        EXPECT_EQ(ParseWords(parser, c.words, argv), c.ok);
        EXPECT_STREQ(parser.GetErrorText(), c.errorText);
    }
}

TEST(CmdLineParser, ComposesUsage)
{
    CCmdLineParser empty;
    EXPECT_STREQ(empty.GetUsage(false), "\n");
    EXPECT_STREQ(empty.GetUsage(true), "\n");

    CCmdLineParser small;
    CCmdLineArgString input("input", "input filename", "", kPositional | kRequired);
    CCmdLineArgString output("o", "output filename", "", 0);
    small.AddArgument(&input);
    small.AddArgument(&output);
    EXPECT_STREQ(small.GetUsage(false), "<input> [-o=<string>] \n");
    EXPECT_STREQ(small.GetUsage(true),
                 "<input> [-o=<string>] \n"
                 "\n"
                 "input  input filename\n"
                 "-o     output filename\n");
    small.AddExample("prog in -oout");
    EXPECT_STREQ(small.GetUsage(true),
                 "<input> [-o=<string>] \n"
                 "\n"
                 "prog in -oout\n"
                 "\n"
                 "input  input filename\n"
                 "-o     output filename\n");

    CTestCmdLine full;
    EXPECT_STREQ(full.GetUsage(false),
                 "<input> [<level>{a|b}] [-o=<string>] [-v{+|-}] [-mode=<string>{fast|slow}] \n");
    EXPECT_STREQ(full.GetUsage(true),
                 "<input> [<level>{a|b}] [-o=<string>] [-v{+|-}] [-mode=<string>{fast|slow}] \n"
                 "\n"
                 "input  input filename\n"
                 "level  a or b\n"
                 "-o     output\n"
                 "-v     verbose\n"
                 "-mode  speed\n");
}

TEST(CmdLineParser, GivesWordsBack)
{
    CTestCmdLine parser;
    EXPECT_EQ(parser.GetArgumentText(0), nullptr);
    const char* argv[] = {"prog", "in", "-oX"};
    ASSERT_TRUE(parser.Parse(3, argv));
    EXPECT_STREQ(parser.GetArgumentText(0), "prog");
    EXPECT_STREQ(parser.GetArgumentText(2), "-oX");
    EXPECT_EQ(parser.GetArgumentText(3), nullptr);
}

} // namespace
