/* Serviceability: components and their sub-component tables, the attribute
 * word, and the message and trace entry points. */
#ifndef ZEL_SVC_H
#define ZEL_SVC_H

#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>

#include <jrnmsg/lyr.h>
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

/* zel_svc_init flag for a caller that already holds the serviceability mutex. */
#define ZEL_SVC_REGISTER_UNLOCKED 0x1C0FFEE

/* One sub-component of a component; a table ends with a row whose name is null. */
typedef struct {
    const char *name;
    const char *description;     /* may be replaced by the catalog's translation */
    unsigned32 description_msgid; /* status code of the description; 0 for none */
    unsigned32 level;             /* low 4 bits: current debug level 0..9 */
} zel_svc_subcomp;

/* Route kinds: what a record taking the route becomes. */
#define ZEL_SVC_ROUTE_FILE 2       /* text record in a log file ("FILE", "TEXTFILE") */
#define ZEL_SVC_ROUTE_DISCARD 3    /* nothing */
#define ZEL_SVC_ROUTE_STDOUT 4     /* text record on standard output */
#define ZEL_SVC_ROUTE_STDERR 5     /* text record on standard error */
#define ZEL_SVC_ROUTE_GOESTO 6     /* the routes of another severity or component */
#define ZEL_SVC_ROUTE_DYNAMIC 7    /* handed to a dynamic route of that name */
#define ZEL_SVC_ROUTE_UTF8FILE 8   /* text record in UTF-8 in a log file */
#define ZEL_SVC_ROUTE_XMLFILE 9    /* XML record in a log file */
#define ZEL_SVC_ROUTE_XMLSTDOUT 10 /* XML record on standard output */
#define ZEL_SVC_ROUTE_XMLSTDERR 11 /* XML record on standard error */

/* A log file shared by every route whose expanded file name is the same. */
typedef struct {
    char *name;    /* expanded file name */
    char *pattern; /* the name as written in the specification */
    FILE *stream;  /* null while closed */
    int references;
    int archives;          /* 0..99 */
    int records_per_file;  /* 0: no limit */
    int records_written;
    int mode;              /* permission bits to set on opening; 0: none */
    int uid;               /* owner to set; -1: none */
    int gid;               /* group to set; -1: none */
} zel_svc_fileroute_t;

/* One destination of a route list. */
typedef struct zel_svc_route_t {
    int kind;
    int fallback; /* kind used when the destination cannot be used */
    int open;     /* 1 when ready to write */
    void *target; /* file kinds: zel_svc_fileroute_t; GOESTO: target name; dynamic: its entry */
    void *route_data; /* dynamic kind: what its open callback returned; file
                         kinds: the file kind, kept while at the fallback */
    char *keyword;    /* kept for keywords that are not fixed ones */
    char *parameter;  /* kept with the keyword */
} zel_svc_route_t;

/* An ordered list of routes: a severity's or a component's destinations. */
typedef struct {
    int count;
    int capacity;
    zel_svc_route_t **routes;
} zel_svc_routes_t;

/* The header of a record, built once per message or trace and shared by
 * every destination of that call. */
typedef struct zel_svc_prolog zel_svc_prolog;
struct zel_svc_prolog {
    struct zel_svc_handle_s *handle; /* the component; null until built */
    int built;                /* 1 once filled */
    zel_utc_t time;           /* when the header was built */
    const char *argtypes;     /* the caller's argument types; "?" for traces */
    unsigned32 table_index;   /* row of the sub-component */
    unsigned32 attributes;    /* attribute word; the bare level for traces */
    unsigned32 msgid;         /* status code of the message; 0 for traces */
    char *format;             /* message text (owned by the call) or trace format */
    const char *file;         /* source file: the part after the last '/' for messages */
    char procname[32];        /* program name, or "PID#" and the process id */
    int line;                 /* source line; 0 when the caller gave no file */
    pthread_t thread;         /* the calling thread */
    unsigned char xml;        /* set while a destination of XML form is written */
};

/* Decides whether a message is written; false drops it. Runs with the
 * serviceability mutex held and must not call back into serviceability. */
typedef int (*zel_svc_filter_fn)(zel_svc_prolog *header, va_list args);

/* A registered component. */
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
typedef void (*zel_svc_level_fn)(const char *component, const char *subcomp,
                                 unsigned32 desc_msgid, unsigned32 level);

/* A callback triple, compared member by member on removal. */
typedef struct {
    zel_svc_register_fn on_register;
    zel_svc_register_fn on_unregister;
    zel_svc_level_fn on_level;
} zel_svc_callback;

/* Severity names (index: severity index - 1), trace level names (level - 1),
 * severity attribute words and message-save masks. */
ZEL_EXPORT extern const char *const zel_svc_g_code_table[5];
ZEL_EXPORT extern const char *const zel_svc_g_debug_table[9];
ZEL_EXPORT extern const unsigned32 zel_svc_g_attr_table[5];
ZEL_EXPORT extern const unsigned32 zel_svc_g_attrmask_table[5];

/* The library's own components qpc, qpd and qpi, and their handles (null
 * until registered by zel_svc_init). */
ZEL_EXPORT extern zel_svc_subcomp zelmox_client_svc_table[];
ZEL_EXPORT extern zel_svc_subcomp zelmox_deploy_svc_table[];
ZEL_EXPORT extern zel_svc_subcomp zelmox_if_svc_table[];
ZEL_EXPORT extern zel_svc_handle *zelmox_client_svc_handle;
ZEL_EXPORT extern zel_svc_handle *zelmox_deploy_svc_handle;
ZEL_EXPORT extern zel_svc_handle *zelmox_if_svc_handle;

/* The component table in registration order, and the callback registry. */
ZEL_EXPORT extern zel_svc_handle **zel_svc_g_map;
ZEL_EXPORT extern int zel_svc_g_map_size;
ZEL_EXPORT extern zel_svc_callback *zel_svc_g_callbacks;
ZEL_EXPORT extern int zel_svc_g_n_callbacks;

/* The serviceability mutex: the outer lock of every message and trace. */
ZEL_EXPORT extern pthread_mutex_t zel_svc_g_mutex;
/* Value of SVC_BRIEF: non-zero writes traces without their prefix. */
ZEL_EXPORT extern int zel_svc_g_brief;
/* The program name shown in records; empty until set. */
ZEL_EXPORT extern char zel_svc_g_progname[32];
/* The routes of the five severities, FATAL to NOTICE_VERBOSE. */
ZEL_EXPORT extern zel_svc_routes_t zel_svc_g_routes[5];
/* The shared log-file records, one per expanded file name; never removed. */
ZEL_EXPORT extern zel_svc_fileroute_t **zel_svc_fileroutes;
ZEL_EXPORT extern int zel_svc_g_num_fileroutes;
/* Remembered route and debug specifications, one per key (the text before
 * the first ':'). */
ZEL_EXPORT extern char **zel_svc_g_memory;
ZEL_EXPORT extern int zel_svc_g_memory_size;

/* Registers the three compiled components unless registered. With
 * ZEL_SVC_REGISTER_UNLOCKED the caller holds the serviceability mutex. */
ZEL_EXPORT void zel_svc_init(int flag, unsigned32 *status);
/* Registers a component: a new handle (freed by zel_svc_unregister), or null
 * with status ZEL_S_SVC_NO_MEMORY. The table is referenced, not copied. */
ZEL_EXPORT zel_svc_handle *zel_svc_register(zel_svc_subcomp *table, const char *component,
                                            unsigned32 *status);
/* As zel_svc_register, for a caller that holds the serviceability mutex. */
ZEL_EXPORT zel_svc_handle *zel_svc_register2(zel_svc_subcomp *table, const char *component,
                                             unsigned32 *status);
/* Closes the component's trace routes and removes it from the component
 * table; frees the handle when registration allocated it. */
ZEL_EXPORT void zel_svc_unregister(zel_svc_handle *handle, unsigned32 *status);
/* Puts a handle into the component table once (mutex held). 1 when it is there. */
ZEL_EXPORT int zel_svc__add_to_table(zel_svc_handle *handle, unsigned32 *status);
/* First handle in the component table with this table or name (mutex held). */
ZEL_EXPORT zel_svc_handle *zel_svc__table_to_handle(zel_svc_subcomp *table);
ZEL_EXPORT zel_svc_handle *zel_svc__component_to_handle(const char *component);
/* Adds or removes a callback triple; removal of an unknown triple: ZEL_S_SVC_CALLBACKS_NOT_REGISTERED. */
ZEL_EXPORT void zel_svc_register_callbacks(zel_svc_register_fn on_register,
                                           zel_svc_register_fn on_unregister,
                                           zel_svc_level_fn on_level, unsigned32 *status);
ZEL_EXPORT void zel_svc_unregister_callbacks(zel_svc_register_fn on_register,
                                             zel_svc_register_fn on_unregister,
                                             zel_svc_level_fn on_level, unsigned32 *status);
/* Releases every route of a block, from the last, and leaves it empty. A
 * file closes with its last route. Runs with the serviceability mutex held. */
ZEL_EXPORT void zel_svc__close_routes(zel_svc_routes_t *block);
/* Route look-ups of the printing code, all with the serviceability mutex
 * held: fill a severity's empty block; the routes of a severity or component
 * (null and *count 0 when none); set up a component's debug levels and
 * routes once (1 on success); ready a route just before a record is written
 * to it (opens or rotates its file; the kind changes to its fallback while
 * the file cannot be used, and back once it can). */
ZEL_EXPORT void zel_svc__fillin(unsigned32 attributes, unsigned32 *status);
ZEL_EXPORT zel_svc_route_t **zel_svc__goesto(const char *name, int *count);
ZEL_EXPORT int zel_svc__debug_fillin(zel_svc_handle *handle, unsigned32 *status);
ZEL_EXPORT void zel_svc__check_open(zel_svc_route_t *route);
/* The process id, cached; renewed in a forked child. */
ZEL_EXPORT int zel_svc__get_pid(void);

/* Sets the routes of one or all severities: "SEVERITY:route-list", where the
 * key selects the first severity whose name begins with it ("WARN": WARNING,
 * "": FATAL) and "*" selects all five. The text is remembered and takes
 * precedence over SVC_<SEVERITY>. Routes that cannot be used fall back to
 * standard error. Status 0, ZEL_S_SVC_BAD_ROUTE_SPEC, ZEL_S_SVC_NO_MEMORY
 * or a dynamic route's status. Takes the serviceability mutex. */
ZEL_EXPORT void zel_svc_routing(const char *text, unsigned32 *status);
/* Connect (announce) or disconnect (denounce) every route that names the
 * dynamic route `name`. Take the serviceability mutex; status 0. */
ZEL_EXPORT void zel_svc__routing_announce(const char *name, unsigned32 *status);
ZEL_EXPORT void zel_svc__routing_denounce(const char *name, unsigned32 *status);
/* Moves an existing log file aside as name.1, the older archives shifting up
 * to name.(archives-1) (at least name.1) and the oldest dropped; nothing when
 * archives is 0. Links are moved, never followed. */
ZEL_EXPORT void archiveLogFile(const char *name, int archives);
/* Registers the fork handlers once per process; the handlers take the
 * serviceability mutex and flush every route before fork, release it in the
 * parent, and in the child renew the process id and move text log files whose
 * names hold the process id to the child's own names. */
ZEL_EXPORT void zel_svc__register_fork_handler_once(void);
ZEL_EXPORT void zel_svc__fork_prepare(void);
ZEL_EXPORT void zel_svc__fork_parent(void);
ZEL_EXPORT void zel_svc__fork_child(void);

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
/* Runs a component's debug set-up again (taking the mutex) and returns the
 * level of row `subcomponent`, or 0 when the set-up failed or the row does
 * not exist. */
ZEL_EXPORT unsigned32 zel_svc__debug_fillin2(zel_svc_handle *handle, int subcomponent);

/* Replaces the descriptions of a handle's table by their catalog texts, once. */
ZEL_EXPORT void zel_svc__translate(zel_svc_handle *handle, unsigned32 *status);
/* Closes every route: the severities', then each component's trace routes. */
ZEL_EXPORT void zel_svc__shutdown(void);
/* Releases the core state; nothing may use serviceability afterwards. */
ZEL_EXPORT void zel_svc_shutdown(void);
/* The core's once-only initialisation, and the clean-up that unlocks the mutex. */
ZEL_EXPORT void zel_svc__init_mutex(void);
ZEL_EXPORT void zel_svc__cleanup_mutex(void *unused);
/* A thread identifier as the number records show. */
ZEL_EXPORT unsigned32 zel_svc__mapthreadid(pthread_t *thread);
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
                                            unsigned32 attributes, unsigned32 msgid,
                                            va_list args);

/* Debug traces: written through the component's debug routes when the
 * sub-component's level is at least `level` (1..9). format is a printf
 * format in the local code page (the _utf8 forms: UTF-8). The forms without
 * a file show "?" and line 0 as the source. */
ZEL_EXPORT void zel_svc__debug(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                               const char *format, ...);
ZEL_EXPORT void zel_svc__vdebug(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                const char *format, va_list args);
ZEL_EXPORT void zel_svc__debug_withfile(zel_svc_handle *handle, const char *file, int line,
                                        unsigned32 index, unsigned32 level,
                                        const char *format, ...);
ZEL_EXPORT void zel_svc__debug_utf8(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                    const char *format, ...);
ZEL_EXPORT void zel_svc__debug_utf8_withfile(zel_svc_handle *handle, const char *file,
                                             int line, unsigned32 index, unsigned32 level,
                                             const char *format, ...);

/* The state of one message or trace call, on the caller's stack. */
typedef struct {
    lyr_cs_t source_cs;  /* code set of the message text */
    lyr_cs_t target_cs;  /* the other code set of the pair */
    int text_len;
    char *text;          /* the formatted text, when made (owned) */
    int conv_len;
    char *conv;          /* the text converted to target_cs, made once (owned) */
    zel_svc_prolog header;
} zel_svc_msgctx;

/* Raises an assertion failure: a FATAL record naming the expression, file
 * and line through the component's routes (handle null: the "dce"
 * component), then abort(). Does not return. */
ZEL_EXPORT void zel___assert(zel_svc_handle *handle, const char *expression, const char *file,
                             int line);

ZEL_END_C

#endif
