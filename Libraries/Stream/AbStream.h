// IAbStream: a byte stream whose direction (reading or writing) is fixed when
// it is built. Positions and lengths are unsigned 32-bit byte counts from the
// start of the stream.
#pragma once

class IAbStream {
public:
    virtual ~IAbStream() = default;
    // Writes `length` bytes from `data`; every implementation forwards it to
    // the other overload.
    virtual void Serialize(const void* data, unsigned length) = 0;
    // Reads into or writes from `data`, as the stream's direction says.
    virtual void Serialize(void* data, unsigned length) = 0;
    virtual bool IsReading() const = 0;
    virtual void Seek(unsigned position) = 0;
    virtual void SeekToBegin() = 0;
    virtual void SeekToEnd() = 0;
    virtual unsigned GetPosition() const = 0;
    virtual unsigned GetLength() const = 0;
    virtual char* GetBuffer() = 0;
};

// Block size of CopyStream and of every other stream-to-stream copy.
constexpr unsigned kCopyBlock = 16384;

// Copies `count` bytes (0: all) from source's position, no more than the
// source still holds, in kCopyBlock blocks. Returns the bytes copied.
unsigned CopyStream(IAbStream& source, IAbStream& target, unsigned count);
