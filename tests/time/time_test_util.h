// Helpers shared by the time tests.
#ifndef ZEL_TESTS_TIME_TIME_TEST_UTIL_H
#define ZEL_TESTS_TIME_TIME_TEST_UTIL_H

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

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

inline void put32(std::string *s, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(uint32_t(v) >> (24 - 8 * i));
}

// A version-1 zone file turning "ADT" (+7200) and back to "AST" (+3600) at `times`.
inline std::string zone_file(const std::vector<int32_t> &times, int leaps = 0) {
    std::string f(44, '\0');
    f.replace(0, 5, "TZif\0", 5);
    std::vector<int32_t> counts = {2, leaps, int32_t(times.size()), 2, 8};
    for (size_t i = 0; i < counts.size(); ++i) put32(&f, 24 + 4 * i, counts[i]);
    for (int32_t t : times) f += std::string(4, '\0'), put32(&f, f.size() - 4, t);
    for (size_t i = 0; i < times.size(); ++i) f += char(i % 2 == 0 ? 1 : 0);
    f += std::string("\0\0\x0e\x10\0\0\0\0\x1c\x20\x01\x04", 12);
    f += std::string("AST\0ADT\0", 8);
    for (int i = 1; i <= leaps; ++i) {
        f += std::string(8, '\0');
        put32(&f, f.size() - 8, 1000 * i);
        put32(&f, f.size() - 4, i);
    }
    return f + std::string("\0\0", 2);
}

}  // namespace zeltest

#endif
