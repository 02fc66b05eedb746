// Connecting and disconnecting the routes that name a dynamic route, when a
// dynamic route of that name is added or removed.
#include <zel/svc_internal.h>

#include <cstring>

#include "svc/core/core_state.h"
#include "svc/routes/routes.h"

namespace {

bool names(const zel_svc_route_t *route, const char *name) {
    return route->keyword && std::strcmp(route->keyword, name) == 0;
}

void announce_locked(const char *name) {
    zel::for_each_block([name](zel_svc_routes_t *block, bool) {
        for (int i = 0; i < block->count; ++i) {
            zel_svc_route_t *route = block->routes[i];
            if (route->kind == ZEL_SVC_ROUTE_DYNAMIC || !names(route, name)) continue;
            zel_svc_dyn_route *entry = nullptr;
            void *data = nullptr;
            unsigned32 st = 0;
            zel__svc_dyn_route_open(name, route->parameter, &entry, &data, &st);
            if (st != 0) continue;  // refused or gone: the route stays at its fallback
            route->target = entry;
            route->route_data = data;
            route->kind = ZEL_SVC_ROUTE_DYNAMIC;
            route->open = 1;
        }
    });
}

void denounce_locked(const char *name) {
    zel::for_each_block([name](zel_svc_routes_t *block, bool severity) {
        for (int i = 0; i < block->count; ++i) {
            zel_svc_route_t *route = block->routes[i];
            if (route->kind != ZEL_SVC_ROUTE_DYNAMIC || !names(route, name)) continue;
            zel__svc_dyn_route_close(zel::dynamic_entry(route), route->route_data);
            route->target = nullptr;
            route->route_data = nullptr;
            route->kind = severity ? ZEL_SVC_ROUTE_STDERR : ZEL_SVC_ROUTE_DISCARD;
        }
    });
}

}  // namespace

extern "C" {

void zel_svc__routing_announce(const char *name, unsigned32 *status) {
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    if (name) announce_locked(name);
    pthread_cleanup_pop(1);
    if (status) *status = 0;
}

void zel_svc__routing_denounce(const char *name, unsigned32 *status) {
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    if (name) denounce_locked(name);
    pthread_cleanup_pop(1);
    if (status) *status = 0;
}

}  // extern "C"
