// One message or trace call on its way to the routes: what the entry point
// was given, the lazy header, the route walk and the clean-up.
#ifndef ZEL_SRC_SVC_PRINT_CALL_H
#define ZEL_SRC_SVC_PRINT_CALL_H

#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <stdarg.h>

namespace zel {

// Which writer and terminator each route kind gets.
enum class Road {
    plain,         // plain messages and local-code-page traces
    context,       // cs messages and zel_svc__debug_utf8
    utf8_withfile  // zel_svc__debug_utf8_withfile
};

struct PrintCall {
    Road road;
    bool trace;
    zel_svc_handle *handle;
    int cs;
    const char *file;
    int line;
    const char *argtypes;
    unsigned32 index;
    unsigned32 attributes;  // traces: the level
    unsigned32 msgid;
    const char *format;     // traces only
    zel_svc_msgctx ctx;
};

// Builds the header unless it is built.
void ensure_header(PrintCall *call);
// Writes the record to every route of the list, following GOESTO routes; a
// list is never walked twice for one record.
void walk_routes(PrintCall *call, zel_svc_route_t **routes, int count, va_list args);
// Cancellation clean-up and end of every call: frees what the call made and
// releases the serviceability mutex.
void cleanup_wrapper(void *call);

// Clears what a call reads of its context before the header is built; the
// rest is filled when it is built, so the whole context is not cleared at
// every call (most records go nowhere).
inline void clear_call_context(zel_svc_msgctx *ctx) {
    ctx->header.built = 0;
    ctx->header.format = nullptr;
    ctx->conv = nullptr;
    ctx->conv_len = 0;
    ctx->text = nullptr;
    ctx->text_len = 0;
}

// The code-set pair of a call: UTF-8 text goes to the local code page where a
// route converts, local text to UTF-8.
inline void choose_code_sets(zel_svc_msgctx *ctx, bool utf8_text) {
    lyr_cs_t local = zelsvc_get_local_code_page();
    ctx->source_cs = utf8_text ? zel_svc_cs_utf8 : local;
    ctx->target_cs = utf8_text ? local : zel_svc_cs_utf8;
}

}  // namespace zel

#endif
