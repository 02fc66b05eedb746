// The message entry points: a numbered message of a component goes through
// the filter, the routes of its severity (or its component's debug routes),
// the standard-error copy, and then the abort or exit its attribute word asks.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <cstdio>
#include <cstdlib>

#include "svc/core/core_state.h"
#include "svc/record/message_save.h"
#include "svc/record/print_call.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

// Steps 3 to 7 of a call, with the mutex held. False when the call ends
// without its abort or exit.
ZEL_RECORD_PATH bool route_message(PrintCall *call) {
    zel_svc_handle *handle = call->handle;
    unsigned32 attributes = call->attributes;
    if (handle->filter) {
        ensure_header(call);
        va_list ap;
        va_copy(ap, *call->args);
        int keep = handle->filter(&call->ctx.header, ap);
        va_end(ap);
        if (!keep) return false;
    }
    if (!(attributes & ZEL_SVC_ATTR_NO_ROUTING)) {
        zel_svc_routes_t *block;
        unsigned32 status = 0;
        if (attributes & ZEL_SVC_ATTR_LEVEL_MASK) {
            if (!debug_filled(handle) && !zel_svc__debug_fillin(handle, &status)) return false;
            block = &handle->debug_routes;
        } else {
            unsigned32 severity = (attributes & ZEL_SVC_ATTR_SEV_MASK) >> 4;
            if (severity < 1 || severity > 5) return false;
            // A message that the thread's save keeps back is written later,
            // when the thread prints its saved messages.
            if (SaveState *save = active_save()) {
                ensure_header(call);
                if (!do_savemsg(save, call)) return false;
            }
            block = &zel_svc_g_routes[severity - 1];
            if (block->count == 0) zel_svc__fillin(attributes, &status);
        }
        walk_routes(call, block->routes, block->count);
    }
    if (attributes & ZEL_SVC_ATTR_ALSO_STDERR)
        write_call_record(call, ZEL_SVC_ROUTE_STDERR, stderr);
    return true;
}

ZEL_RECORD_PATH void print_message(PrintCall *call) {
    if (!call->handle) return;
    zel_svc_msgctx *ctx = &call->ctx;
    choose_code_sets(ctx, call->cs != 0);
    svc_lock();
    pthread_cleanup_push(cleanup_wrapper, call);
    if (route_message(call)) {
        unsigned32 attributes = call->attributes;
        if (attributes & ZEL_SVC_ATTR_ABORT) std::abort();
        if (attributes & ZEL_SVC_ATTR_EXIT_FAILURE) std::exit(1);
        if (attributes & ZEL_SVC_ATTR_EXIT_SUCCESS) std::exit(0);
    }
    pthread_cleanup_pop(1);
}

ZEL_RECORD_PATH void message(Road road, zel_svc_handle *handle, int cs, const char *file, int line,
                             const char *argtypes, unsigned32 index, unsigned32 attributes,
                             unsigned32 msgid, va_list args) {
    PrintCall call;
    call.road = road;
    call.trace = false;
    call.handle = handle;
    call.cs = cs;
    call.file = file;
    call.line = line;
    call.argtypes = argtypes;
    call.index = index;
    call.attributes = attributes;
    call.msgid = msgid;
    va_list ap;
    va_copy(ap, args);
    call.args = &ap;
    print_message(&call);
    va_end(ap);
}

}  // namespace
}  // namespace zel

extern "C" {

void zel_svc_vprintf_cs_withfile(zel_svc_handle *handle, int cs, const char *file, int line,
                                 const char *argtypes, unsigned32 index, unsigned32 attributes,
                                 unsigned32 msgid, va_list args) {
    zel::message(zel::Road::context, handle, cs, file, line, argtypes, index, attributes, msgid,
                 args);
}

void zel_svc_printf_cs_withfile(zel_svc_handle *handle, int cs, const char *file, int line,
                                const char *argtypes, unsigned32 index, unsigned32 attributes,
                                unsigned32 msgid, ...) {
    va_list args;
    va_start(args, msgid);
    zel_svc_vprintf_cs_withfile(handle, cs, file, line, argtypes, index, attributes, msgid, args);
    va_end(args);
}

ZEL_RECORD_PATH void zel_svc_vprintf_withfile(zel_svc_handle *handle, const char *file, int line,
                                              const char *argtypes, unsigned32 index,
                                              unsigned32 attributes, unsigned32 msgid,
                                              va_list args) {
    zel::message(zel::Road::plain, handle, 0, file, line, argtypes, index, attributes, msgid, args);
}

ZEL_RECORD_PATH void zel_svc_printf_withfile(zel_svc_handle *handle, const char *file, int line,
                                             const char *argtypes, unsigned32 index,
                                             unsigned32 attributes, unsigned32 msgid, ...) {
    va_list args;
    va_start(args, msgid);
    zel_svc_vprintf_withfile(handle, file, line, argtypes, index, attributes, msgid, args);
    va_end(args);
}

}  // extern "C"
