// The argument framework on arbitrary word lists: the input is the words,
// each ended by a NUL. The first byte picks whether "/" starts a named word.
// Two argument sets take the words: dravik's own and one that uses every
// feature the framework has (allowed values, toggles with signs, a
// positional toggle, an exclusive group, a dependency).
#include "FuzzTarget.h"

#include "CmdLineArg.h"
#include "CmdLineParser.h"
#include "SplitCmdLine.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const unsigned kMaxWords = 64;

class CRichCmdLine : public CCmdLineParser {
public:
    CRichCmdLine()
        : m_kind("kind", "a or b", "a", CCmdLineArg::flagPositional | CCmdLineArg::flagRequired),
          m_flag("flag", "positional toggle", false, true, CCmdLineArg::flagPositional),
          m_mode("mode", "fast or slow", "fast", 0),
          m_verbose("v", "verbose", false, true, 0),
          m_quiet("q", "quiet", false, false, 0),
          m_output("out", "output", "", 0)
    {
        m_kind.AddAllowedValue("a");
        m_kind.AddAllowedValue("B");
        m_mode.AddAllowedValue("fast");
        m_mode.AddAllowedValue("slow");
        for (CCmdLineArg* arg : {static_cast<CCmdLineArg*>(&m_kind), static_cast<CCmdLineArg*>(&m_flag),
                                 static_cast<CCmdLineArg*>(&m_mode), static_cast<CCmdLineArg*>(&m_verbose),
                                 static_cast<CCmdLineArg*>(&m_quiet), static_cast<CCmdLineArg*>(&m_output)})
            AddArgument(arg);
        AddExample("rich a + -mode=slow");
        AddExclusiveGroup({&m_verbose, &m_quiet});
        AddDependency(&m_output, &m_mode);
    }

private:
    CCmdLineArgString m_kind;
    CCmdLineArgToggle m_flag;
    CCmdLineArgString m_mode;
    CCmdLineArgToggle m_verbose;
    CCmdLineArgToggle m_quiet;
    CCmdLineArgString m_output;
};

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A failed parse always says why; a good one says nothing.
void CheckError(bool parsed, const char* error)
{
    if (parsed) {
        if (*error)
            FuzzFailure("an error text after a good parse:", error);
        return;
    }
    if (!StartsWith(error, "Invalid argument: ") && !StartsWith(error, "Exclusive arguments: ") &&
        !std::strstr(error, " is invalid without ") && !StartsWith(error, "Missing required argument: "))
        FuzzFailure("a failed parse without its reason:", error);
}

void Exercise(CCmdLineParser& parser, const std::vector<const char*>& argv)
{
    bool parsed = parser.Parse(static_cast<int>(argv.size()), argv.data());
    CheckError(parsed, parser.GetErrorText());
    std::string usage = parser.GetUsage(true);
    if (usage.find(parser.GetUsage(false)) != 0)
        FuzzFailure("the full usage does not start with the synopsis");
    for (unsigned i = 0; i <= argv.size(); ++i) {
        const char* word = parser.GetArgumentText(i);
        if ((i < argv.size()) != (word != nullptr) || (word && word != argv[i]))
            FuzzFailure("GetArgumentText");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool slashIsPrefix = data[0] & 1;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text += '\0';
    std::vector<const char*> argv{"dravik"};
    for (size_t at = 0; at < text.size() - 1 && argv.size() <= kMaxWords; at += std::strlen(text.c_str() + at) + 1)
        argv.push_back(text.c_str() + at);

    CSplitCmdLine split(slashIsPrefix);
    Exercise(split, argv);
    // The usage text is the program's, whatever the words were.
    static const std::string usage = split.GetUsage(true);
    if (usage != split.GetUsage(true))
        FuzzFailure("the usage text changed with the words");
    const std::string error = split.GetErrorText();
    if (error.rfind("Invalid argument: ", 0) == 0) {
        bool named = false;
        for (const char* word : argv)
            named = named || error == std::string("Invalid argument: ") + word + "\n\n";
        if (!named)
            FuzzFailure("the invalid word is not one of the words:", error.c_str());
    }
    if (split.GetErrorText()[0] == '\0') {
        if (!*split.GetInput() || !*split.GetSize())
            FuzzFailure("a good parse without input or size");
    }
    CRichCmdLine rich;
    Exercise(rich, argv);
    return 0;
}
