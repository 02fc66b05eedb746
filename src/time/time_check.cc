// Stops the process when a caller breaks a contract of the time functions
// (packing into a null value). Kept apart so that it has a single home.
#include "time/time_check.h"

#include <cstdio>
#include <cstdlib>

void zel::time_check_failed(const char *expr, const char *file, int line) {
    std::fprintf(stderr, "zel: assertion failed: %s, file %s, line %d\n", expr, file, line);
    std::fflush(stderr);
    std::abort();
}
