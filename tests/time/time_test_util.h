// Helpers shared by the time tests: values from raw fields, and TZ.
#ifndef ZEL_TESTS_TIME_TIME_TEST_UTIL_H
#define ZEL_TESTS_TIME_TIME_TEST_UTIL_H

#include <cstdlib>
#include <ctime>

#include "time/utc_internal.h"

namespace zeltest {

constexpr int64_t kTicks = zel::kTicksPerSecond;

inline zel_utc_t from_ticks(int64_t ticks, long tdf = 0, uint64_t inacc = zel::kInfiniteInacc) {
    zel_utc_t v;
    zel::utc_pack(&v, zel::UtcFields{ticks, inacc, tdf});
    return v;
}

// POSIX seconds (any 64-bit value, also on i386) plus 100-ns units.
inline zel_utc_t from_unix(int64_t seconds, int64_t units = 0, long tdf = 0,
                           uint64_t inacc = zel::kInfiniteInacc) {
    return from_ticks(seconds * kTicks + units + zel::kUnixToUtcTicks, tdf, inacc);
}

// Sets TZ for this process (each test case runs in its own) and for glibc.
inline void set_tz(const char *tz) {
    if (tz) {
        setenv("TZ", tz, 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace zeltest

#endif
