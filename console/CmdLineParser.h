// CCmdLineParser: matches command-line words against registered arguments,
// checks exclusive groups, dependencies and required arguments, and composes
// the error and usage texts. A program derives its argument set from it and
// owns the argument objects; the parser only points at them.
#pragma once

#include "CmdLineArg.h"
#include "Str.h"

#include <map>
#include <vector>

class CCmdLineParser {
public:
    CCmdLineParser();
    CCmdLineParser(const CCmdLineParser&) = delete;
    CCmdLineParser& operator=(const CCmdLineParser&) = delete;

    // Registration order is the order of matching, of the synopsis and of
    // the description lines.
    void AddArgument(CCmdLineArg* argument);
    void AddExample(const char* line);
    // At most one member of a group may be given.
    void AddExclusiveGroup(const std::vector<CCmdLineArg*>& group);
    // `dependent` is invalid unless `prerequisite` is given as well.
    void AddDependency(CCmdLineArg* prerequisite, CCmdLineArg* dependent);
    // Characters that start a named word; "-/" unless changed. Where "/"
    // starts absolute paths, a program passes "-" alone.
    void SetPrefixes(const char* prefixes);

    // argc counts the program's own name, words[0]. The words are not copied
    // and must outlive the parser. One parser serves one call.
    bool Parse(int argc, const char* const* words);
    const char* GetErrorText();
    const char* GetUsage(bool full);
    // Word `index` of the command line; null past the last one.
    const char* GetArgumentText(unsigned index) const;

private:
    bool IsPrefix(char c) const;
    bool TakeWord(const char* word);
    CCmdLineArg* FindNamed(const char* name) const;
    CCmdLineArg* FindPositional() const;
    bool CheckExclusiveGroups();
    bool CheckDependencies();
    bool CheckRequired();
    void AppendSynopsis();
    void AppendDescriptions();

    std::vector<CCmdLineArg*> m_arguments;
    std::vector<CStr> m_examples;
    std::vector<std::vector<CCmdLineArg*>> m_exclusiveGroups;
    // Checked in the order of the prerequisites' addresses.
    std::map<CCmdLineArg*, std::vector<CCmdLineArg*>> m_dependencies;
    CStr m_prefixes;
    CStr m_usage;
    CStr m_errorText;
    unsigned m_wordCount;
    const char* const* m_words;
    CCmdLineArg* m_missing;
    CCmdLineArg* m_exclusiveFirst;
    CCmdLineArg* m_exclusiveSecond;
    CCmdLineArg* m_prerequisite;
    CCmdLineArg* m_dependent;
    unsigned m_invalidWord;
};
