// CStreamMemory: an IAbStream over a memory buffer that grows as it is
// written.
#pragma once

#include "AbStream.h"

class CStreamMemory : public IAbStream {
public:
    // A writing stream that allocates its own buffer when first written.
    CStreamMemory();
    // A stream over `size` bytes of `data`: copied into an owned buffer when
    // `copy` is true, used in place (and not owned) otherwise.
    CStreamMemory(bool reading, const void* data, unsigned size, bool copy);
    CStreamMemory(const CStreamMemory&) = delete;
    CStreamMemory& operator=(const CStreamMemory&) = delete;
    ~CStreamMemory() override;

    void Serialize(const void* data, unsigned length) override;
    void Serialize(void* data, unsigned length) override;
    bool IsReading() const override { return m_reading; }
    void Seek(unsigned position) override;
    void SeekToBegin() override { m_position = 0; }
    void SeekToEnd() override { m_position = m_length; }
    unsigned GetPosition() const override { return m_position; }
    unsigned GetLength() const override { return m_length; }
    char* GetBuffer() override { return m_buffer; }
    unsigned GetCapacity() const { return m_capacity; }

private:
    void Grow(unsigned length);

    bool m_reading;
    bool m_ownsBuffer;
    char* m_buffer;
    unsigned m_capacity;
    unsigned m_length;
    unsigned m_position;
};
