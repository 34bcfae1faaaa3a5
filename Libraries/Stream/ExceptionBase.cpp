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
