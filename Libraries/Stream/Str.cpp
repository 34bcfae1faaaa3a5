#include "Str.h"

#include "ExceptionBase.h"
#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char* Duplicate(const char* text)
{
    if (!text)
        text = "";
    size_t n = std::strlen(text);
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (!copy)
        ThrowOutOfMemory();
    std::memcpy(copy, text, n + 1);
    return copy;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

CStr::CStr(const char* text) : m_text(Duplicate(text)) {}

CStr::CStr(const CStr& other) : m_text(Duplicate(other.m_text)) {}

CStr::CStr(int value)
{
    char digits[16];
    PlatformFormat(digits, sizeof digits, "%d", value);
    m_text = Duplicate(digits);
}

CStr::~CStr()
{
    std::free(m_text);
}

CStr& CStr::operator=(const char* text)
{
    if (text != m_text) {
        char* copy = Duplicate(text);
        std::free(m_text);
        m_text = copy;
    }
    return *this;
}

CStr& CStr::operator=(const CStr& other)
{
    return *this = other.m_text;
}

CStr& CStr::operator+=(const char* text)
{
    if (!text || !*text)
        return *this;
    size_t old = std::strlen(m_text);
    size_t add = std::strlen(text);
    char* joined = static_cast<char*>(std::malloc(old + add + 1));
    if (!joined)
        ThrowOutOfMemory();
    std::memcpy(joined, m_text, old);
    std::memcpy(joined + old, text, add + 1);
    std::free(m_text);
    m_text = joined;
    return *this;
}

char* CStr::PrepareBuffer(unsigned n)
{
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
    if (!buffer)
        ThrowOutOfMemory();
    std::free(m_text);
    m_text = buffer;
    m_text[0] = '\0';
    m_text[n] = '\0';
    return m_text;
}

unsigned CStr::Length() const
{
    return static_cast<unsigned>(std::strlen(m_text));
}

bool EqualNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    return *a == *b;
}

bool EqualNoCase(const char* a, const char* b, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
        if (!a[i])
            return true;
    }
    return true;
}
