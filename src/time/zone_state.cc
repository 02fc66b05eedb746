// Looking up the local zone for a given time. TZ is read at every call; a
// thread may keep the offset of the last second it asked for, valid while TZ
// reads the same and the process has not chosen or rebuilt a zone since.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "sys/hot_path.h"
#include "time/utc_internal.h"
#include "time/zone_choice.h"
#include "time/zone_state.h"

namespace zel {

namespace {

// The last transition not after `seconds`, or -1 when none applies (no
// transitions, before the first, or outside the 32-bit range of the data).
// `hint` is tried first: successive stamps mostly fall after the same one.
int transition_at(const ZoneState &sp, int64_t seconds, int hint) {
    if (sp.timecnt == 0 || seconds < INT32_MIN || seconds > INT32_MAX || seconds < sp.ats[0]) {
        return -1;
    }
    if (hint >= 0 && hint < sp.timecnt && sp.ats[hint] <= seconds &&
        (hint + 1 == sp.timecnt || seconds < sp.ats[hint + 1])) {
        return hint;
    }
    int lo = 0, hi = sp.timecnt;
    while (hi - lo > 1) {
        int mid = lo + (hi - lo) / 2;
        if (sp.ats[mid] <= seconds) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return lo;
}

// Used where no transition applies: the first type without daylight saving.
const TimeType &standard_type(const ZoneState &sp) {
    for (int i = 0; i < sp.typecnt; ++i) {
        if (!sp.ttis[i].isdst) return sp.ttis[i];
    }
    return sp.ttis[0];
}

}  // namespace

const TimeType &type_at(const ZoneState &sp, int64_t seconds) {
    int i = transition_at(sp, seconds, -1);
    return i >= 0 ? sp.ttis[sp.types[i]] : standard_type(sp);
}

namespace {

// Times before the calendar's start count as its first instant.
int64_t utc_seconds(int64_t time) {
    if (time < 0) time = 0;
    return (time - kUnixToUtcTicks) / kTicksPerSecond;
}

// With the zone lock held.
const TimeType &local_type(const LocalZone &zone, int64_t seconds) {
    int i = transition_at(*zone.state, seconds, *zone.hint);
    if (i >= 0) *zone.hint = i;
    return i >= 0 ? zone.state->ttis[zone.state->types[i]] : standard_type(*zone.state);
}

}  // namespace

void local_zone_at(int64_t time, char *abbr, size_t abbrlen, long *offset, int *isdst) {
    int64_t seconds = utc_seconds(time);
    lock_zone();
    LocalZone zone = choose_zone(std::getenv("TZ"));
    const TimeType &tt = local_type(zone, seconds);
    if (abbr && abbrlen > 0) std::strncpy(abbr, zone.state->chars + tt.abbr, abbrlen);
    if (offset) *offset = tt.offset;
    if (isdst) *isdst = tt.isdst;
    unlock_zone();
}

ZEL_RECORD_PATH long local_offset_at(OffsetMemo *memo_of_thread, int64_t time) {
    int64_t seconds = utc_seconds(time);
    OffsetMemo &memo = *memo_of_thread;
    if (memo.second == seconds && memo.generation == zone_generation() &&
        tz_unchanged(memo.watch)) {
        return memo.offset;
    }
    lock_zone();
    LocalZone zone = choose_zone(watch_tz(&memo.watch));
    memo.offset = local_type(zone, seconds).offset;
    memo.second = seconds;
    memo.generation = zone_generation();
    unlock_zone();
    return memo.offset;
}

}  // namespace zel

extern "C" int zel_utc_localzone(char *abbr, size_t abbrlen, long *tdf, int *isdst,
                                 const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    zel::local_zone_at(f.time, abbr, abbrlen, tdf, isdst);
    return 0;
}
