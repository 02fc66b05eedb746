// Internal state and helpers of the routing code: building route blocks,
// the shared log-file records, remembered specifications and the dynamic-route
// hooks. Everything here runs with zel_svc_g_mutex held.
#ifndef ZEL_SRC_SVC_ROUTES_H
#define ZEL_SRC_SVC_ROUTES_H

#include <zel/status.h>
#include <zel/svc_internal.h>

#include <string>

// The character that ends a key and separates the fields of a route.
#define SVC_SEP_CHAR ':'

namespace zel {

// Builds a block from a route list; the caller has closed the block's routes.
// An empty list leaves the block empty and the status untouched. The status is
// that of the last route built, or of the first fault, which stops the build.
void open_routes(zel_svc_routes_t *block, int fallback, const char *route_list, unsigned32 *status);
// Remembers a whole specification under the key before its first ':'; an
// entry with the same key is replaced.
void remember_spec(const char *text, unsigned32 *status);
// The remembered text after "key:", or null. Points into the table.
const char *remembered_spec(const char *key);

// The cached process id; 0 until first asked for.
extern int g_cached_pid;

// Dynamic routes: a route connected to one holds its entry in target.
inline zel_svc_dyn_route *dynamic_entry(const zel_svc_route_t *route) {
    return static_cast<zel_svc_dyn_route *>(route->target);
}
// Hands a record to the entry's print callback; false when the entry has
// been removed (or its lock failed) and the record went nowhere.
bool print_dynamic_route(zel_svc_dyn_route *entry, void *route_data, zel_svc_prolog *header,
                         va_list args);

inline bool is_file_kind(int kind) {
    return kind == ZEL_SVC_ROUTE_FILE || kind == ZEL_SVC_ROUTE_UTF8FILE ||
           kind == ZEL_SVC_ROUTE_XMLFILE;
}

// A file name pattern with every integer conversion ("%ld", "%d", "%05x"...)
// replaced by the process id and "%%" by "%", as the formatting engine reads
// and renders them; any other conversion, or a '%' the engine rejects, is kept
// as written.
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
// Cuts the next item of a list separated by c out of the text at *next: the
// item is ended in place, and *next moves to what follows its separator (or
// to the end of the text).
char *cut_item(char **next, int c);

// Applies "name.level,..." to a component's sub-components, telling the
// level callbacks when asked. 0, or ZEL_S_SVC_BAD_ROUTE_SPEC at the first bad
// item (the items before it stay applied).
unsigned32 apply_debug_levels(zel_svc_handle *handle, const char *levels, bool tell_callbacks);

}  // namespace zel

#endif
