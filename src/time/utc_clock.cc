// Reading the system clock as a timeval or as a UTC time value.
#include <zel/utc.h>

#include <sys/time.h>

#include "sys/hot_path.h"
#include "time/utc_internal.h"

extern "C" {

ZEL_RECORD_PATH int zel_gettimeofday_tz(struct timeval *tv, struct timezone *tz) {
    if (tz) {
        tz->tz_minuteswest = 0;
        tz->tz_dsttime = 0;
    }
    return gettimeofday(tv, tz);
}

int zel_gettimeofday(struct timeval *tv) { return zel_gettimeofday_tz(tv, nullptr); }

// Packed straight from the clock's microseconds, which are whole 100-ns units.
ZEL_RECORD_PATH int zel_utc_gettime_noshm(zel_utc_t *utc) {
    struct timeval tv;
    struct timezone tz = {0, 0};
    if (zel_gettimeofday_tz(&tv, &tz) != 0 || tv.tv_usec < 0 || tv.tv_usec > 999999) return -1;
    int64_t time;
    if (__builtin_mul_overflow(static_cast<int64_t>(tv.tv_sec), zel::kTicksPerSecond, &time) ||
        __builtin_add_overflow(time, int64_t{tv.tv_usec} * 10 + zel::kUnixToUtcTicks, &time)) {
        return -1;
    }
    zel::utc_pack(utc, zel::UtcFields{time, zel::kInfiniteInacc, -60L * tz.tz_minuteswest});
    return 0;
}

ZEL_RECORD_PATH int zel_utc_gettime(zel_utc_t *utc) { return zel_utc_gettime_noshm(utc); }

}  // extern "C"
