// Where TZ stood in the environment when a thread last looked, so that the
// next call can tell by comparing entry pointers, without reading names, that
// TZ cannot have changed since.
#ifndef ZEL_TIME_ENV_WATCH_H
#define ZEL_TIME_ENV_WATCH_H

#include <cstddef>

namespace zel {

struct EnvWatch {
    // Environments larger than this, or a longer TZ, are read in full each time.
    static constexpr int kMaxEntries = 256;
    static constexpr size_t kMaxValue = 256;

    int count = -1;                  // entries before TZ (or before the end); -1: nothing seen
    const char *tz_entry = nullptr;  // the "TZ=..." entry, or null when TZ was unset
    const char *entries[kMaxEntries];
    char value[kMaxValue];  // the text of TZ when it was set
};

// Reads TZ as getenv does and records where it stood in `watch`.
const char *watch_tz(EnvWatch *watch);

// True when TZ still reads as `watch` recorded: no entry before it was added,
// removed or replaced, and its text is the same. False also means "look again".
bool tz_unchanged(const EnvWatch &watch);

}  // namespace zel

#endif
