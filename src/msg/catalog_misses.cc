// Failed catalog openings, kept per cache class for a few seconds and only
// while the catalog search path is unchanged, so that a catalog installed
// later or a new NLSPATH is still found.
#include "msg/catalog_misses.h"

#include <jrnmsg/lyr.h>

#include <time.h>

#include <cstdlib>
#include <cstring>
#include "sys/hot_path.h"

namespace zel {
namespace {

constexpr int kClasses = 4;
constexpr int kMissesPerClass = 8;
constexpr long kRetrySeconds = 5;

struct Miss {
    bool used;
    unsigned32 base;  // the code without its message-number bits
    unsigned32 status;
    long expires;       // monotonic seconds
    char *locale;       // null for the process locale
    char *search_path;  // NLSPATH when the opening failed; null when unset
};

Miss g_misses[kClasses][kMissesPerClass];
int g_next[kClasses];

unsigned32 catalog_base(unsigned32 code) {
    unsigned32 technology = code >> 28;
    return code & (technology == 4 || technology == 5 ? ~0x3FFFu : ~0xFFFu);
}

thread_local long t_miss_expiry = 0;

bool same_text(const char *a, const char *b) {
    return (!a && !b) || (a && b && std::strcmp(a, b) == 0);
}

char *copy_or_null(const char *text) { return text ? strdup(text) : nullptr; }

}  // namespace

ZEL_RECORD_PATH long catalog_clock_seconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<long>(ts.tv_sec);
}

long catalog_miss_expiry() { return t_miss_expiry; }
void forget_catalog_miss_expiry() { t_miss_expiry = 0; }

unsigned32 recent_catalog_miss(int cls, unsigned32 code, const char *locale) {
    unsigned32 base = catalog_base(code);
    for (Miss &miss : g_misses[cls]) {
        if (!miss.used || miss.base != base || !same_text(miss.locale, locale)) continue;
        if (miss.expires > catalog_clock_seconds() &&
            same_text(miss.search_path, lyr_get_nlspath())) {
            t_miss_expiry = miss.expires;
            return miss.status;
        }
        return 0;
    }
    return 0;
}

void remember_catalog_miss(int cls, unsigned32 code, const char *locale, unsigned32 status) {
    unsigned32 base = catalog_base(code);
    Miss *slot = nullptr;
    for (Miss &miss : g_misses[cls]) {
        if (miss.used && miss.base == base && same_text(miss.locale, locale)) slot = &miss;
    }
    if (!slot) {
        slot = &g_misses[cls][g_next[cls]];
        g_next[cls] = (g_next[cls] + 1) % kMissesPerClass;
    }
    char *locale_copy = copy_or_null(locale);
    char *path_copy = copy_or_null(lyr_get_nlspath());
    if ((locale && !locale_copy) || (lyr_get_nlspath() && !path_copy)) {
        std::free(locale_copy);
        std::free(path_copy);
        return;  // nothing remembered: the next lookup searches again
    }
    std::free(slot->locale);
    std::free(slot->search_path);
    *slot = {true, base, status, catalog_clock_seconds() + kRetrySeconds, locale_copy, path_copy};
    t_miss_expiry = slot->expires;
}

}  // namespace zel
