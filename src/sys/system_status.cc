// Maps system error numbers to status codes of the client component; the
// numbers it has no code for are written as a message naming them.
#include "sys/system_status.h"

#include <zel/status.h>

#include <cerrno>

#include "init/library_message.h"

extern "C" unsigned32 zel_sys_status(int error) {
    switch (error) {
    case 0: return 0;
    case ENOENT: return ZEL_S_DATA_NOT_AVAILABLE;
    case ENOMEM:
    case ENOSPC: return ZEL_S_NO_MEMORY;
    case EACCES: return ZEL_S_ACCESS_DENIED;
    case ENOTDIR:
    case EINVAL: return ZEL_S_SYSTEM_INPUT_INVALID;
    default:
        zel::library_message("core/zel_file", 59, "%s%d", ZEL_S_SYSTEM_ROUTINE_ERROR, "<unknown>",
                             error);
        return ZEL_S_SYSTEM_ROUTINE_FAILED;
    }
}

namespace zel {

unsigned32 errno_status() { return zel_sys_status(errno != 0 ? errno : EIO); }

}  // namespace zel
