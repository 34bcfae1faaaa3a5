#include "Script.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

bool SplitWords(const std::string& line, CWords& words, std::string& error)
{
    words.clear();
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                word += line[++i];
            else if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '"')
                quoted = true;
            else
                word += c;
        }
    }
    if (quoted) {
        error = "unclosed quote";
        return false;
    }
    if (inWord)
        words.push_back(word);
    return true;
}

bool TakeOption(const std::string& word, const char* key, std::string& value)
{
    size_t n = std::strlen(key);
    if (word.compare(0, n, key) != 0 || word.size() <= n || word[n] != '=')
        return false;
    value = word.substr(n + 1);
    return true;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%02X", c);
                out += code;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n,
                        nullptr, nullptr);
    return narrow;
}
