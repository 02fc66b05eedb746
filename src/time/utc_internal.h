// The unpacked form of a UTC time value and the helpers shared by the time
// functions: packing, unpacking, calendar break-downs and the zone lookup.
#ifndef ZEL_TIME_UTC_INTERNAL_H
#define ZEL_TIME_UTC_INTERNAL_H

#include <zel/utc.h>

#include <climits>
#include <cstdint>
#include <ctime>

#include "time/tz_watch.h"

namespace zel {

constexpr int64_t kTicksPerSecond = 10000000;  // 100-ns units
constexpr int64_t kSecondsPerDay = 86400;
// 100-ns units from 1582-10-15 00:00:00 to 1970-01-01 00:00:00.
constexpr int64_t kUnixToUtcTicks = 122192928000000000;
constexpr int64_t kUnixToUtcSeconds = kUnixToUtcTicks / kTicksPerSecond;
// Inaccuracies of this many units or more are infinite.
constexpr uint64_t kInfiniteInacc = (uint64_t{1} << 48) - 1;

struct UtcFields {
    int64_t time;    // 100-ns units since 1582-10-15
    uint64_t inacc;  // 100-ns units; kInfiniteInacc or more: infinite
    long tdf;        // seconds east of UTC
};

// Floor division and its non-negative remainder, for negative times.
inline int64_t floor_div(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b < 0) ? q - 1 : q;
}
inline int64_t floor_mod(int64_t a, int64_t b) {
    int64_t r = a % b;
    return r < 0 ? r + b : r;
}

// The offset in seconds that a value packed with `tdf` gives back: whole
// minutes, truncated toward zero, in 12 bits.
inline long stored_tdf(long tdf) {
    long minutes = (tdf / 60) & 0xFFF;
    return (minutes > 2047 ? minutes - 4096 : minutes) * 60;
}

// Writes the little-endian form; a null `utc` is a programming error.
void utc_pack(zel_utc_t *utc, const UtcFields &fields);
// Reads either byte order; -1 when the version is not 1.
int utc_unpack(const zel_utc_t *utc, UtcFields *fields);
// Unpacks `utc`, or reads the clock when it is null.
int utc_unpack_or_now(const zel_utc_t *utc, UtcFields *fields);

// Breaks down `seconds` since 1582-10-15 00:00:00 (tm_isdst -1).
void split_seconds(int64_t seconds, struct tm *tm);
// Breaks `time` down as seen `tdf` seconds east of UTC (tm_isdst -1) into
// `tm` and `nanos` (either may be null).
void split_time(int64_t time, long tdf, struct tm *tm, long *nanos);
void split_inacc(uint64_t inacc, struct tm *tm, long *nanos);

// The local zone at `time`: abbreviation (strncpy into `abbr`), offset in
// seconds east of UTC and daylight flag; each output may be null.
void local_zone_at(int64_t time, char *abbr, size_t abbrlen, long *offset, int *isdst);
// The local offset of the second a thread asked for last, kept while TZ
// reads the same and no zone was chosen or built since.
struct OffsetMemo {
    int64_t second = INT64_MIN;
    uint64_t generation = 0;  // zone generations start at 1
    long offset = 0;
    TzWatch watch;
};

// The local offset alone, from `memo` (the calling thread's) when it holds.
long local_offset_at(OffsetMemo *memo, int64_t time);

}  // namespace zel

#endif
