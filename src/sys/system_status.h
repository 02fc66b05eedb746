// The status code of the client component that stands for a system error
// number. Numbers without a code of their own are written as a message first.
#ifndef ZEL_SRC_SYS_SYSTEM_STATUS_H
#define ZEL_SRC_SYS_SYSTEM_STATUS_H

#include <zel/base.h>

// 0 for 0; ENOENT, ENOMEM/ENOSPC, EACCES and ENOTDIR/EINVAL have their own
// codes; any other number is written as KVXSC0156E and gives
// ZEL_S_SYSTEM_ROUTINE_FAILED. Internal to the library.
extern "C" unsigned32 zel_sys_status(int error);

namespace zel {

// The status of errno after a call that failed; a failure that left errno 0
// counts as an input/output error, so that it is never taken for success.
unsigned32 errno_status();

}  // namespace zel

#endif
