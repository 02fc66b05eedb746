/* Umbrella header: declares the whole C interface of libzel that programs
 * use. The serviceability core's internals are in <zel/svc_internal.h>. */
#ifndef ZEL_ZEL_H
#define ZEL_ZEL_H

#include <zel/base.h>
#include <zel/codec.h>
#include <zel/file.h>
#include <zel/fmt.h>
#include <zel/msg.h>
#include <zel/stanza.h>
#include <zel/startup.h>
#include <zel/status.h>
#include <zel/svc.h>
#include <zel/thread.h>
#include <zel/utc.h>
#include <zel/uuid.h>

#endif
