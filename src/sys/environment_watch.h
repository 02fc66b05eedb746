// Environment variables that the record path reads on every record (the
// time zone, the catalog search path, the catalog diagnostics switch).
#ifndef ZEL_SRC_SYS_ENVIRONMENT_WATCH_H
#define ZEL_SRC_SYS_ENVIRONMENT_WATCH_H

namespace zel {

// What getenv(name) gives. While the environment's array holds the same
// entries as at the last call, a name asked for before is answered without
// scanning the environment; any setenv, putenv or unsetenv changes the array
// and starts a new scan.
const char *watched_getenv(const char *name);

}  // namespace zel

#endif
