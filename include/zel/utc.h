/* UTC time values: 16-byte stamps with inaccuracy and zone offset, the clock,
 * their break-downs and text forms, and the local time-zone rules. */
#ifndef ZEL_UTC_H
#define ZEL_UTC_H

#include <stddef.h>
#include <sys/time.h>
#include <time.h>
#include <zel/base.h>

ZEL_BEGIN_C

/* Declared by <sys/time.h> only in the system's extended modes. */
struct timezone;

/* A UTC time value: time in 100-ns units since 1582-10-15 00:00:00 UTC, its
 * inaccuracy, and the zone offset (in minutes) at which it was taken. Opaque
 * to callers; the library writes the little-endian form and reads both byte
 * orders, so the bytes may be stored and exchanged as they are. */
typedef struct {
    unsigned char bytes[16];
} zel_utc_t;

#ifdef __cplusplus
static_assert(sizeof(zel_utc_t) == 16, "zel_utc_t is 16 bytes on every target");
#else
_Static_assert(sizeof(zel_utc_t) == 16, "zel_utc_t is 16 bytes on every target");
#endif

/* Every function below returns 0 on success and -1 on failure. A null `utc`
 * argument of the functions that take a value apart means "now"; their output
 * pointers may each be null. A value whose version is not 1 is refused. */

/* The system gettimeofday; when `tz` is given, its fields are zeroed first. */
ZEL_EXPORT int zel_gettimeofday_tz(struct timeval *tv, struct timezone *tz);
/* zel_gettimeofday_tz(tv, NULL). */
ZEL_EXPORT int zel_gettimeofday(struct timeval *tv);

/* The current time with infinite inaccuracy and the system's zone offset
 * (0 on most systems). The two are the same; zel_utc_gettime is the one to use. */
ZEL_EXPORT int zel_utc_gettime(zel_utc_t *utc);
ZEL_EXPORT int zel_utc_gettime_noshm(zel_utc_t *utc);

/* Makes a value from POSIX time `timesp` (required), an inaccuracy `inaccsp`
 * (null or negative seconds: infinite) and a zone offset `tdf` in seconds
 * east of UTC (kept in whole minutes, -2048..2047). Nanoseconds of the time
 * are rounded to the nearest 100 ns, those of the inaccuracy up. -1 when a
 * nanosecond field is outside 0..999999999 or the time is too far from the
 * present to be held. A null `utc` is a programming error and aborts. */
ZEL_EXPORT int zel_utc_mkbintime(zel_utc_t *utc, const struct timespec *timesp,
                                 const struct timespec *inaccsp, long tdf);

/* Copies `in` (null: now) to `out` with the zone offset `tdf` (seconds); the
 * instant and inaccuracy are unchanged. `out` may be `in`. */
ZEL_EXPORT int utc_settdf(zel_utc_t *out, const zel_utc_t *in, long tdf);

/* POSIX time, inaccuracy and zone offset (seconds) of a value. An infinite
 * inaccuracy reads -1 seconds and -1 nanoseconds; nanoseconds of the time are
 * always 0..999999900. The outputs are filled in any case, but the result is
 * -1 when the time lies outside 0..4294967295 seconds since 1970 (a time_t of
 * 32 bits receives the low 32 bits of the seconds). */
ZEL_EXPORT int zel_utc_bintime(struct timespec *timesp, struct timespec *inaccsp, long *tdf,
                               const zel_utc_t *utc);

/* The time broken down in UTC (`tm_isdst` 0) with its nanoseconds in `*tns`,
 * and the inaccuracy broken down in `*inacctm` (whole days in `tm_yday`,
 * `tm_mon` and `tm_year` 0, the other date fields -1; every field -1 and
 * `*ins` -1 when infinite) with its nanoseconds in `*ins`. Dates from
 * 1582-10-15 on are Gregorian, earlier ones Julian. */
ZEL_EXPORT int zel_utc_gmtime(struct tm *timetm, long *tns, struct tm *inacctm, long *ins,
                              const zel_utc_t *utc);
/* As zel_utc_gmtime, in the value's own zone: `tm_isdst` -1, and its zone
 * offset in seconds in `*tdf`. */
ZEL_EXPORT int zel_utc_anytime(struct tm *timetm, long *tns, struct tm *inacctm, long *ins,
                               long *tdf, const zel_utc_t *utc);

/* Text forms. `cp` must have room for `stringlen` + 1 bytes; it is written
 * (text and NUL) only when the whole text has at most `stringlen` characters,
 * else the result is -1. Milliseconds are rounded to the nearest, those of
 * the inaccuracy up; an infinite inaccuracy shows as "I-----".
 * zel_utc_ascgmtime, UTC:        "2026-12-05-00:25:31.123I-----"
 * zel_utc_ascanytime, own zone:  "2026-12-05-01:25:31.123+01:00I0.005"
 * zel_utc_asclocaltime: the local zone in force at that time (see
 * zel_utc_localzone), shown as zel_utc_ascanytime shows it. */
ZEL_EXPORT int zel_utc_ascgmtime(char *cp, size_t stringlen, const zel_utc_t *utc);
ZEL_EXPORT int zel_utc_ascanytime(char *cp, size_t stringlen, const zel_utc_t *utc);
ZEL_EXPORT int zel_utc_asclocaltime(char *cp, size_t stringlen, const zel_utc_t *utc);

/* The local zone in force at `utc` (null: now): its abbreviation (copied with
 * strncpy into `tzname`, so not terminated when it has `tzlen` or more
 * characters; nothing copied when `tzname` is null or `tzlen` 0), its offset
 * in seconds east of UTC and its daylight-saving flag. The zone comes from
 * `TZ` (a zone file name, optionally after ":", a path, or a POSIX rule such
 * as "EST5EDT,M3.2.0,M11.1.0"), or from /etc/localtime when `TZ` is unset; it
 * is read again only when `TZ` changes. Times outside the signed 32-bit range
 * of POSIX time get the zone's standard time. Safe from any thread. -1 only
 * for a value that cannot be read. */
ZEL_EXPORT int zel_utc_localzone(char *tzname, size_t tzlen, long *tdf, int *isdst,
                                 const zel_utc_t *utc);

ZEL_END_C

#endif
