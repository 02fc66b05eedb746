// Dynamic routes before their registry exists: no name is registered, so a
// route that names one waits at its fallback until it is announced.
#include "svc/routes/routes.h"

namespace zel {

void open_dynamic_route(const char *, const char *, void **entry, void **route_data,
                        unsigned32 *status) {
    *entry = nullptr;
    *route_data = nullptr;
    *status = ZEL_S_SVC_BAD_ROUTE_SPEC;
}

// No route is ever connected to an entry while no name can be registered.
void close_dynamic_route(void *, void *) {}

}  // namespace zel
