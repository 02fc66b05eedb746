// Catalogs that could not be opened, remembered for a short while. Without
// them every lookup of a component that has no catalog would search the
// disk again, and the record path would pay several failed opens per record.
#ifndef ZEL_SRC_MSG_CATALOG_MISSES_H
#define ZEL_SRC_MSG_CATALOG_MISSES_H

#include <zel/base.h>

namespace zel {

// The status of a recent failed opening of the catalog of `code` for
// `locale` in cache class `cls` under the current catalog search path, or 0
// when there is none. Runs under the catalog lock.
unsigned32 recent_catalog_miss(int cls, unsigned32 code, const char *locale);

// Remembers a failed opening. Runs under the catalog lock.
void remember_catalog_miss(int cls, unsigned32 code, const char *locale, unsigned32 status);

// The clock of the misses: monotonic seconds.
long catalog_clock_seconds();
// When the miss that the calling thread's last failed catalog lookup found
// or remembered will be forgotten (catalog clock); 0 when none since
// forget_catalog_miss_expiry, or when it was not remembered.
long catalog_miss_expiry();
void forget_catalog_miss_expiry();

}  // namespace zel

#endif
