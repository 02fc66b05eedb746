// The component table and the callback registry: registering and removing
// components, and notifying the callbacks of each.
#include <zel/svc_internal.h>

#include <cstdlib>
#include <cstring>

#include "msg/status_codes.h"
#include "svc/core/core_state.h"

extern "C" {

zel_svc_handle **zel_svc_g_map = nullptr;
int zel_svc_g_map_size = 0;
zel_svc_callback *zel_svc_g_callbacks = nullptr;
int zel_svc_g_n_callbacks = 0;
}

namespace {

zel_svc_handle *alloc_handle(zel_svc_subcomp *table, const char *component) {
    auto *handle = static_cast<zel_svc_handle *>(std::calloc(1, sizeof(zel_svc_handle)));
    char *name = component ? strdup(component) : nullptr;
    if (!handle || !name) {
        std::free(handle);
        std::free(name);
        return nullptr;
    }
    handle->table = table;
    handle->component_name = name;
    handle->allocated = 1;
    return handle;
}

void notify(zel_svc_register_fn zel_svc_callback::*member, zel_svc_handle *handle) {
    for (int i = 0; i < zel_svc_g_n_callbacks; ++i) {
        if (zel_svc_register_fn fn = zel_svc_g_callbacks[i].*member) {
            fn(handle->component_name, handle->table);
        }
    }
}

void remove_from_table(zel_svc_handle *handle) {
    for (int i = 0; i < zel_svc_g_map_size; ++i) {
        if (zel_svc_g_map[i] != handle) continue;
        std::memmove(zel_svc_g_map + i, zel_svc_g_map + i + 1,
                     (zel_svc_g_map_size - i - 1) * sizeof *zel_svc_g_map);
        --zel_svc_g_map_size;
        if (zel_svc_g_map_size == 0) {
            std::free(zel_svc_g_map);
            zel_svc_g_map = nullptr;
        } else if (auto *smaller = static_cast<zel_svc_handle **>(
                       std::realloc(zel_svc_g_map, zel_svc_g_map_size * sizeof *zel_svc_g_map))) {
            zel_svc_g_map = smaller;
        }
        return;
    }
}

bool same_triple(const zel_svc_callback &c, zel_svc_register_fn on_register,
                 zel_svc_register_fn on_unregister, zel_svc_level_fn on_level) {
    return c.on_register == on_register && c.on_unregister == on_unregister &&
           c.on_level == on_level;
}

}  // namespace

extern "C" {

int zel_svc__add_to_table(zel_svc_handle *handle, unsigned32 *status) {
    if (handle->in_table) return 1;
    auto *grown = static_cast<zel_svc_handle **>(
        std::realloc(zel_svc_g_map, (zel_svc_g_map_size + 1) * sizeof *zel_svc_g_map));
    if (!grown) {
        zel::set_status(status, ZEL_S_SVC_NO_MEMORY);
        return 0;
    }
    zel_svc_g_map = grown;
    zel_svc_g_map[zel_svc_g_map_size++] = handle;
    handle->in_table = 1;
    return 1;
}

zel_svc_handle *zel_svc_register2(zel_svc_subcomp *table, const char *component,
                                  unsigned32 *status) {
    zel::set_status(status, 0);
    zel_svc_handle *handle = alloc_handle(table, component);
    if (!handle) {
        zel::set_status(status, ZEL_S_SVC_NO_MEMORY);
        return nullptr;
    }
    if (!zel_svc__add_to_table(handle, status)) {
        std::free(handle->component_name);
        std::free(handle);
        zel::set_status(status, ZEL_S_SVC_NO_MEMORY);
        return nullptr;
    }
    notify(&zel_svc_callback::on_register, handle);
    return handle;
}

zel_svc_handle *zel_svc_register(zel_svc_subcomp *table, const char *component,
                                 unsigned32 *status) {
    zel::svc_lock();
    zel_svc_handle *handle = zel_svc_register2(table, component, status);
    zel::svc_unlock();
    return handle;
}

void zel_svc_unregister(zel_svc_handle *handle, unsigned32 *status) {
    if (!handle) {
        zel::set_status(status, 0);
        return;
    }
    zel::svc_lock();
    zel_svc__close_routes(&handle->debug_routes);
    if (handle->in_table) {
        notify(&zel_svc_callback::on_unregister, handle);
        remove_from_table(handle);
    }
    if (handle->allocated) {
        std::free(handle->debug_routes.routes);
        std::free(handle->component_name);
        std::free(handle);
    }
    zel::set_status(status, 0);
    zel::svc_unlock();
}

zel_svc_handle *zel_svc__table_to_handle(zel_svc_subcomp *table) {
    for (int i = 0; i < zel_svc_g_map_size; ++i) {
        if (zel_svc_g_map[i]->table == table) return zel_svc_g_map[i];
    }
    return nullptr;
}

zel_svc_handle *zel_svc__component_to_handle(const char *component) {
    for (int i = 0; i < zel_svc_g_map_size; ++i) {
        const char *name = zel_svc_g_map[i]->component_name;
        if (name && std::strcmp(name, component) == 0) return zel_svc_g_map[i];
    }
    return nullptr;
}

void zel_svc_register_callbacks(zel_svc_register_fn on_register, zel_svc_register_fn on_unregister,
                                zel_svc_level_fn on_level, unsigned32 *status) {
    zel::svc_lock();
    auto *grown = static_cast<zel_svc_callback *>(std::realloc(
        zel_svc_g_callbacks, (zel_svc_g_n_callbacks + 1) * sizeof *zel_svc_g_callbacks));
    if (!grown) {
        zel::set_status(status, ZEL_S_SVC_NO_MEMORY);
    } else {
        zel_svc_g_callbacks = grown;
        zel_svc_g_callbacks[zel_svc_g_n_callbacks++] = {on_register, on_unregister, on_level};
        zel::set_status(status, 0);
    }
    zel::svc_unlock();
}

void zel_svc_unregister_callbacks(zel_svc_register_fn on_register,
                                  zel_svc_register_fn on_unregister, zel_svc_level_fn on_level,
                                  unsigned32 *status) {
    zel::set_status(status, ZEL_S_SVC_CALLBACKS_NOT_REGISTERED);
    zel::svc_lock();
    for (int i = 0; i < zel_svc_g_n_callbacks; ++i) {
        if (!same_triple(zel_svc_g_callbacks[i], on_register, on_unregister, on_level)) continue;
        std::memmove(zel_svc_g_callbacks + i, zel_svc_g_callbacks + i + 1,
                     (zel_svc_g_n_callbacks - i - 1) * sizeof *zel_svc_g_callbacks);
        --zel_svc_g_n_callbacks;
        zel::set_status(status, 0);
        break;
    }
    zel::svc_unlock();
}

void zel_svc__shutdown(void) {
    for (zel_svc_routes_t &block : zel_svc_g_routes) zel_svc__close_routes(&block);
    for (int i = 0; i < zel_svc_g_map_size; ++i)
        zel_svc__close_routes(&zel_svc_g_map[i]->debug_routes);
}

}  // extern "C"
