// Choosing the local zone from TZ: the chosen zone stands while the text of
// TZ stays the same; a text met before takes its kept zone again when that is
// still what building it would give, else the zone is built anew.
#include "time/zone_choice.h"

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zel {

namespace {

constexpr char kGmt[] = "GMT";
constexpr int kKeptZones = 4;

struct KeptZone {
    // How the zone was built tells what may change it: a file may be replaced,
    // a rule string cannot change. Others are built again whenever chosen.
    enum Source { kFile, kRules, kOther };
    char *tz = nullptr;  // the TZ text; null for the zone used when TZ is unset
    Source source = kOther;
    FileId file{};
    int hint = 0;
    unsigned long last_used = 0;
    ZoneState state;
};

pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t g_fork_once = PTHREAD_ONCE_INIT;
KeptZone *g_kept[kKeptZones];
// Used when memory for a kept zone runs out; it matches no text, so it is
// built again at every call.
KeptZone g_spare;
KeptZone *g_current = nullptr;
unsigned long g_uses = 0;
std::atomic<uint64_t> g_generation{1};

void next_generation() {
    g_generation.store(g_generation.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

// A child forked while another thread held the lock gets a fresh lock and
// drops the kept zones, not freed, as they may have been mid-update. The lock
// is not taken before the fork: a thread writing a record holds the
// serviceability mutex and then asks for local time, so taking this lock
// first in the fork would invert that order. Either way the child chooses its
// zone again at its next call.
void reset_in_child() {
    if (pthread_mutex_trylock(&g_lock) == 0) {
        pthread_mutex_unlock(&g_lock);
    } else {
        pthread_mutex_init(&g_lock, nullptr);
        for (KeptZone *&zone : g_kept) zone = nullptr;
    }
    g_current = nullptr;
    next_generation();
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

// A name that tzload would look for outside the system's zone folder, where
// a file may appear later.
bool may_name_other_file(const char *tz) { return tz[0] == '/' || std::strstr(tz, ".."); }

// Each step may leave the state partly overwritten; the next one fills it
// again, and the last one (the name itself at UTC) cannot fail.
KeptZone::Source build_from_tz(const char *tz, ZoneState *sp, FileId *file) {
    bool used_file = false;
    if (*tz == '\0') {
        set_gmt(sp);
        return KeptZone::kRules;
    }
    if (tzload(tz, sp, file) == 0) return KeptZone::kFile;
    if (tz[0] != ':' && tzparse(tz, false, sp, &used_file) == 0) {
        return used_file || may_name_other_file(tz) ? KeptZone::kOther : KeptZone::kRules;
    }
    if (tzparse(tz, true, sp) != 0) set_gmt(sp);
    return KeptZone::kOther;
}

KeptZone::Source build_default(ZoneState *sp, FileId *file) {
    if (tzload(nullptr, sp, file) == 0) return KeptZone::kFile;
    if (tzload(kGmt, sp) != 0 && tzparse(kGmt, true, sp) != 0) set_gmt(sp);
    return KeptZone::kOther;
}

void build(KeptZone *zone, const char *tz) {
    // Loading reads files, which are cancellation points; the lock is held.
    int cancel_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    zone->source = tz ? build_from_tz(tz, &zone->state, &zone->file)
                      : build_default(&zone->state, &zone->file);
    zone->hint = 0;
    pthread_setcancelstate(cancel_state, nullptr);
}

bool same_text(const KeptZone &zone, const char *tz) {
    return tz ? zone.tz && std::strcmp(zone.tz, tz) == 0 : !zone.tz;
}

bool still_valid(const KeptZone &zone) {
    if (zone.source == KeptZone::kRules) return true;
    if (zone.source == KeptZone::kOther) return false;
    FileId now;
    int cancel_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    bool same = zone_file_id(zone.tz, &now) == 0 && now == zone.file;
    pthread_setcancelstate(cancel_state, nullptr);
    return same;
}

KeptZone *find(const char *tz) {
    for (KeptZone *zone : g_kept) {
        if (zone && same_text(*zone, tz)) return zone;
    }
    return nullptr;
}

// A place for a zone not kept yet: a free one, or the one used longest ago.
KeptZone *make_room(const char *tz) {
    KeptZone **slot = &g_kept[0];
    for (KeptZone *&zone : g_kept) {
        if (!zone || (*slot && zone->last_used < (*slot)->last_used)) slot = &zone;
        if (!zone) break;
    }
    char *copy = tz ? strdup(tz) : nullptr;
    auto *fresh = new (std::nothrow) KeptZone;
    if ((tz && !copy) || !fresh) {
        std::free(copy);
        delete fresh;
        return &g_spare;
    }
    fresh->tz = copy;
    if (*slot) {
        std::free((*slot)->tz);
        delete *slot;
    }
    *slot = fresh;
    return fresh;
}

}  // namespace

void lock_zone() {
    pthread_once(&g_fork_once, register_fork_handlers);
    pthread_mutex_lock(&g_lock);
}

void unlock_zone() { pthread_mutex_unlock(&g_lock); }

LocalZone choose_zone(const char *tz) {
    if (!g_current || g_current == &g_spare || !same_text(*g_current, tz)) {
        KeptZone *zone = find(tz);
        if (!zone || !still_valid(*zone)) {
            if (!zone) zone = make_room(tz);
            build(zone, tz);
        }
        zone->last_used = ++g_uses;
        g_current = zone;
        next_generation();
    }
    return LocalZone{&g_current->state, &g_current->hint};
}

uint64_t zone_generation() { return g_generation.load(std::memory_order_acquire); }

}  // namespace zel
