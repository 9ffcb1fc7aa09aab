#include "dzconnectassert.h"

#include <cstdio>
#include <cstdlib>

void dzConnectionFailed(char const* file, int line) {
    std::fprintf(stderr, "QObject connection failed (%s:%d)\n", file, line);
    std::fflush(stderr);
    std::abort();
}
