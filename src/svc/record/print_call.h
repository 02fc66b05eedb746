// One message or trace call on its way to the routes: what the entry point
// was given, and what is made once for all its routes (the header, the time
// text, the record text in both code sets, the XML parameter values).
#ifndef ZEL_SRC_SVC_RECORD_PRINT_CALL_H
#define ZEL_SRC_SVC_RECORD_PRINT_CALL_H

#include <zel/fmt.h>
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <stdarg.h>
#include <stdio.h>

#include "svc/record/record.h"
#include "svc/record/record_text.h"
#include "sys/env_watch.h"

namespace zel {

// The code set a call's text comes in, which decides what each route kind
// gets as it is and what converted.
enum class Road {
    plain,         // plain messages and local-code-page traces
    context,       // cs messages and zel_svc__debug_utf8
    utf8_withfile  // zel_svc__debug_utf8_withfile: like context, lines end each record
};

struct PrintCall {
    // Most calls go nowhere: only what is read before the header is built is
    // cleared, the rest is filled when it is built.
    PrintCall() {
        ctx.header.built = 0;
        ctx.header.format = nullptr;
    }
    PrintCall(const PrintCall &) = delete;
    PrintCall &operator=(const PrintCall &) = delete;

    // The environment is looked at once per call.
    EnvReadOnce env_once;

    // What the entry point was given.
    Road road = Road::plain;
    bool trace = false;
    zel_svc_handle *handle = nullptr;
    int cs = 0;
    const char *file = nullptr;
    int line = 0;
    const char *argtypes = nullptr;
    unsigned32 index = 0;
    unsigned32 attributes = 0;  // traces: the level
    unsigned32 msgid = 0;
    const char *format = nullptr;   // traces only
    va_list *args = nullptr;        // read through copies, never consumed
    const zel_utc_t *at = nullptr;  // a fixed time stamp (null: now)
    // A saved message printed again: its header, text and XML parameter
    // values were made when it was saved, and there is no argument list.
    bool saved = false;
    const char *saved_id = nullptr;  // the start of its message text, for the XML Id

    // Made once, when the first route (or the filter) needs it.
    zel_svc_msgctx ctx;                // the header and the code-set pair
    MemoEntry *format_memo = nullptr;  // set when the message text is the thread memo's
    char time[kTimeTextSize];
    bool time_made = false;
    bool text_made = false;
    bool converted_made = false;
    bool params_made = false;
    bool parse_tried = false;
    bool parsed = false;  // fmt holds a parse of the text's format
    zel_fmt_ctx fmt;
    RecordText text;       // in the call's code set (ctx.source_cs)
    RecordText converted;  // in ctx.target_cs
    RecordText params;     // XML parameter values, each a length and its bytes
};

// Builds the header unless it is built. The time text is made by the first
// writer that needs it.
void ensure_header(PrintCall *call);
// The record text in the call's own code set, and converted to the other
// one; made once per call.
const RecordText &call_text(PrintCall *call);
const RecordText &converted_text(PrintCall *call);
// Parses the message text's format with the call's arguments into fmt, once;
// whether it parsed. Only for calls with a format and arguments.
bool parse_call(PrintCall *call);
// The values of the XML parameter lines of a message (what each conversion
// of its text contributes to it), in the code set of its XML records.
const RecordText &param_values(PrintCall *call);

// Writes the record in the form, code set and line end of a route kind;
// whether it reached the stream (false: errno tells why).
bool write_call_record(PrintCall *call, int kind, FILE *stream);

// Writes the record to every route of the list, following GOESTO routes; a
// list is never walked twice for one record.
void walk_routes(PrintCall *call, zel_svc_route_t **routes, int count);
// Cancellation clean-up and end of every call: frees what the call made and
// releases the serviceability mutex.
void cleanup_wrapper(void *call);
// Frees what the call made (the message text and the parse).
void release_call(PrintCall *call);

// The code set of a call's text for the engine's %C and %S: the call's own
// for UTF-8 calls, the services' default for plain ones.
inline lyr_cs_t engine_code_set(const PrintCall *call) {
    return call->road == Road::plain ? nullptr : call->ctx.source_cs;
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
