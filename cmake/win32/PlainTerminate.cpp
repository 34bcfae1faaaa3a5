// libstdc++'s default terminate handler prints the type of an uncaught
// exception, which drags the C++ demangler into every program (about 80 KB).
// Our programs catch what they throw; a plain abort is enough here.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx
