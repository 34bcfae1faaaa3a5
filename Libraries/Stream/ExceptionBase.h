// The system's exceptions: thrown by value, caught by reference. The text is
// the message and, on a second line, the throw site's source file and line.
#pragma once

#include "Str.h"

class CExceptionBase {
public:
    CExceptionBase(const char* message, const char* file, int line);
    virtual ~CExceptionBase();
    const char* GetText() const { return m_message; }

private:
    CStr m_message;
};

class CStreamException : public CExceptionBase {
public:
    using CExceptionBase::CExceptionBase;
};

// Throws `Type` with the caller's source file and line.
#define DRAVIK_THROW(Type, ...) throw Type(__VA_ARGS__, __FILE__, __LINE__)
