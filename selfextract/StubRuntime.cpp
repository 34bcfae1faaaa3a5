// The stub's own small pieces of the C++ runtime. The library versions are
// built with exceptions: they would bring in the exception runtime (some
// 50 KB) that the stub, compiled without exceptions, does without.
#include <cstdlib>
#include <new>

namespace std {

// std::vector reports a length beyond its maximum through here; the library
// version builds a std::length_error and with it the whole of std::string.
// The stub never holds more than a few entries: reaching this means memory
// is corrupt.
void __throw_length_error(const char*)
{
    std::abort();
}

} // namespace std

// Allocation failure ends the stub: without exceptions there is no
// std::bad_alloc to raise, and nothing it allocates is optional.
void* operator new(std::size_t size)
{
    void* memory = std::malloc(size ? size : 1);
    if (!memory)
        std::abort();
    return memory;
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
