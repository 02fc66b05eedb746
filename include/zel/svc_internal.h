/* The serviceability core's exported internals: its tables and variables,
 * route and log-file layouts, its mutex, remembered settings, and the entry
 * points that programs do not call. For the product's own tools and tests:
 * exported, but not part of <zel/zel.h>, and may change between releases. */
#ifndef ZEL_SVC_INTERNAL_H
#define ZEL_SVC_INTERNAL_H

#include <pthread.h>
#include <stdio.h>

#include <jrnmsg/lyr.h>
#include <zel/base.h>
#include <zel/svc.h>

ZEL_BEGIN_C

/* zel_svc_init flag for a caller that already holds the serviceability mutex. */
#define ZEL_SVC_REGISTER_UNLOCKED 0x1C0FFEE

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
    int archives;         /* 0..99 */
    int records_per_file; /* 0: no limit */
    int records_written;
    int mode; /* permission bits to set on opening; 0: none */
    int uid;  /* owner to set; -1: none */
    int gid;  /* group to set; -1: none */
} zel_svc_fileroute_t;

/* One destination of a route list (zel_svc_route_t, declared in <zel/svc.h>). */
struct zel_svc_route_t {
    int kind;
    int fallback;     /* kind used when the destination cannot be used */
    int open;         /* 1 when ready to write */
    void *target;     /* file kinds: zel_svc_fileroute_t; GOESTO: target name; dynamic: its entry */
    void *route_data; /* dynamic kind: what its open callback returned; file
                         kinds: the file kind, kept while at the fallback */
    char *keyword;    /* kept for keywords that are not fixed ones */
    char *parameter;  /* kept with the keyword */
};

/* A callback triple, compared member by member on removal. */
typedef struct {
    zel_svc_register_fn on_register;
    zel_svc_register_fn on_unregister;
    zel_svc_level_fn on_level;
} zel_svc_callback;

/* The state of one message or trace call, on the caller's stack. */
typedef struct {
    lyr_cs_t source_cs; /* code set of the message text */
    lyr_cs_t target_cs; /* the other code set of the pair */
    int text_len;
    char *text; /* the formatted text, when made (owned) */
    int conv_len;
    char *conv; /* the text converted to target_cs, made once (owned) */
    zel_svc_prolog header;
} zel_svc_msgctx;

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

/* As zel_svc_register, for a caller that holds the serviceability mutex. */
ZEL_EXPORT zel_svc_handle *zel_svc_register2(zel_svc_subcomp *table, const char *component,
                                             unsigned32 *status);
/* Puts a handle into the component table once (mutex held). 1 when it is there. */
ZEL_EXPORT int zel_svc__add_to_table(zel_svc_handle *handle, unsigned32 *status);
/* First handle in the component table with this table or name (mutex held). */
ZEL_EXPORT zel_svc_handle *zel_svc__table_to_handle(zel_svc_subcomp *table);
ZEL_EXPORT zel_svc_handle *zel_svc__component_to_handle(const char *component);
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

/* Connect (announce) or disconnect (denounce) every route that names the
 * dynamic route `name`. Take the serviceability mutex; status 0. */
ZEL_EXPORT void zel_svc__routing_announce(const char *name, unsigned32 *status);
ZEL_EXPORT void zel_svc__routing_denounce(const char *name, unsigned32 *status);
/* A registered dynamic route; its layout is the library's own. */
typedef struct zel_svc_dyn_route zel_svc_dyn_route;
/* Route set-up: connect a route to the dynamic route `name` through its open
 * callback (status ZEL_S_SVC_BAD_ROUTE_SPEC when no such name is registered,
 * ZEL_S_SVC_ROUTE_REFUSED when it refused or was removed); release a
 * connected route. */
ZEL_EXPORT void zel__svc_dyn_route_open(const char *name, const char *parameter,
                                        zel_svc_dyn_route **out, void **route_data,
                                        unsigned32 *status);
ZEL_EXPORT void zel__svc_dyn_route_close(zel_svc_dyn_route *entry, void *route_data);
/* Hands one record to a connected route's print callback: with the caller's
 * argument list, or (print2) with the variable arguments that follow. Does
 * nothing once the route has been removed. */
ZEL_EXPORT void zel__svc_dyn_route_print(zel_svc_dyn_route *entry, void *route_data,
                                         zel_svc_prolog *header, va_list args);
ZEL_EXPORT void zel__svc_dyn_route_print2(zel_svc_dyn_route *entry, void *route_data,
                                          zel_svc_prolog *header, ...);

/* Saved messages of a thread, in the order they were reported; the layout is
 * the library's own. */
typedef struct zel_svc_saved_msg zel_svc_saved_msg;
/* Frees a list of saved messages from `first` on. */
ZEL_EXPORT void zel_svc__free_msgsave_data(zel_svc_saved_msg *first);
/* Thread-exit destructor of a thread's save state: frees it and its list. */
ZEL_EXPORT void zel_svc_msgsave_destructor(void *state);

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

/* Runs a component's debug set-up again (taking the mutex) and returns the
 * level of row `subcomponent`, or 0 when the set-up failed or the row does
 * not exist. */
ZEL_EXPORT unsigned32 zel_svc__debug_fillin2(zel_svc_handle *handle, int subcomponent);

/* Replaces the descriptions of a handle's table by their catalog texts, once. */
ZEL_EXPORT void zel_svc__translate(zel_svc_handle *handle, unsigned32 *status);
/* Closes every route: the severities', then each component's trace routes. */
ZEL_EXPORT void zel_svc__shutdown(void);
/* The core's once-only initialisation, and the clean-up that unlocks the mutex. */
ZEL_EXPORT void zel_svc__init_mutex(void);
ZEL_EXPORT void zel_svc__cleanup_mutex(void *unused);
/* A thread identifier as the number records show. */
ZEL_EXPORT unsigned32 zel_svc__mapthreadid(pthread_t *thread);

ZEL_END_C

#endif
