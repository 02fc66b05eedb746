// Watching TZ: the thread's environment watch tells whether its entry may
// have moved, a comparison whether its text changed in place.
#include "time/tz_watch.h"

#include <cstring>

#include "sys/env_watch.h"
#include "sys/hot_path.h"

namespace zel {

const char *watch_tz(TzWatch *watch) {
    const EnvWatch &env = thread_env();
    const char *tz = env.value(kEnvTz);
    watch->scans = env.scans();
    watch->set = tz != nullptr;
    watch->kept = !tz || std::strlen(tz) < TzWatch::kMaxValue;
    if (tz && watch->kept) std::strcpy(watch->value, tz);
    return tz;
}

ZEL_RECORD_PATH bool tz_unchanged(const TzWatch &watch) {
    const EnvWatch &env = thread_env();
    if (!watch.kept || env.scans() != watch.scans) return false;
    return !watch.set || std::strcmp(env.value(kEnvTz), watch.value) == 0;
}

}  // namespace zel
