// Reading the system clock as a timeval or as a UTC time value.
#include <zel/utc.h>

#include <sys/time.h>

#include "time/utc_internal.h"

extern "C" {

int zel_gettimeofday_tz(struct timeval *tv, struct timezone *tz) {
    if (tz) {
        tz->tz_minuteswest = 0;
        tz->tz_dsttime = 0;
    }
    return gettimeofday(tv, tz);
}

int zel_gettimeofday(struct timeval *tv) { return zel_gettimeofday_tz(tv, nullptr); }

int zel_utc_gettime_noshm(zel_utc_t *utc) {
    struct timeval tv;
    struct timezone tz = {0, 0};
    if (zel_gettimeofday_tz(&tv, &tz) != 0) return -1;
    struct timespec now;
    now.tv_sec = tv.tv_sec;
    now.tv_nsec = static_cast<long>(tv.tv_usec) * 1000;
    return zel_utc_mkbintime(utc, &now, nullptr, -60L * tz.tz_minuteswest);
}

int zel_utc_gettime(zel_utc_t *utc) { return zel_utc_gettime_noshm(utc); }

}  // extern "C"
