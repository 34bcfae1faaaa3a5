// The UI driver's script: one command per line, words separated by blanks.
// Double quotes group words and may stand inside a word (title="A B");
// inside quotes \" is a quote and \\ a backslash, every other backslash is
// itself, so Windows paths need no doubling. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

using CWords = std::vector<std::string>;

// Splits one line into words; false with `error` set when a quote is open.
bool SplitWords(const std::string& line, CWords& words, std::string& error);

// A word of the form key=value: true and the value when `word` starts with
// `key` and "=".
bool TakeOption(const std::string& word, const char* key, std::string& value);

// The text between double quotes, with \ " and control characters escaped,
// so that every printed text stays on one line.
std::string Quote(const std::string& text);

// UTF-8 <-> UTF-16 for the wide Win32 calls.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
