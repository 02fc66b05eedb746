// Walking a route list for one record: each route is readied, then written in
// the form and code set its kind asks for; GOESTO routes switch lists.
#include <zel/svc_internal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "svc/core/core_state.h"
#include "svc/routes/log_file.h"
#include "svc/record/print_call.h"
#include "svc/record/record.h"
#include "svc/routes/routes.h"

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

// Writes the record in the form of the kind; whether it reached the stream.
bool write_kind(PrintCall *call, int kind, FILE *stream, va_list args) {
    zel_svc_msgctx *ctx = &call->ctx;
    bool file_kind = kind == ZEL_SVC_ROUTE_FILE;
    bool std_kind = kind == ZEL_SVC_ROUTE_STDOUT || kind == ZEL_SVC_ROUTE_STDERR;
    bool withfile = call->road == Road::utf8_withfile;
    if (file_kind || std_kind) {
        int term = std_kind || withfile ? '\n' : ' ';
        if (call->road == Road::plain) return zel_svc__vfprintf(stream, &ctx->header, term, args);
        return zel_svc__vfprintf2(stream, ctx, term, 1, args);
    }
    if (kind == ZEL_SVC_ROUTE_UTF8FILE) {
        int term = withfile ? '\n' : ' ';
        return zel_svc__vfprintf2(stream, ctx, term, call->road == Road::plain, args);
    }
    ctx->header.xml = 1;
    if (call->road == Road::plain) return zel_svc__vfprintf(stream, &ctx->header, ' ', args);
    return zel_svc__vfprintf2(stream, ctx, ' ', 0, args);
}

void write_route(PrintCall *call, zel_svc_route_t *route, va_list args) {
    FILE *stream = route_stream(route);
    if (!stream) return;
    ensure_header(call);
    if (write_kind(call, route->kind, stream, args) || !is_file_kind(route->kind)) return;
    file_write_failed(route, errno);
    // The record that missed its file goes where the route falls back to.
    if (route->fallback == ZEL_SVC_ROUTE_STDERR) {
        call->ctx.header.xml = 0;
        write_kind(call, ZEL_SVC_ROUTE_STDERR, stderr, args);
    }
}

}  // namespace

void walk_routes(PrintCall *call, zel_svc_route_t **routes, int count, va_list args) {
    zel_svc_route_t **walked[kMaxLists];
    int lists = 0;
    walked[lists++] = routes;
    for (int i = 0; i < count; ++i) {
        zel_svc_route_t *route = routes[i];
        zel_svc__check_open(route);
        call->ctx.header.xml = 0;
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
        case ZEL_SVC_ROUTE_DISCARD:
        case ZEL_SVC_ROUTE_DYNAMIC:  // dynamic routes are not connected yet
            break;
        default:
            write_route(call, route, args);
            break;
        }
    }
}

void ensure_header(PrintCall *call) {
    zel_svc_msgctx *ctx = &call->ctx;
    if (ctx->header.built) return;
    if (call->trace) {
        debug_fill_prolog(&ctx->header, call->handle, call->file, call->line, call->index,
                          call->attributes, call->format);
    } else {
        _build_prolog(ctx, call->handle, call->cs, nullptr, call->file, call->line,
                      call->argtypes, call->index, call->attributes, call->msgid);
    }
}

void cleanup_wrapper(void *arg) {
    auto *call = static_cast<PrintCall *>(arg);
    zel_svc_msgctx *ctx = &call->ctx;
    if (ctx->header.built && !call->trace) std::free(ctx->header.format);
    ctx->header.format = nullptr;
    std::free(ctx->conv);
    std::free(ctx->text);
    ctx->conv = nullptr;
    ctx->text = nullptr;
    release_held_lock();  // cancelled between readying a file and writing to it
    svc_unlock();
}

}  // namespace zel
