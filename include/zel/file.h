/* Installation paths and file helpers. */
#ifndef ZEL_FILE_H
#define ZEL_FILE_H

#include <zel/base.h>

ZEL_BEGIN_C

/* Installation directories, each ending in "/": 0 root, 1 programs,
 * 2 configuration, 3 none (null), 4 administrative programs, 5 libraries,
 * 6 message catalogs, 7 internationalization data, 8 log files, 9 second
 * root. Null for an index outside 0..9. */
ZEL_EXPORT const char *zel_get_path(int index);
/* Once-only initialisation hook of the path table; does nothing. */
ZEL_EXPORT void zel_path_initialize(void);

ZEL_END_C

#endif
