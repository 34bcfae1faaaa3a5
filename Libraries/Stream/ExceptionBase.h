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
#if defined(__cpp_exceptions)
#define DRAVIK_THROW(Type, ...) throw Type(__VA_ARGS__, __FILE__, __LINE__)
#else
// Builds without C++ exceptions (the Windows stub: the runtime's unwinder
// alone would take most of its size budget) hand the error to the innermost
// RunTrapped instead.
[[noreturn]] void RaiseError(const CExceptionBase& error);
#define DRAVIK_THROW(Type, ...) RaiseError(Type(__VA_ARGS__, __FILE__, __LINE__))
#endif

// Runs body(context); true when it ran to its end. An exception of ours
// raised inside ends it early: false, with the exception's text in `error`.
// Without C++ exceptions this is setjmp and longjmp: what the body had on
// its stack is then not destroyed, so a caller ends its work after a
// trapped error.
bool RunTrapped(void (*body)(void*), void* context, CStr& error);

// What a failed allocation raises: std::bad_alloc, or an abort where there
// are no exceptions.
[[noreturn]] void ThrowOutOfMemory();
