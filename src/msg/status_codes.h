// The library's status codes, by name, and the one way a status output is set:
// every status output may be null.
#ifndef ZEL_SRC_MSG_STATUS_CODES_H
#define ZEL_SRC_MSG_STATUS_CODES_H

#include <zel/base.h>
#include <zel/status.h>

namespace zel {

inline void set_status(unsigned32 *status, unsigned32 value) {
    if (status) *status = value;
}

}  // namespace zel

#endif
