// The catalog cache: four classes of eight open catalogs, each class in
// most-recently-used order. Guarded by the catalog lock.
#ifndef ZEL_SRC_MSG_CATALOG_CACHE_H
#define ZEL_SRC_MSG_CATALOG_CACHE_H

#include <jrnmsg/lyr.h>
#include <nl_types.h>
#include <zel/msg.h>

struct zel_msg_catalog {
    unsigned32 base;  // the code with its message-number bits cleared
    unsigned32 mask;  // the message-number bits: 0xFFF or 0x3FFF
    nl_catd xpg;      // the system's catalog, or (nl_catd)-1
    lyr_cat_t lyr;    // the services' catalog, or null
    char *locale;     // requested locale; null for the process locale
    char *file;       // the file name that was opened
};

namespace zel {

// The catalog of `code` for `locale` (null: the process locale), opened with
// `flags` (0, 8, 10, 12 or 14). Null with a status on failure.
zel_msg_catalog *catalog_open(unsigned32 code, const char *locale, int flags, unsigned32 *status);

// Message `code & mask` of set 1 converted into `cs` (null: unconverted), or
// null when absent. Points into the catalog.
const char *catalog_fetch(zel_msg_catalog *cat, unsigned32 code, lyr_cs_t cs);

}  // namespace zel

#endif
