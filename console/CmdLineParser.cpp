#include "CmdLineParser.h"

#include <cstring>

CCmdLineParser::CCmdLineParser()
    : m_prefixes("-/"),
      m_wordCount(0),
      m_words(nullptr),
      m_missing(nullptr),
      m_exclusiveFirst(nullptr),
      m_exclusiveSecond(nullptr),
      m_prerequisite(nullptr),
      m_dependent(nullptr),
      m_invalidWord(0)
{
}

void CCmdLineParser::AddArgument(CCmdLineArg* argument)
{
    m_arguments.push_back(argument);
}

void CCmdLineParser::AddExample(const char* line)
{
    m_examples.emplace_back(line);
}

void CCmdLineParser::AddExclusiveGroup(const std::vector<CCmdLineArg*>& group)
{
    m_exclusiveGroups.push_back(group);
}

void CCmdLineParser::AddDependency(CCmdLineArg* prerequisite, CCmdLineArg* dependent)
{
    m_dependencies[prerequisite].push_back(dependent);
}

void CCmdLineParser::SetPrefixes(const char* prefixes)
{
    m_prefixes = prefixes;
}

bool CCmdLineParser::Parse(int argc, const char* const* words)
{
    m_wordCount = argc > 0 ? static_cast<unsigned>(argc - 1) : 0;
    m_words = words;
    for (unsigned i = 1; i <= m_wordCount; ++i) {
        if (!TakeWord(words[i])) {
            m_invalidWord = i;
            return false;
        }
    }
    return CheckExclusiveGroups() && CheckDependencies() && CheckRequired();
}

bool CCmdLineParser::IsPrefix(char c) const
{
    return c != '\0' && std::strchr(m_prefixes, c) != nullptr;
}

// One word: named when it starts with a prefix character, else the next
// free positional argument's. An empty word names nothing and fails.
bool CCmdLineParser::TakeWord(const char* word)
{
    if (word[0] == '\0')
        return false;
    if (IsPrefix(word[0])) {
        CCmdLineArg* argument = FindNamed(word + 1);
        if (!argument)
            return false;
        const char* value = word + 1 + std::strlen(argument->GetName());
        if (*value == '=' || *value == ':')
            ++value;
        return argument->SetValue(value);
    }
    CCmdLineArg* argument = FindPositional();
    if (!argument || !argument->Validate(word))
        return false;
    return argument->SetValue(word);
}

// The first named argument not given yet whose name begins the text; an
// argument given once is not matched again.
CCmdLineArg* CCmdLineParser::FindNamed(const char* text) const
{
    for (CCmdLineArg* argument : m_arguments) {
        const char* name = argument->GetName();
        if (argument->IsNamed() && !argument->IsSet()
            && EqualNoCase(text, name, static_cast<unsigned>(std::strlen(name))))
            return argument;
    }
    return nullptr;
}

CCmdLineArg* CCmdLineParser::FindPositional() const
{
    for (CCmdLineArg* argument : m_arguments)
        if (argument->IsPositional() && !argument->IsSet())
            return argument;
    return nullptr;
}

// Records the first given member of a group and the next given one.
bool CCmdLineParser::CheckExclusiveGroups()
{
    for (const std::vector<CCmdLineArg*>& group : m_exclusiveGroups) {
        for (CCmdLineArg* first : group) {
            if (!first->IsSet())
                continue;
            for (CCmdLineArg* second : group) {
                if (second != first && second->IsSet()) {
                    m_exclusiveFirst = first;
                    m_exclusiveSecond = second;
                    return false;
                }
            }
        }
    }
    return true;
}

bool CCmdLineParser::CheckDependencies()
{
    for (const auto& entry : m_dependencies) {
        if (entry.first->IsSet())
            continue;
        for (CCmdLineArg* dependent : entry.second) {
            if (dependent->IsSet()) {
                m_prerequisite = entry.first;
                m_dependent = dependent;
                return false;
            }
        }
    }
    return true;
}

bool CCmdLineParser::CheckRequired()
{
    for (CCmdLineArg* argument : m_arguments) {
        if (argument->IsRequired() && !argument->IsSet()) {
            m_missing = argument;
            return false;
        }
    }
    return true;
}

const char* CCmdLineParser::GetErrorText()
{
    m_errorText = "";
    if (m_invalidWord != 0) {
        m_errorText = "Invalid argument: ";
        m_errorText += m_words[m_invalidWord];
        m_errorText += "\n\n";
    }
    if (m_exclusiveFirst) {
        m_errorText = "Exclusive arguments: ";
        m_errorText += m_exclusiveFirst->GetName();
        m_errorText += " and ";
        m_errorText += m_exclusiveSecond->GetName();
        m_errorText += "\n\n";
    }
    if (m_prerequisite) {
        m_errorText = m_dependent->GetName();
        m_errorText += " is invalid without ";
        m_errorText += m_prerequisite->GetName();
        m_errorText += "\n\n";
    }
    if (m_missing) {
        m_errorText = "Missing required argument: ";
        m_errorText += m_missing->GetName();
        m_errorText += "\n\n";
    }
    return m_errorText;
}

const char* CCmdLineParser::GetUsage(bool full)
{
    m_usage = "";
    AppendSynopsis();
    if (full) {
        if (!m_examples.empty()) {
            m_usage += "\n";
            for (const CStr& example : m_examples) {
                m_usage += example;
                m_usage += "\n";
            }
        }
        if (!m_arguments.empty())
            AppendDescriptions();
    }
    return m_usage;
}

// "<input> <size> [-o=<string>] [-y] [-?] ": one blank after every argument.
void CCmdLineParser::AppendSynopsis()
{
    for (CCmdLineArg* argument : m_arguments) {
        if (!argument->IsRequired())
            m_usage += "[";
        if (argument->IsNamed()) {
            m_usage += "-";
            m_usage += argument->GetName();
            const char* label = argument->GetValueLabel();
            if (*label) {
                m_usage += "=";
                m_usage += label;
            }
        } else {
            m_usage += "<";
            m_usage += argument->GetName();
            m_usage += ">";
        }
        m_usage += argument->GetChoicesText();
        if (!argument->IsRequired())
            m_usage += "]";
        m_usage += " ";
    }
    m_usage += "\n";
}

// One line per argument; the descriptions start two columns after the
// widest shown name. "-" is shown although "/" is accepted too.
void CCmdLineParser::AppendDescriptions()
{
    unsigned width = 0;
    for (CCmdLineArg* argument : m_arguments) {
        unsigned shown = static_cast<unsigned>(std::strlen(argument->GetName()))
                         + (argument->IsNamed() ? 1 : 0);
        if (shown > width)
            width = shown;
    }
    width += 2;
    m_usage += "\n";
    for (CCmdLineArg* argument : m_arguments) {
        CStr shown = argument->IsNamed() ? "-" : "";
        shown += argument->GetName();
        m_usage += shown;
        for (unsigned column = shown.Length(); column < width; ++column)
            m_usage += " ";
        m_usage += argument->GetDescription();
        m_usage += "\n";
    }
}

const char* CCmdLineParser::GetArgumentText(unsigned index) const
{
    if (!m_words || index > m_wordCount)
        return nullptr;
    return m_words[index];
}
