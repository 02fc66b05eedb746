// Internal state and helpers of the routing code: building route blocks,
// the shared log-file records, remembered specifications and the dynamic-route
// hooks. Everything here runs with zel_svc_g_mutex held.
#ifndef ZEL_SRC_SVC_ROUTES_H
#define ZEL_SRC_SVC_ROUTES_H

#include <zel/svc_internal.h>

#include <string>

// Status codes of the routing code.
#define ZEL_SVC_S_NO_MEMORY 0x106521F4u
#define ZEL_SVC_S_INVALID 0x106521F7u
#define ZEL_SVC_S_ROUTE_REFUSED 0x106521F8u

// The character that ends a key and separates the fields of a route.
#define SVC_SEP_CHAR ':'

extern "C" {

// Builds a block from a route list; the caller has closed the block's routes.
// An empty list leaves the block empty and the status untouched. The status is
// that of the last route built, or of the first fault, which stops the build.
void zel_svc__open_routes(zel_svc_routes_t *block, int fallback, const char *route_list,
                          unsigned32 *status);
// Remembers a whole specification under the key before its first ':'; an
// entry with the same key is replaced.
void zel_svc__store(const char *text, unsigned32 *status);
// The remembered text after "key:", or null. Points into the table.
const char *zel_svc__get(const char *key);

// The cached process id; 0 until first asked for.
extern int zel_svc__pid;

// Dynamic routes. Until the registry exists every name is unknown: opening
// answers 0x106521F7 and the route waits at its fallback.
void zel__svc_dyn_route_open(const char *name, const char *parameter, void **entry,
                             void **route_data, unsigned32 *status);
void zel__svc_dyn_route_close(void *entry, void *route_data);

}  // extern "C"

namespace zel {

inline bool is_file_kind(int kind) {
    return kind == ZEL_SVC_ROUTE_FILE || kind == ZEL_SVC_ROUTE_UTF8FILE ||
           kind == ZEL_SVC_ROUTE_XMLFILE;
}

// A file name pattern with "%d"/"%ld" (and "%i", "%u", "%li", "%lu") replaced
// by the process id and "%%" by "%"; any other '%' is kept as written.
std::string expand_file_pattern(const char *pattern, long pid);

// Calls fn(block, is_severity_block) for the five severity blocks in order,
// then for each registered component's trace block.
template <typename Fn>
void for_each_block(Fn fn) {
    for (zel_svc_routes_t &block : zel_svc_g_routes) fn(&block, true);
    for (int i = 0; i < zel_svc_g_map_size; ++i) fn(&zel_svc_g_map[i]->debug_routes, false);
}

// The local code set's character search, used for every separator.
char *find_sep(const char *text, int c);

// Applies "name.level,..." to a component's sub-components, telling the
// level callbacks when asked. 0, or 0x106521F7 at the first bad item (the
// items before it stay applied).
unsigned32 apply_debug_levels(zel_svc_handle *handle, const char *levels, bool tell_callbacks);

}  // namespace zel

#endif
