// Taking a UTC time value apart into struct tm fields, in UTC or in the
// value's own zone.
#include <zel/utc.h>

#include "time/utc_internal.h"

extern "C" {

int zel_utc_gmtime(struct tm *timetm, long *tns, struct tm *inacctm, long *ins,
                   const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    zel::split_time(f.time, 0, timetm, tns);
    if (timetm) timetm->tm_isdst = 0;
    zel::split_inacc(f.inacc, inacctm, ins);
    return 0;
}

int zel_utc_anytime(struct tm *timetm, long *tns, struct tm *inacctm, long *ins, long *tdf,
                    const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    zel::split_time(f.time, f.tdf, timetm, tns);
    zel::split_inacc(f.inacc, inacctm, ins);
    if (tdf) *tdf = f.tdf;
    return 0;
}

}  // extern "C"
