// What TZ read when a thread last looked: which scan of the thread's
// environment watch it came from, and a copy of its text, as a string
// handed to putenv may be rewritten in place.
#ifndef ZEL_TIME_TZ_WATCH_H
#define ZEL_TIME_TZ_WATCH_H

#include <cstddef>

namespace zel {

struct TzWatch {
    // A longer TZ is read in full at each call.
    static constexpr size_t kMaxValue = 256;

    unsigned long scans = 0;  // the environment watch's scan it was read at
    bool kept = false;        // value holds the text TZ had (or TZ was unset)
    bool set = false;         // TZ was set
    char value[kMaxValue];    // its text when set
};

// Reads TZ as getenv does and records it in `watch`.
const char *watch_tz(TzWatch *watch);

// True when TZ still reads as `watch` recorded; false also means "look again".
bool tz_unchanged(const TzWatch &watch);

}  // namespace zel

#endif
