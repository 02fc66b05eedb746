// The zone text form of a value taken apart by zel_utc_anytime, made with
// snprintf: what the library's hand-written digits must match.
#ifndef ZEL_TESTS_TIME_UTC_TEXT_ORACLE_H
#define ZEL_TESTS_TIME_UTC_TEXT_ORACLE_H

#include <cstddef>
#include <cstdio>
#include <ctime>

inline void utc_text_oracle(char *want, size_t size, const struct tm &tm, long ns, const struct tm &itm, long ins,
                            long tdf) {
    long mag = tdf < 0 ? -tdf : tdf;
    int n = std::snprintf(want, size, "%04d-%02d-%02d-%02d:%02d:%02d.%03d%s%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                          tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>((ns + 500000) / 1000000),
                          tdf < 0 ? "-" : "+", static_cast<int>(mag / 3600), static_cast<int>(mag % 3600 / 60));
    if (n < 0 || static_cast<size_t>(n) >= size) return;
    long s = itm.tm_yday * 86400L + itm.tm_hour * 3600 + itm.tm_min * 60 + itm.tm_sec;
    long ms = (ins + 999999) / 1000000;
    if (ins < 0) {
        std::snprintf(want + n, size - n, "I-----");
    } else {
        std::snprintf(want + n, size - n, "I%01ld.%03ld", s + ms / 1000, ms % 1000);
    }
}

#endif
