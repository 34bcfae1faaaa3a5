#include "ExceptionBase.h"

CExceptionBase::CExceptionBase(const char* message, const char* file, int line)
    : m_message(message)
{
    if (file && *file) {
        m_message += "\n";
        m_message += file;
        m_message += " (line ";
        m_message += CStr(line);
        m_message += ")";
    }
}

CExceptionBase::~CExceptionBase() = default;

#if defined(__cpp_exceptions)

#include <new>

bool RunTrapped(void (*body)(void*), void* context, CStr& error)
{
    try {
        body(context);
        return true;
    } catch (const CExceptionBase& e) {
        error = e.GetText();
        return false;
    }
}

void ThrowOutOfMemory()
{
    throw std::bad_alloc();
}

#else

#include <csetjmp>
#include <cstdlib>

namespace {

// The innermost RunTrapped: where RaiseError resumes, and where it leaves
// the text.
std::jmp_buf* g_trap = nullptr;
CStr* g_trapText = nullptr;

} // namespace

bool RunTrapped(void (*body)(void*), void* context, CStr& error)
{
    std::jmp_buf trap;
    std::jmp_buf* const outer = g_trap;
    CStr* const outerText = g_trapText;
    g_trap = &trap;
    g_trapText = &error;
    bool completed = setjmp(trap) == 0;
    if (completed)
        body(context);
    g_trap = outer;
    g_trapText = outerText;
    return completed;
}

void RaiseError(const CExceptionBase& error)
{
    if (!g_trap)
        std::abort();
    *g_trapText = error.GetText();
    std::longjmp(*g_trap, 1);
}

void ThrowOutOfMemory()
{
    std::abort();
}

#endif
