// RunTrapped as the Windows stub has it: this program is compiled without
// C++ exceptions, so stream errors travel by setjmp and longjmp. A plain
// program (GoogleTest wants exceptions): it prints "N passed, N failed".
#include "ExceptionBase.h"
#include "StreamMemory.h"

#include <cstdio>
#include <cstring>

namespace {

int g_passed = 0, g_failed = 0;

void Check(bool ok, const char* what)
{
    (ok ? g_passed : g_failed)++;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
}

void ReadPastTheEnd(void*)
{
    CStreamMemory stream(true, "abc", 3, false);
    char bytes[4];
    stream.Serialize(static_cast<void*>(bytes), 4);
    Check(false, "a read past the end never returns");
}

void Nested(void* outerRan)
{
    CStr inner;
    bool completed = RunTrapped(ReadPastTheEnd, nullptr, inner);
    Check(!completed && std::strncmp(inner, "Reading past buffer\n", 20) == 0,
          "the inner trap takes the inner error");
    *static_cast<bool*>(outerRan) = true;
    DRAVIK_THROW(CStreamException, "outer");
}

} // namespace

int main()
{
    CStr error;
    Check(RunTrapped([](void*) {}, nullptr, error) && error.IsEmpty(), "a body that ends is not trapped");
    Check(!RunTrapped(ReadPastTheEnd, nullptr, error), "a stream error ends the body");
    Check(std::strncmp(error, "Reading past buffer\nLibraries/Stream/StreamMemory.cpp (line ", 60) == 0,
          "the text comes with its throw site");
    bool outerRan = false;
    CStr outer;
    Check(!RunTrapped(Nested, &outerRan, outer) && outerRan, "traps nest");
    Check(std::strncmp(outer, "outer\n", 6) == 0, "the outer trap takes the outer error");
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed ? 1 : 0;
}
