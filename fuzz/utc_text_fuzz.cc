// Any 16 bytes as a UTC time value: every way of taking it apart, and the
// hand-written digits of the text forms against snprintf.
#include <zel/utc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "time/utc_text_oracle.h"

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
    // The local text, kept per thread, is the value re-stamped with the local offset.
    char any[100];
    if (zel_utc_localzone(nullptr, 0, &tdf, nullptr, &v) == 0 && utc_settdf(&copy, &v, tdf) == 0 &&
        (zel_utc_asclocaltime(text, sizeof text - 1, &v) != 0 ||
         zel_utc_ascanytime(any, sizeof any - 1, &copy) != 0 || std::strcmp(text, any) != 0)) {
        std::abort();
    }
    utc_settdf(&copy, &v, static_cast<long>(data[0]) * 997 - 120000);
    if (zel_utc_ascanytime(text, sizeof text - 1, &v) != 0) {
        if (zel_utc_anytime(&tm, &ns, &itm, &ins, &tdf, &v) == 0) std::abort();
        return 0;
    }
    if (zel_utc_anytime(&tm, &ns, &itm, &ins, &tdf, &v) != 0) std::abort();
    if (ns >= 999500000) return 0;  // carried into the seconds: checked by the tests
    utc_text_oracle(want, sizeof want, tm, ns, itm, ins, tdf);
    if (std::strcmp(text, want) != 0) std::abort();
    return 0;
}
