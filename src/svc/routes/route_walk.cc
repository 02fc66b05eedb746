// Walking a route list for one record: each route is readied, then written in
// the form and code set its kind asks for; GOESTO routes switch lists.
#include <zel/svc_internal.h>

#include <cerrno>
#include <cstdio>

#include <pthread.h>

#include "svc/core/core_state.h"
#include "svc/record/print_call.h"
#include "svc/routes/log_file.h"
#include "svc/routes/routes.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

// Enough for every severity and a long chain of components; a deeper chain
// is cut like a cycle.
constexpr int kMaxLists = 64;

FILE *route_stream(const zel_svc_route_t *route) {
    switch (route->kind) {
    case ZEL_SVC_ROUTE_STDOUT:
    case ZEL_SVC_ROUTE_XMLSTDOUT: return stdout;
    case ZEL_SVC_ROUTE_STDERR:
    case ZEL_SVC_ROUTE_XMLSTDERR: return stderr;
    case ZEL_SVC_ROUTE_FILE:
    case ZEL_SVC_ROUTE_UTF8FILE:
    case ZEL_SVC_ROUTE_XMLFILE: {
        auto *file = static_cast<zel_svc_fileroute_t *>(route->target);
        return file ? file->stream : nullptr;
    }
    default: return nullptr;
    }
}

void write_route(PrintCall *call, zel_svc_route_t *route) {
    FILE *stream = route_stream(route);
    if (!stream) return;
    if (write_call_record(call, route->kind, stream) || !is_file_kind(route->kind)) return;
    file_write_failed(route, errno);
    // The record that missed its file goes where the route falls back to.
    if (route->fallback == ZEL_SVC_ROUTE_STDERR) {
        write_call_record(call, ZEL_SVC_ROUTE_STDERR, stderr);
    }
}

struct SavedFormat {
    zel_svc_prolog *header;
    char *format;
};

void restore_format(void *arg) {
    auto *saved = static_cast<SavedFormat *>(arg);
    saved->header->format = saved->format;
}

bool print_text(zel_svc_dyn_route *entry, void *route_data, zel_svc_prolog *header, ...) {
    va_list args;
    va_start(args, header);
    bool printed = print_dynamic_route(entry, route_data, header, args);
    va_end(args);
    return printed;
}

// A dynamic route gets the caller's format and arguments on the UTF-8 roads,
// else (and for a saved message, which has no arguments) the finished text
// behind the format "%s". False when the route has just been removed.
bool print_dynamic(PrintCall *call, zel_svc_route_t *route) {
    ensure_header(call);
    zel_svc_prolog *header = &call->ctx.header;
    zel_svc_dyn_route *entry = dynamic_entry(route);
    if (call->road == Road::context && !call->saved && header->format) {
        va_list ap;
        va_copy(ap, *call->args);
        bool printed = print_dynamic_route(entry, route->route_data, header, ap);
        va_end(ap);
        return printed;
    }
    converted_text(call);
    const char *text = call->converted.c_str(call->ctx.target_cs);
    // The call's clean-up frees the message text it finds in the header.
    SavedFormat saved = {header, header->format};
    bool printed;
    pthread_cleanup_push(restore_format, &saved);
    header->format = const_cast<char *>("%s");
    printed = print_text(entry, route->route_data, header, text);
    pthread_cleanup_pop(1);
    return printed;
}

}  // namespace

ZEL_RECORD_PATH void walk_routes(PrintCall *call, zel_svc_route_t **routes, int count) {
    zel_svc_route_t **walked[kMaxLists];
    int lists = 0;
    walked[lists++] = routes;
    for (int i = 0; i < count; ++i) {
        zel_svc_route_t *route = routes[i];
        zel_svc__check_open(route);
        switch (route->kind) {
        case ZEL_SVC_ROUTE_GOESTO: {
            int target_count = 0;
            zel_svc_route_t **target =
                zel_svc__goesto(static_cast<const char *>(route->target), &target_count);
            if (!target || target_count <= 0) break;
            bool seen = lists == kMaxLists;
            for (int k = 0; k < lists && !seen; ++k) seen = walked[k] == target;
            if (seen) break;  // a cycle: go on with the rest of this list
            walked[lists++] = target;
            routes = target;
            count = target_count;
            i = -1;
            break;
        }
        case ZEL_SVC_ROUTE_DYNAMIC:
            // Removed but not yet disconnected: the record takes the fallback.
            if (!print_dynamic(call, route) && route->fallback == ZEL_SVC_ROUTE_STDERR)
                write_call_record(call, ZEL_SVC_ROUTE_STDERR, stderr);
            break;
        case ZEL_SVC_ROUTE_DISCARD: break;
        default: write_route(call, route); break;
        }
    }
}

}  // namespace zel
