// Checks shared by the zone fuzz targets: a zone state that loading or
// parsing accepted must be safe to look up at any time.
#ifndef ZEL_FUZZ_ZONE_FUZZ_CHECK_H
#define ZEL_FUZZ_ZONE_FUZZ_CHECK_H

#include <cstdlib>
#include <cstring>

#include "time/zone_state.h"

inline void check_zone(const zel::ZoneState &s) {
    if (s.typecnt < 1 || s.typecnt > zel::kMaxTypes || s.timecnt < 0 ||
        s.timecnt > zel::kMaxTimes || s.charcnt < 0 || s.charcnt > zel::kMaxChars ||
        s.chars[s.charcnt] != '\0') {
        std::abort();
    }
    for (int i = 0; i < s.timecnt; ++i) {
        if (s.types[i] >= s.typecnt) std::abort();
    }
    for (int i = 0; i < s.typecnt; ++i) {
        if (s.ttis[i].abbr < 0 || s.ttis[i].abbr > s.charcnt) std::abort();
    }
    const int64_t probes[] = {INT64_MIN,  -2147483649LL, INT32_MIN,    -1,       0,
                              1000000000, INT32_MAX,     4294967296LL, INT64_MAX};
    for (int64_t t : probes) {
        const zel::TimeType &tt = zel::type_at(s, t);
        if (std::strlen(s.chars + tt.abbr) > size_t(s.charcnt)) std::abort();
    }
    for (int i = 0; i < s.timecnt; ++i) zel::type_at(s, s.ats[i]);
}

#endif
