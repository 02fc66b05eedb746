// Reports a failed system routine of the message layer's start-up. Until the
// serviceability entry points write it, the text goes plainly to standard error.
#include "msg/system_failure.h"

#include <zel/msg.h>

#include <cstdio>

#include "msg/status_codes.h"

namespace zel {

void report_system_routine_failure(const char *routine, int value, int /*line*/) {
    unsigned32 status;
    const char *format = zel_msg_get_default_msg(kQpcSystemRoutineFailed, &status);
    if (!format) return;
    std::fprintf(stderr, format, routine, value);
    std::fputc('\n', stderr);
}

}  // namespace zel
