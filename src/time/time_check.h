// The one place where a broken caller contract of the time functions stops
// the process.
#ifndef ZEL_TIME_TIME_CHECK_H
#define ZEL_TIME_TIME_CHECK_H

namespace zel {

// Reports the failed expression with its source and line, then aborts.
[[noreturn]] void time_check_failed(const char *expr, const char *file, int line);

}  // namespace zel

#endif
