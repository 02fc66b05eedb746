// Helpers shared by the time tests.
#ifndef ZEL_TESTS_TIME_TIME_TEST_UTIL_H
#define ZEL_TESTS_TIME_TIME_TEST_UTIL_H

#include <cstdlib>
#include <ctime>
#include <string>

#include "time/utc_internal.h"

namespace zeltest {

constexpr int64_t kTicks = zel::kTicksPerSecond;

inline zel_utc_t from_ticks(int64_t ticks, long tdf = 0, uint64_t inacc = zel::kInfiniteInacc) {
    zel_utc_t v;
    zel::utc_pack(&v, zel::UtcFields{ticks, inacc, tdf});
    return v;
}

// POSIX seconds (any 64-bit value, also on i386) plus 100-ns units.
inline zel_utc_t from_unix(int64_t seconds, int64_t units = 0, long tdf = 0, uint64_t inacc = zel::kInfiniteInacc) {
    return from_ticks(seconds * kTicks + units + zel::kUnixToUtcTicks, tdf, inacc);
}

// "offset daylight abbreviation" of the local zone at a POSIX time.
inline std::string zone_at(int64_t unix_seconds) {
    char name[128] = {};
    long off = -1;
    int dst = -1;
    zel_utc_t v = from_unix(unix_seconds);
    if (zel_utc_localzone(name, sizeof name - 1, &off, &dst, &v) != 0) return "failed";
    return std::to_string(off) + " " + std::to_string(dst) + " " + name;
}

// Sets TZ for this process (each test case runs in its own) and for glibc.
inline void set_tz(const char *tz) {
    setenv("TZ", tz, 1);
    tzset();
}

}  // namespace zeltest

#endif
