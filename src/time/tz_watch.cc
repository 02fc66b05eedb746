// Watching TZ: the environment's entries by pointer, the text by comparison.
#include "time/tz_watch.h"

#include <cstring>

namespace zel {

const char *watch_tz(TzWatch *watch) {
    watch->env.scan();
    const char *tz = watch->env.value(0);
    watch->set = tz != nullptr;
    watch->kept = !tz || std::strlen(tz) < TzWatch::kMaxValue;
    if (tz && watch->kept) std::strcpy(watch->value, tz);
    return tz;
}

bool tz_unchanged(const TzWatch &watch) {
    if (!watch.kept || !watch.env.unchanged()) return false;
    return !watch.set || std::strcmp(watch.env.value(0), watch.value) == 0;
}

}  // namespace zel
