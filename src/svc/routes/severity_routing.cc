// The routes of the five severities: set by zel_svc_routing, filled on first
// use from a remembered specification, SVC_<SEVERITY> or the default, and the
// lookup by name that GOESTO routes and the printing code use.
#include <zel/svc_internal.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "svc/core/core_state.h"
#include "svc/routes/log_file.h"
#include "svc/routes/routes.h"

namespace {

constexpr int kSeverities = 5;

// Index of the first severity whose name begins with the key; -1 for none.
int severity_by_prefix(const char *key, size_t length) {
    for (int i = 0; i < kSeverities; ++i)
        if (std::strncmp(zel_svc_g_code_table[i], key, length) == 0) return i;
    return -1;
}

void set_severity_routes(int index, const char *route_list, unsigned32 *status) {
    zel_svc__close_routes(&zel_svc_g_routes[index]);
    zel::open_routes(&zel_svc_g_routes[index], ZEL_SVC_ROUTE_STDERR, route_list, status);
}

void routing_locked(char *text, unsigned32 *status) {
    char *colon = zel::find_sep(text, SVC_SEP_CHAR);
    if (!colon || !zel::find_sep(colon + 1, SVC_SEP_CHAR)) return;
    size_t key_length = static_cast<size_t>(colon - text);
    const char *route_list = colon + 1;

    if (key_length == 1 && text[0] == '*') {
        const char *rest = text + 1;  // ":" and the route list
        for (int i = 0; i < kSeverities; ++i) {
            std::string entry = std::string(zel_svc_g_code_table[i]) + rest;
            zel::remember_spec(entry.c_str(), status);
            if (*status != 0) return;
        }
        for (int i = 0; i < kSeverities; ++i) {
            set_severity_routes(i, route_list, status);
            if (*status != 0) return;
        }
        return;
    }
    int index = severity_by_prefix(text, key_length);
    if (index < 0) return;
    zel::remember_spec(text, status);
    if (*status != 0) return;
    set_severity_routes(index, route_list, status);
}

}  // namespace

extern "C" {

void zel_svc_routing(const char *text, unsigned32 *status) {
    *status = ZEL_S_SVC_BAD_ROUTE_SPEC;
    if (!text) return;
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    char *copy = strdup(text);
    if (!copy) {
        *status = ZEL_S_SVC_NO_MEMORY;
    } else {
        try {
            routing_locked(copy, status);
        } catch (const std::bad_alloc &) {
            *status = ZEL_S_SVC_NO_MEMORY;
        }
        std::free(copy);
    }
    pthread_cleanup_pop(1);
}

void zel_svc__fillin(unsigned32 attributes, unsigned32 *status) {
    int index = static_cast<int>((attributes & ZEL_SVC_ATTR_SEV_MASK) >> 4) - 1;
    if (index < 0 || index >= kSeverities) {
        *status = ZEL_S_SVC_BAD_ROUTE_SPEC;
        return;
    }
    const char *name = zel_svc_g_code_table[index];
    const char *route_list = zel::remembered_spec(name);
    char variable[32];  // the longest is SVC_NOTICE_VERBOSE
    bool from_environment = false;
    if (!route_list) {
        std::snprintf(variable, sizeof variable, "SVC_%s", name);
        route_list = std::getenv(variable);
        from_environment = route_list != nullptr;
    }
    if (!route_list) route_list = index >= 3 ? "DISCARD:" : "STDERR:";
    *status = 0;
    zel_svc_routes_t *block = &zel_svc_g_routes[index];
    zel_svc__close_routes(block);
    zel::open_routes(block, ZEL_SVC_ROUTE_DISCARD, route_list, status);
    // An unreadable variable is told once; its block may be filled again at every record.
    static bool told[kSeverities];
    if (from_environment && *status == ZEL_S_SVC_BAD_ROUTE_SPEC && !told[index]) {
        told[index] = true;
        zel::report_variable(variable, block->count > 0);
    }
}

zel_svc_route_t **zel_svc__goesto(const char *name, int *count) {
    *count = 0;
    if (!name) return nullptr;
    for (int i = 0; i < kSeverities; ++i) {
        if (std::strcmp(name, zel_svc_g_code_table[i]) != 0) continue;
        zel_svc_routes_t *block = &zel_svc_g_routes[i];
        if (block->count == 0) {
            unsigned32 ignored;
            zel_svc__fillin(zel_svc_g_attr_table[i], &ignored);
        }
        *count = block->count;
        return block->count ? block->routes : nullptr;
    }
    zel_svc_handle *handle = zel_svc__component_to_handle(name);
    if (!handle) return nullptr;
    if (!zel::debug_filled(handle)) {
        unsigned32 ignored;
        if (!zel_svc__debug_fillin(handle, &ignored)) return nullptr;
    }
    *count = handle->debug_routes.count;
    return handle->debug_routes.count ? handle->debug_routes.routes : nullptr;
}

}  // extern "C"
