// The process-wide local zone, chosen from the text of TZ under one lock. The
// zones met before are kept by their TZ text, so that switching back to one
// does not read or parse it again.
#ifndef ZEL_TIME_ZONE_CHOICE_H
#define ZEL_TIME_ZONE_CHOICE_H

#include <cstdint>

#include "time/zone_state.h"

namespace zel {

struct LocalZone {
    const ZoneState *state;
    int *hint;  // the transition found last in this zone
};

void lock_zone();
void unlock_zone();

// With the lock held: the zone for the TZ text `tz` (null when TZ is unset).
LocalZone choose_zone(const char *tz);

// Changes whenever another zone is chosen or one is built again; may be read
// without the lock, so that a thread can tell that what it kept still holds.
uint64_t zone_generation();

}  // namespace zel

#endif
