// The process-wide local zone: chosen from TZ at every call, rebuilt only
// when TZ changes, and looked up for a given time. Its own lock lets any
// thread ask for local time.
#include <pthread.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "time/utc_internal.h"
#include "time/zone_state.h"

namespace zel {

namespace {

constexpr char kGmt[] = "GMT";

pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t g_fork_once = PTHREAD_ONCE_INIT;
ZoneState g_state;
bool g_lcl_is_set = false;
char *g_prev_tz = nullptr;  // the TZ the state was built from; null without TZ
int g_hint = 0;             // the transition found last: stamps mostly ask again

void lock_zone() { pthread_mutex_lock(&g_lock); }
void unlock_zone() { pthread_mutex_unlock(&g_lock); }

// A child forked while another thread held the lock gets a fresh lock and
// builds its zone again. The lock is not taken before the fork: a thread
// writing a record holds the serviceability mutex and then asks for local
// time, so taking this lock first in the fork would invert that order. The
// previous TZ copy is dropped, not freed, as it may have been mid-update.
void reset_in_child() {
    pthread_mutex_init(&g_lock, nullptr);
    g_prev_tz = nullptr;
    g_lcl_is_set = false;
    g_hint = 0;
}
void register_fork_handlers() { pthread_atfork(nullptr, nullptr, reset_in_child); }

void set_gmt(ZoneState *sp) {
    sp->timecnt = 0;
    sp->typecnt = 1;
    sp->ttis[0] = TimeType{0, 0, 0, 0};
    std::memcpy(sp->chars, kGmt, sizeof kGmt);
    sp->chars[sizeof kGmt] = '\0';
    sp->charcnt = sizeof kGmt;
}

// Each step may leave the state partly overwritten; the next one fills it
// again, and the last one (the name itself at UTC) cannot fail.
void build_from_tz(const char *tz) {
    if (*tz == '\0') {
        set_gmt(&g_state);
    } else if (tzload(tz, &g_state) != 0 && (tz[0] == ':' || tzparse(tz, false, &g_state) != 0) &&
               tzparse(tz, true, &g_state) != 0) {
        set_gmt(&g_state);
    }
}

void build_default() {
    if (tzload(nullptr, &g_state) != 0 && tzload(kGmt, &g_state) != 0 &&
        tzparse(kGmt, true, &g_state) != 0) {
        set_gmt(&g_state);
    }
}

// Called with g_lock held. The steady state costs a getenv and a strcmp.
void choose_zone() {
    const char *tz = std::getenv("TZ");
    if (tz) {
        if (g_prev_tz && std::strcmp(g_prev_tz, tz) == 0) return;
    } else if (!g_prev_tz && g_lcl_is_set) {
        return;
    }
    // Loading reads files, which are cancellation points; the lock is held.
    int cancel_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    std::free(g_prev_tz);
    g_prev_tz = nullptr;
    if (tz) {
        g_prev_tz = strdup(tz);
        // Without a copy the state cannot be matched later, so it is rebuilt.
        g_lcl_is_set = g_prev_tz != nullptr;
        build_from_tz(g_prev_tz ? g_prev_tz : tz);
    } else {
        g_lcl_is_set = true;
        build_default();
    }
    g_hint = 0;
    pthread_setcancelstate(cancel_state, nullptr);
}

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

void local_zone_at(int64_t time, char *abbr, size_t abbrlen, long *offset, int *isdst) {
    // Times before the calendar's start count as its first instant.
    if (time < 0) time = 0;
    int64_t seconds = (time - kUnixToUtcTicks) / kTicksPerSecond;
    pthread_once(&g_fork_once, register_fork_handlers);
    lock_zone();
    choose_zone();
    int i = transition_at(g_state, seconds, g_hint);
    if (i >= 0) g_hint = i;
    const TimeType &tt = i >= 0 ? g_state.ttis[g_state.types[i]] : standard_type(g_state);
    if (abbr && abbrlen > 0) std::strncpy(abbr, g_state.chars + tt.abbr, abbrlen);
    if (offset) *offset = tt.offset;
    if (isdst) *isdst = tt.isdst;
    unlock_zone();
}

}  // namespace zel

extern "C" int zel_utc_localzone(char *abbr, size_t abbrlen, long *tdf, int *isdst,
                                 const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    zel::local_zone_at(f.time, abbr, abbrlen, tdf, isdst);
    return 0;
}
