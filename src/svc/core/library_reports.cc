// The writer of the message layer's failure reports: an ERROR record of the
// library's own component qpc, through its routes. Installed when qpc is
// registered.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <cstdio>

#include "msg/failure_report.h"
#include "svc/core/core_state.h"

namespace zel {

void write_failure_record(unsigned32 code, const char *file, int line, const char *routine,
                          int value) {
    // While this thread holds the serviceability mutex (reading its routes),
    // no record can be written: the text goes plainly to standard error
    // instead of being lost.
    if (!zelmox_client_svc_handle || svc_locked_by_this_thread()) {
        write_failure_text(code, routine, value);
        return;
    }
    if (routine) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, file, line, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                                code, routine, value);
    } else {
        zel_svc_printf_withfile(zelmox_client_svc_handle, file, line, "", 0, ZEL_SVC_SEV_ERROR,
                                code);
    }
}

}  // namespace zel
