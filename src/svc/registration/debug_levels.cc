// A component's debug levels and trace routes: set by the program
// (zel_svc_debug_set_levels, zel_svc_debug_routing) or, on first use, from a
// remembered specification or SVC_<COMPONENT>_DBG.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <jrnmsg/lyr.h>

#include "svc/core/core_state.h"
#include "svc/routes/routes.h"

namespace {

void set_levels(const char *text, unsigned32 *status, bool tell) {
    char *copy = text ? strdup(text) : nullptr;
    if (!copy) {
        *status = text ? ZEL_S_SVC_NO_MEMORY : ZEL_S_SVC_BAD_ROUTE_SPEC;
        return;
    }
    char *colon = zel::find_sep(copy, SVC_SEP_CHAR);
    if (!colon) {
        *status = ZEL_S_SVC_BAD_ROUTE_SPEC;
        std::free(copy);
        return;
    }
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    zel::remember_spec(copy, status);
    *colon = '\0';
    // A component not registered yet reads the remembered text at its set-up.
    zel_svc_handle *handle = zel_svc__component_to_handle(copy);
    if (*status == 0 && handle) *status = zel::apply_debug_levels(handle, colon + 1, tell);
    pthread_cleanup_pop(1);
    std::free(copy);
}

void debug_routing(const char *text, unsigned32 *status, bool tell) {
    *status = ZEL_S_SVC_BAD_ROUTE_SPEC;
    char *copy = text ? strdup(text) : nullptr;
    if (!copy) {
        if (text) *status = ZEL_S_SVC_NO_MEMORY;
        return;
    }
    char *colon = zel::find_sep(copy, SVC_SEP_CHAR);
    if (!colon) {
        std::free(copy);
        return;
    }
    zel_svc_handle *handle = nullptr;
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    zel::remember_spec(copy, status);
    *colon = '\0';
    handle = zel_svc__component_to_handle(copy);
    pthread_cleanup_pop(1);

    char *levels = colon + 1;
    char *routes = handle ? zel::find_sep(levels, SVC_SEP_CHAR) : nullptr;
    if (routes) {
        *routes++ = '\0';
        // Levels are applied, and callbacks told, without the mutex.
        *status = zel::apply_debug_levels(handle, levels, tell);
        if (*status == 0 && *routes) {
            zel::svc_lock();
            pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
            zel_svc__close_routes(&handle->debug_routes);
            zel::open_routes(&handle->debug_routes, ZEL_SVC_ROUTE_DISCARD, routes, status);
            zel::mark_debug_filled(handle);
            pthread_cleanup_pop(1);
        }
    }
    std::free(copy);
}

// The value of SVC_<COMPONENT>_DBG, or null.
const char *environment_value(const char *component) try {
    std::string variable = std::string("SVC_") + component + "_DBG";
    for (char &c : variable) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return std::getenv(variable.c_str());
} catch (const std::bad_alloc &) {
    return nullptr;
}

}  // namespace

extern "C" {

void zel_svc_debug_set_levels(const char *text, unsigned32 *status) {
    set_levels(text, status, true);
}

void zel_svc_debug_set_levels_nocb(const char *text, unsigned32 *status) {
    set_levels(text, status, false);
}

void zel_svc_debug_routing(const char *text, unsigned32 *status) {
    debug_routing(text, status, true);
}

void zel_svc_debug_routing_nocb(const char *text, unsigned32 *status) {
    debug_routing(text, status, false);
}

int zel_svc__debug_fillin(zel_svc_handle *handle, unsigned32 *status) {
    *status = 0;
    if (!handle || !handle->component_name) return 0;
    if (!zel_svc__add_to_table(handle, status)) return 0;
    // Marked first, so that a set-up that fails is not retried at every trace.
    zel::mark_debug_filled(handle);
    zel_svc__close_routes(&handle->debug_routes);

    const char *remembered = zel::remembered_spec(handle->component_name);
    const char *text = remembered;
    if (!text) {
        const char *value = environment_value(handle->component_name);
        if (!value) return 1;
        size_t length = std::strlen(handle->component_name);
        if (std::strlen(value) < length ||
            lyr_strnicmp(zelsvc_get_local_code_page(), zelsvc_get_locale(), value,
                         handle->component_name, length) != 0)
            return 0;
        text = value + length;
        if (*text) ++text;  // the ':' after the name
    }
    char *copy = strdup(text);
    if (!copy) {
        *status = ZEL_S_SVC_NO_MEMORY;
        return 0;
    }
    char *routes = zel::find_sep(copy, SVC_SEP_CHAR);
    int ok = 0;
    if (!routes) {
        // Remembered levels without routes (zel_svc_debug_set_levels) still
        // apply, but a set-up without routes fails all the same.
        if (remembered) zel::apply_debug_levels(handle, copy, true);
    } else {
        *routes++ = '\0';
        if (zel::apply_debug_levels(handle, copy, true) == 0) {
            zel::open_routes(&handle->debug_routes, ZEL_SVC_ROUTE_STDERR, routes, status);
            ok = 1;
        }
    }
    std::free(copy);
    return ok;
}

unsigned32 zel_svc__debug_fillin2(zel_svc_handle *handle, int subcomponent) {
    unsigned32 level = 0;
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    unsigned32 status;
    if (handle && zel_svc__debug_fillin(handle, &status) && handle->table && subcomponent >= 0) {
        int rows = 0;
        while (handle->table[rows].name) ++rows;
        if (subcomponent < rows) level = zel::load_level(&handle->table[subcomponent]) & 0xFF;
    }
    pthread_cleanup_pop(1);
    return level;
}

}  // extern "C"
