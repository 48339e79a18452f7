// Invariant checks for the fuzz targets: a failed check aborts, which
// libFuzzer reports as a crash with the input that caused it.
#ifndef SUITE_FUZZ_CHECK_H
#define SUITE_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

#endif // SUITE_FUZZ_CHECK_H
