// Failures of the message layer (a system routine that failed, memory that
// ran out) as messages of the library's own component. The message layer
// lies below the serviceability core and cannot write records itself: the
// core installs the writer when it registers the library's components, and
// until then the message text goes plainly to standard error.
#ifndef ZEL_SRC_MSG_FAILURE_REPORT_H
#define ZEL_SRC_MSG_FAILURE_REPORT_H

#include <zel/base.h>

namespace zel {

// Writes message `code` of the library's own component with the arguments
// its text takes: none when routine is null, else routine (%s) and value (%d).
// `file` and `line` name where the failure was seen.
using FailureWriter = void (*)(unsigned32 code, const char *file, int line, const char *routine,
                               int value);

// Installs the writer (null: back to standard error).
void set_failure_writer(FailureWriter writer);

// The message text of a failure on standard error, with its arguments.
void write_failure_text(unsigned32 code, const char *routine, int value);

// Reports a failure through the installed writer.
void report_failure(unsigned32 code, const char *file, int line, const char *routine = nullptr,
                    int value = 0);

}  // namespace zel

#endif
