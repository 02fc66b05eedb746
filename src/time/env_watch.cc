// Watching TZ in the environment: the entries up to TZ are remembered by
// pointer, since setenv, unsetenv and putenv replace or move pointers; the text
// of TZ is compared too, as a string given to putenv may be rewritten in place.
#include "time/env_watch.h"

#include <unistd.h>

#include <cstring>

namespace zel {

namespace {

bool is_tz(const char *entry) { return entry[0] == 'T' && entry[1] == 'Z' && entry[2] == '='; }

}  // namespace

const char *watch_tz(EnvWatch *watch) {
    watch->count = -1;
    char **env = environ;
    if (!env) return nullptr;
    int i = 0;
    while (env[i] && !is_tz(env[i])) ++i;
    const char *tz = env[i] ? env[i] + 3 : nullptr;
    if (i <= EnvWatch::kMaxEntries && (!tz || std::strlen(tz) < EnvWatch::kMaxValue)) {
        std::memcpy(watch->entries, env, static_cast<size_t>(i) * sizeof *env);
        watch->tz_entry = env[i];
        if (tz) std::strcpy(watch->value, tz);
        watch->count = i;
    }
    return tz;
}

bool tz_unchanged(const EnvWatch &watch) {
    char **env = environ;
    if (watch.count < 0 || !env) return false;
    // Each entry is read only after the one before it was found unchanged, so
    // not beyond the end of an environment that has shrunk; eight to a round.
    const char *const *seen = watch.entries;
    int count = watch.count, i = 0;
    for (; i + 8 <= count; i += 8) {
        if (env[i] != seen[i] || env[i + 1] != seen[i + 1] || env[i + 2] != seen[i + 2] ||
            env[i + 3] != seen[i + 3] || env[i + 4] != seen[i + 4] || env[i + 5] != seen[i + 5] ||
            env[i + 6] != seen[i + 6] || env[i + 7] != seen[i + 7]) {
            return false;
        }
    }
    for (; i < count; ++i) {
        if (env[i] != seen[i]) return false;
    }
    if (env[count] != watch.tz_entry) return false;
    return !watch.tz_entry || std::strcmp(watch.tz_entry + 3, watch.value) == 0;
}

}  // namespace zel
