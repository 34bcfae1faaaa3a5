// Windows builds link the C++ library statically. Its versions of these two
// build a std::length_error or keep company with those that do, and bring
// the whole of std::string along (some 75 KB of dravik.exe). Both are
// reached only when a container is asked for more than memory can hold.
#include <new>

namespace std {

void __throw_length_error(const char*)
{
    throw std::bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw std::bad_array_new_length();
}

} // namespace std
