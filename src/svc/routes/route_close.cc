// Releasing route blocks: each route gives back what it holds, and a log file
// closes with the last route that uses it.
#include <zel/svc_internal.h>

#include <cstdio>
#include <cstdlib>

#include "svc/routes/log_file.h"
#include "svc/routes/routes.h"

extern "C" {

zel_svc_routes_t zel_svc_g_routes[5];

// The block is emptied but keeps its array for the routes that come next.
void zel_svc__close_routes(zel_svc_routes_t *block) {
    while (block->count > 0) {
        zel_svc_route_t *route = block->routes[--block->count];
        // A file route at its fallback still holds its file.
        int kind = zel::file_route_kind(route) ? ZEL_SVC_ROUTE_FILE : route->kind;
        switch (kind) {
        case ZEL_SVC_ROUTE_FILE: {
            auto *file = static_cast<zel_svc_fileroute_t *>(route->target);
            if (file->references-- == 1 && file->stream) {
                zel::forget_lock(fileno(file->stream));
                std::fclose(file->stream);
                file->stream = nullptr;
                route->open = 0;
            }
            break;
        }
        case ZEL_SVC_ROUTE_GOESTO: std::free(route->target); break;
        case ZEL_SVC_ROUTE_DYNAMIC:
            zel__svc_dyn_route_close(zel::dynamic_entry(route), route->route_data);
            break;
        case ZEL_SVC_ROUTE_DISCARD:
        case ZEL_SVC_ROUTE_STDOUT:
        case ZEL_SVC_ROUTE_STDERR:
        case ZEL_SVC_ROUTE_XMLSTDOUT:
        case ZEL_SVC_ROUTE_XMLSTDERR: break;  // the standard streams and DISCARD hold nothing
        default:
            zel___assert(nullptr, "\"Unknown route closed\" == NULL", "core/svcutl/svcroute", 317);
            break;
        }
        std::free(route->keyword);
        std::free(route->parameter);
        std::free(route);
    }
}

}  // extern "C"
