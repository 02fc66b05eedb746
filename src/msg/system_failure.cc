// Reports a failed system routine of the message layer's start-up as an
// ERROR record of the library's own component, through its routes.
#include "msg/system_failure.h"

#include <zel/msg.h>
#include <zel/svc.h>

#include <cstdio>

#include "msg/status_codes.h"
#include "svc/core_state.h"

namespace zel {

void report_system_routine_failure(const char *routine, int value, int line) {
    // Before the component is registered, or while this thread holds the
    // serviceability mutex (reading its routes), no record can be written:
    // the text goes plainly to standard error instead of being lost.
    if (!zelmox_client_svc_handle || svc_locked_by_this_thread()) {
        unsigned32 status;
        const char *format = zel_msg_get_default_msg(kQpcSystemRoutineFailed, &status);
        if (!format) return;
        std::fprintf(stderr, format, routine, value);
        std::fputc('\n', stderr);
        return;
    }
    zel_svc_printf_withfile(zelmox_client_svc_handle, "core/zelmsg", line, "%s%d", 0,
                            ZEL_SVC_SEV_ERROR, kQpcSystemRoutineFailed, routine, value);
}

}  // namespace zel
