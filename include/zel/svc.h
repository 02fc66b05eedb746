/* Serviceability: components and their sub-component tables, the attribute
 * word, the message and trace entry points, and routing and debug levels.
 * The core's tables, route layouts and lock are in <zel/svc_internal.h>. */
#ifndef ZEL_SVC_H
#define ZEL_SVC_H

#include <pthread.h>
#include <stdarg.h>

#include <zel/base.h>
#include <zel/utc.h>

ZEL_BEGIN_C

/* The attribute word passed with every message and trace. */
#define ZEL_SVC_ATTR_LEVEL_MASK 0x0000000Fu /* debug level 1..9; 0 for a message */
#define ZEL_SVC_ATTR_SEV_MASK 0x000001F0u   /* severity code; index = (word & mask) >> 4 */
#define ZEL_SVC_SEV_FATAL 0x00000010u
#define ZEL_SVC_SEV_ERROR 0x00000020u
#define ZEL_SVC_SEV_WARNING 0x00000030u
#define ZEL_SVC_SEV_NOTICE 0x00000040u
#define ZEL_SVC_SEV_NOTICE_VERBOSE 0x00000050u
#define ZEL_SVC_ATTR_ABORT 0x00001000u        /* abort after all writes */
#define ZEL_SVC_ATTR_EXIT_FAILURE 0x00002000u /* exit(1) after all writes */
#define ZEL_SVC_ATTR_EXIT_SUCCESS 0x00004000u /* exit(0) after all writes */
#define ZEL_SVC_ATTR_NO_PREFIX 0x00008000u    /* text without the record prefix */
#define ZEL_SVC_ATTR_ALSO_STDERR 0x00010000u  /* one more copy on standard error */
#define ZEL_SVC_ATTR_NO_ROUTING 0x00020000u   /* skip the routes and message save */

/* One sub-component of a component; a table ends with a row whose name is null. */
typedef struct {
    const char *name;
    const char *description;      /* may be replaced by the catalog's translation */
    unsigned32 description_msgid; /* status code of the description; 0 for none */
    unsigned32 level;             /* low 4 bits: current debug level 0..9 */
} zel_svc_subcomp;

/* An ordered list of routes: a severity's or a component's destinations.
 * Its layout is the library's own; a program leaves it zero in a handle. */
typedef struct zel_svc_route_t zel_svc_route_t;
typedef struct {
    int count;
    int capacity;
    zel_svc_route_t **routes;
} zel_svc_routes_t;

/* The header of a record, built once per message or trace and shared by
 * every destination of that call. A filter may read every field but `built`
 * and `xml`, and changes none. */
typedef struct zel_svc_prolog zel_svc_prolog;
struct zel_svc_prolog {
    struct zel_svc_handle_s *handle; /* the component; null until built */
    int built;                       /* 1 once filled */
    zel_utc_t time;                  /* when the header was built */
    const char *argtypes;            /* the caller's argument types; "?" for traces */
    unsigned32 table_index;          /* row of the sub-component */
    unsigned32 attributes;           /* attribute word; the bare level for traces */
    unsigned32 msgid;                /* status code of the message; 0 for traces */
    char *format;                    /* message text (owned by the call) or trace format */
    const char *file;                /* source file: the part after the last '/' for messages */
    char procname[32];               /* program name, or "PID#" and the process id */
    int line;                        /* source line; 0 when the caller gave no file */
    pthread_t thread;                /* the calling thread */
    unsigned char xml;               /* set while a destination of XML form is written */
};

/* Decides whether a message is written; false drops it. Runs with the
 * serviceability mutex held and must not call back into serviceability. */
typedef int (*zel_svc_filter_fn)(zel_svc_prolog *header, va_list args);

/* A registered component. A program may also supply its own handle, zero
 * but for component_name and table, and may set the filter of a handle it
 * owns; the other fields are the library's. */
typedef struct zel_svc_handle_s {
    char *component_name;
    zel_svc_subcomp *table;
    unsigned char debug_filled;
    unsigned char translated;
    unsigned char allocated;
    unsigned char in_table;
    zel_svc_routes_t debug_routes;
    zel_svc_filter_fn filter;
    void *reserved; /* zero */
} zel_svc_handle;

/* Notified, with the serviceability mutex held, of each component registered
 * or unregistered after the callbacks were added. */
typedef void (*zel_svc_register_fn)(const char *component, zel_svc_subcomp *table);
/* Notified when a sub-component's debug level is set. */
typedef void (*zel_svc_level_fn)(const char *component, const char *subcomp, unsigned32 desc_msgid,
                                 unsigned32 level);

/* Registers the three compiled components unless registered; a program
 * passes flag 0. */
ZEL_EXPORT void zel_svc_init(int flag, unsigned32 *status);
/* Registers a component: a new handle (freed by zel_svc_unregister), or null
 * with status ZEL_S_SVC_NO_MEMORY. The table is referenced, not copied. */
ZEL_EXPORT zel_svc_handle *zel_svc_register(zel_svc_subcomp *table, const char *component,
                                            unsigned32 *status);
/* Closes the component's trace routes and removes it from the component
 * table; frees the handle when registration allocated it. */
ZEL_EXPORT void zel_svc_unregister(zel_svc_handle *handle, unsigned32 *status);
/* Adds or removes a callback triple; removal of an unknown triple:
 * ZEL_S_SVC_CALLBACKS_NOT_REGISTERED. */
ZEL_EXPORT void zel_svc_register_callbacks(zel_svc_register_fn on_register,
                                           zel_svc_register_fn on_unregister,
                                           zel_svc_level_fn on_level, unsigned32 *status);
ZEL_EXPORT void zel_svc_unregister_callbacks(zel_svc_register_fn on_register,
                                             zel_svc_register_fn on_unregister,
                                             zel_svc_level_fn on_level, unsigned32 *status);
/* Sets the routes of one or all severities: "SEVERITY:route-list", where the
 * key selects the first severity whose name begins with it ("WARN": WARNING,
 * "": FATAL) and "*" selects all five. The text is remembered and takes
 * precedence over SVC_<SEVERITY>. Routes that cannot be used fall back to
 * standard error. Status 0, ZEL_S_SVC_BAD_ROUTE_SPEC, ZEL_S_SVC_NO_MEMORY
 * or a dynamic route's status. Takes the serviceability mutex. */
ZEL_EXPORT void zel_svc_routing(const char *text, unsigned32 *status);
/* Debug levels: "component:name.level,..." (name a sub-component or "*",
 * level 0..9). The text is remembered for a component not registered yet.
 * The _nocb forms do not tell the level callbacks. Status 0, ZEL_S_SVC_BAD_ROUTE_SPEC
 * (items before the bad one stay applied) or ZEL_S_SVC_NO_MEMORY. */
ZEL_EXPORT void zel_svc_debug_set_levels(const char *text, unsigned32 *status);
ZEL_EXPORT void zel_svc_debug_set_levels_nocb(const char *text, unsigned32 *status);
/* Levels and trace routes: "component:levels:route-list". An empty route
 * list keeps the component's routes; unusable routes discard. */
ZEL_EXPORT void zel_svc_debug_routing(const char *text, unsigned32 *status);
ZEL_EXPORT void zel_svc_debug_routing_nocb(const char *text, unsigned32 *status);
/* Releases the core state; nothing may use serviceability afterwards. */
ZEL_EXPORT void zel_svc_shutdown(void);
/* Sets the program name once (at most 31 bytes); later calls change nothing. */
ZEL_EXPORT void zel_svc_set_progname(const char *name, unsigned32 *status);
ZEL_EXPORT const char *zel_svc_get_progname(void);
/* Name of the severity or trace level of an attribute word. */
ZEL_EXPORT const char *zel_svc_inq_sev_name(unsigned32 attribute);

/* Writes a numbered message of a component through the routes of its
 * severity; argtypes describes the arguments ("%s%d"). Never fails visibly. */
ZEL_EXPORT void zel_svc_printf_withfile(zel_svc_handle *handle, const char *file, int line,
                                        const char *argtypes, unsigned32 index,
                                        unsigned32 attributes, unsigned32 msgid, ...);
ZEL_EXPORT void zel_svc_vprintf_withfile(zel_svc_handle *handle, const char *file, int line,
                                         const char *argtypes, unsigned32 index,
                                         unsigned32 attributes, unsigned32 msgid, va_list args);
/* As zel_svc_printf_withfile; cs non-zero says the message text and the
 * arguments are UTF-8, zero that they are in the local code page. */
ZEL_EXPORT void zel_svc_printf_cs_withfile(zel_svc_handle *handle, int cs, const char *file,
                                           int line, const char *argtypes, unsigned32 index,
                                           unsigned32 attributes, unsigned32 msgid, ...);
ZEL_EXPORT void zel_svc_vprintf_cs_withfile(zel_svc_handle *handle, int cs, const char *file,
                                            int line, const char *argtypes, unsigned32 index,
                                            unsigned32 attributes, unsigned32 msgid, va_list args);

/* Debug traces: written through the component's debug routes when the
 * sub-component's level is at least `level` (1..9). format is a printf
 * format in the local code page (the _utf8 forms: UTF-8). The forms without
 * a file show "?" and line 0 as the source. */
ZEL_EXPORT void zel_svc__debug(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                               const char *format, ...);
ZEL_EXPORT void zel_svc__vdebug(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                const char *format, va_list args);
ZEL_EXPORT void zel_svc__debug_withfile(zel_svc_handle *handle, const char *file, int line,
                                        unsigned32 index, unsigned32 level, const char *format,
                                        ...);
ZEL_EXPORT void zel_svc__debug_utf8(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                    const char *format, ...);
ZEL_EXPORT void zel_svc__debug_utf8_withfile(zel_svc_handle *handle, const char *file, int line,
                                             unsigned32 index, unsigned32 level, const char *format,
                                             ...);

/* Dynamic routes: a program's own destination, named by a keyword that route
 * specifications use ("MYROUTE:parameter"). open is called once for each
 * route naming it and sets *accepted non-zero to take the route (and may set
 * *route_data); print receives each record's header, whose format field and
 * args give the text; close is called when a route is closed, and once with
 * null route data when the dynamic route is removed while routes use it. The
 * callbacks run with the serviceability mutex held and must not print
 * through serviceability. data is passed to every callback. */
typedef void (*zel_svc_dyn_open_fn)(const char *name, const char *parameter, void *data,
                                    void **route_data, int *accepted);
typedef void (*zel_svc_dyn_print_fn)(void *data, void *route_data, zel_svc_prolog *header,
                                     va_list args);
typedef void (*zel_svc_dyn_close_fn)(const char *name, void *data, void *route_data,
                                     unsigned32 *status);
/* Registers a dynamic route and connects the routes that already name it. A
 * name registered before keeps its first callbacks. Status 0,
 * ZEL_S_SVC_NO_MEMORY or ZEL_S_SVC_LOCK_FAILED. */
ZEL_EXPORT void zel_svc_add_route(const char *name, void *data, zel_svc_dyn_open_fn open,
                                  zel_svc_dyn_print_fn print, zel_svc_dyn_close_fn close,
                                  unsigned32 *status);
/* Unregisters a dynamic route: returns once no callback of it runs any more;
 * the routes that used it fall back (severities: standard error, components:
 * discard). Status 0, ZEL_S_SVC_BAD_ROUTE_SPEC for an unknown name, or
 * ZEL_S_SVC_LOCK_FAILED. */
ZEL_EXPORT void zel_svc_remove_route(const char *name, unsigned32 *status);
/* Registers the dynamic route `name` that forwards each record to the system
 * log. Its route parameter is "FACILITY[,SOCKET]": LOCAL0..LOCAL7, USER or
 * DAEMON (upper case, as route keywords are), and optionally the absolute
 * path of the log daemon's socket (default /dev/log); a route with any other
 * parameter is refused and stays at its fallback. A record that the socket
 * cannot take at once is lost, never waited for: the first loss of each
 * cause is told on standard error, and their count goes to the log with the
 * next record sent. Status as zel_svc_add_route. */
ZEL_EXPORT void zel_svc_add_syslog_route(const char *name, unsigned32 *status);

/* Message save, per thread: start keeps back (mode 0) or also saves (mode 1)
 * the messages of the severities in mask (bits of zel_svc_g_attrmask_table; 0:
 * all); reserved must be 0. Returns 0, ZEL_S_SVC_SAVE_BAD_ARGUMENTS or
 * ZEL_S_MSG_NO_MEMORY. stop ends saving (clear non-zero also
 * drops the saved messages); clear drops them; print writes them through the
 * routes again, in order. which must be -1 (the calling thread); any other
 * value does nothing. Traces and messages with a debug level or
 * ZEL_SVC_ATTR_NO_ROUTING are never saved. The saved messages die with the
 * thread. */
ZEL_EXPORT unsigned32 zel_svc_msgsave_start(unsigned32 mask, unsigned32 mode, int reserved);
ZEL_EXPORT void zel_svc_msgsave_stop(unsigned char clear);
ZEL_EXPORT void zel_svc_msgsave_clear(int which);
ZEL_EXPORT void zel_svc_msgsave_print(int which);

/* Raises an assertion failure: a FATAL record naming the expression, file
 * and line through the component's routes (handle null: the "dce"
 * component), then abort(). Does not return. */
ZEL_EXPORT void zel___assert(zel_svc_handle *handle, const char *expression, const char *file,
                             int line);

ZEL_END_C

#endif
