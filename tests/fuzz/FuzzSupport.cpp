#include "FuzzTarget.h"

#include <cstdio>
#include <cstdlib>

void FuzzFailure(const char* what, const char* detail)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s %s\n", what, detail);
    std::fflush(stderr);
    std::abort();
}
