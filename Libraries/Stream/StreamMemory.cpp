#include "StreamMemory.h"

#include "ExceptionBase.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

CStreamMemory::CStreamMemory()
    : m_reading(false), m_ownsBuffer(true), m_buffer(nullptr), m_capacity(0), m_length(0),
      m_position(0)
{
}

CStreamMemory::CStreamMemory(bool reading, const void* data, unsigned size, bool copy)
    : m_reading(reading), m_ownsBuffer(copy), m_buffer(nullptr), m_capacity(size),
      m_length(size), m_position(0)
{
    if (!copy) {
        m_buffer = static_cast<char*>(const_cast<void*>(data));
        return;
    }
    if (size == 0)
        return;
    m_buffer = static_cast<char*>(std::malloc(size));
    if (!m_buffer)
        ThrowOutOfMemory();
    if (data)
        std::memcpy(m_buffer, data, size);
}

CStreamMemory::~CStreamMemory()
{
    if (m_ownsBuffer)
        std::free(m_buffer);
}

void CStreamMemory::Serialize(const void* data, unsigned length)
{
    Serialize(const_cast<void*>(data), length);
}

void CStreamMemory::Serialize(void* data, unsigned length)
{
    uint64_t end = static_cast<uint64_t>(m_position) + length;
    if (m_reading) {
        if (end > m_length)
            DRAVIK_THROW(CStreamException, "Reading past buffer");
        if (length)
            std::memcpy(data, m_buffer + m_position, length);
        m_position += length;
        return;
    }
    if (end > m_capacity)
        Grow(length);
    if (length)
        std::memcpy(m_buffer + m_position, data, length);
    m_position += length;
    if (m_position > m_length)
        m_length = m_position;
}

// Growth is additive: the write's length plus one to two KiB of headroom,
// rounded down to whole KiB.
void CStreamMemory::Grow(unsigned length)
{
    uint64_t capacity = (static_cast<uint64_t>(length) + m_capacity + 2047) / 1024 * 1024;
    if (capacity > 0xFFFFFFFFu || capacity < static_cast<uint64_t>(m_position) + length)
        DRAVIK_THROW(CStreamException, "Memory stream too large");
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(capacity)));
    if (!buffer)
        ThrowOutOfMemory();
    if (m_length)
        std::memcpy(buffer, m_buffer, m_length);
    if (m_ownsBuffer)
        std::free(m_buffer);
    m_buffer = buffer;
    m_ownsBuffer = true;
    m_capacity = static_cast<unsigned>(capacity);
}

void CStreamMemory::Seek(unsigned position)
{
    if (position > m_length)
        DRAVIK_THROW(CStreamException, "Invalid seek position");
    m_position = position;
}
