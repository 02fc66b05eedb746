/* Start-up: what a program calls once to bring up the message layer and
 * serviceability together, and to add its own messages and component. */
#ifndef ZEL_STARTUP_H
#define ZEL_STARTUP_H

#include <zel/base.h>
#include <zel/msg.h>
#include <zel/svc.h>

ZEL_BEGIN_C

/* Start-up, once per program: brings up serviceability, sets the locale from
 * the environment, extends NLSPATH with the installation's message directory,
 * records `ident` as the program name and registers the components qpc, qpd
 * and qpi. useUtf8 chooses UTF-8 (non-zero) or the local code page as the
 * services' default code set. 1 on success or when already done, 0 when
 * serviceability could not be set up. */
ZEL_EXPORT int zelmsg_init(const char *ident, int useUtf8);

/* Adds `count` rows of a message table and registers the component's
 * sub-component table, storing its handle in *handle. */
ZEL_EXPORT void zelmsg_init_catalog(const char *component, zel_svc_subcomp *svc_table,
                                    const zel_msg_row *table, unsigned32 count,
                                    zel_svc_handle **handle, unsigned32 *status);
/* Does nothing: the message layer is never torn down. */
ZEL_EXPORT void zelmsg_shutdown(void);

ZEL_END_C

#endif
