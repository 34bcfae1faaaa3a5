// The stub's answer to the C++ runtime's "cannot happen" errors. std::vector
// reports a length beyond its maximum through std::__throw_length_error,
// whose library version builds a std::length_error and with it the whole of
// std::string: some 80 KB the stub cannot afford. The stub never holds more
// than a few entries, so reaching these means memory is corrupt: abort.
#include <cstdlib>

namespace std {

void __throw_length_error(const char*)
{
    std::abort();
}

} // namespace std
