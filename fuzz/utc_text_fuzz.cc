// Any 16 bytes as a UTC time value: every way of taking it apart, and the
// hand-written digits of the text forms against snprintf.
#include <zel/utc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    setenv("TZ", "AEST-10AEDT,M10.1.0,M4.1.0/3", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 16) return 0;
    zel_utc_t v;
    std::memcpy(v.bytes, data, 16);
    struct timespec ts, its;
    long tdf, ns, ins;
    struct tm tm, itm;
    char text[100], want[100];
    zel_utc_bintime(&ts, &its, &tdf, &v);
    zel_utc_gmtime(&tm, &ns, &itm, &ins, &v);
    zel_utc_asclocaltime(text, sizeof text - 1, &v);
    zel_utc_ascgmtime(text, sizeof text - 1, &v);
    zel_utc_localzone(text, 3, &tdf, nullptr, &v);
    zel_utc_t copy;
    utc_settdf(&copy, &v, static_cast<long>(data[0]) * 997 - 120000);
    if (zel_utc_ascanytime(text, sizeof text - 1, &v) != 0) {
        if (zel_utc_anytime(&tm, &ns, &itm, &ins, &tdf, &v) == 0) std::abort();
        return 0;
    }
    if (zel_utc_anytime(&tm, &ns, &itm, &ins, &tdf, &v) != 0) std::abort();
    if (ns >= 999500000) return 0;  // carried into the seconds: checked by the tests
    long mag = tdf < 0 ? -tdf : tdf;
    int n = std::snprintf(want, sizeof want, "%04d-%02d-%02d-%02d:%02d:%02d.%03d%s%02d:%02d",
                          tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec, static_cast<int>((ns + 500000) / 1000000),
                          tdf < 0 ? "-" : "+", static_cast<int>(mag / 3600),
                          static_cast<int>(mag % 3600 / 60));
    if (ins < 0) {
        std::snprintf(want + n, sizeof want - n, "I-----");
    } else {
        long s = itm.tm_yday * 86400L + itm.tm_hour * 3600 + itm.tm_min * 60 + itm.tm_sec;
        long ms = (ins + 999999) / 1000000;
        std::snprintf(want + n, sizeof want - n, "I%01ld.%03ld", s + ms / 1000, ms % 1000);
    }
    if (std::strcmp(text, want) != 0) std::abort();
    return 0;
}
