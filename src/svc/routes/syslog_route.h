// The system-log route: the line a record becomes for the local log daemon,
// and the callbacks that zel_svc_add_syslog_route registers.
#ifndef ZEL_SRC_SVC_ROUTES_SYSLOG_ROUTE_H
#define ZEL_SRC_SVC_ROUTES_SYSLOG_ROUTE_H

#include <zel/svc_internal.h>

#include <stdarg.h>
#include <stddef.h>

namespace zel {

// The most bytes one record sends: it fits the message size that log daemons
// accept by default (8 KiB), so none of them cuts a character in two.
constexpr size_t kSyslogLineMax = 8000;

// The syslog severity of a record: traces and messages with a debug level are
// LOG_DEBUG, messages that of their severity.
int syslog_severity(const zel_svc_prolog *header);

// Builds "<PRI>Mmm dd hh:mm:ss TAG[PID]: COMPONENT SUBCOMP MSGID: TEXT" into
// line (kSyslogLineMax bytes, not terminated) and returns its length; PRI is
// priority, facility and severity together. The message id is taken off the
// front of the text; a message whose text has none shows its status code, a
// trace none; a header without a handle gives the bare text. Control
// characters become "#ooo" and a long text is cut after its last whole UTF-8
// character.
size_t syslog_line(char *line, const zel_svc_prolog *header, int priority, const char *text);

// The callbacks of a system-log route; data is the registration's own record.
void syslog_open(const char *name, const char *parameter, void *data, void **route_data,
                 int *accepted);
void syslog_print(void *data, void *route_data, zel_svc_prolog *header, va_list args);
void syslog_close(const char *name, void *data, void *route_data, unsigned32 *status);
// A record for zel_svc_add_syslog_route to pass as its data (null: no memory).
void *new_syslog_owner();

}  // namespace zel

#endif
