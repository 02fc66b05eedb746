// A call's record made once and handed to each route: the header and time
// text on first need, the form, code set and line end of each route kind,
// and the clean-up that ends every call.
#include "svc/record/print_call.h"

#include <cstdlib>

#include "fmt/fmt_internal.h"
#include "msg/text_memo.h"
#include "svc/core/core_state.h"
#include "svc/routes/log_file.h"
#include "sys/hot_path.h"

namespace zel {

ZEL_RECORD_PATH void ensure_header(PrintCall *call) {
    zel_svc_prolog *header = &call->ctx.header;
    if (header->built) return;
    if (call->trace) {
        build_trace_header(header, call->handle, call->file, call->line, call->index,
                           call->attributes, call->format, call->at);
    } else {
        // A filter gets the header's text as the call's own, which it may
        // free or replace: the memo's text is never handed to one.
        MemoEntry **memo = call->handle && call->handle->filter ? nullptr : &call->format_memo;
        build_message_header(header, call->handle, call->cs != 0, call->file, call->line,
                             call->argtypes, call->index, call->attributes, call->msgid, call->at,
                             memo);
    }
}

ZEL_RECORD_PATH bool write_call_record(PrintCall *call, int kind, FILE *stream) {
    ensure_header(call);
    if (!call->time_made) {  // only writers show it: a dynamic route is spared the asctime
        time_text(&call->ctx.header, call->time);
        call->time_made = true;
    }
    bool xml = kind == ZEL_SVC_ROUTE_XMLFILE || kind == ZEL_SVC_ROUTE_XMLSTDOUT ||
               kind == ZEL_SVC_ROUTE_XMLSTDERR;
    bool utf8_kind = xml || kind == ZEL_SVC_ROUTE_UTF8FILE;
    bool console = kind == ZEL_SVC_ROUTE_STDOUT || kind == ZEL_SVC_ROUTE_STDERR;
    // Local text goes as it is to text files and the console and converted to
    // UTF-8 files and XML; UTF-8 text the other way round.
    bool convert = (call->road == Road::plain) == utf8_kind;
    int term = console || call->road == Road::utf8_withfile ? '\n' : ' ';
    RecordBytes record;
    record.header = &call->ctx.header;
    record.message_text = call->saved ? call->saved_id : call->ctx.header.format;
    record.time = call->time;
    record.text = convert ? &converted_text(call) : &call_text(call);
    record.params = xml && !call->trace ? &param_values(call) : nullptr;
    bool log_file = kind == ZEL_SVC_ROUTE_FILE || kind == ZEL_SVC_ROUTE_UTF8FILE;
    return write_record(stream, record, term, xml, log_file);
}

ZEL_RECORD_PATH void release_call(PrintCall *call) {
    zel_svc_prolog *header = &call->ctx.header;
    if (call->format_memo) {
        release_memo_text(call->format_memo);
        call->format_memo = nullptr;
    } else if (header->built && !call->trace) {
        std::free(header->format);
    }
    header->format = nullptr;
    if (call->parsed) fmt_release(&call->fmt);
    call->parsed = false;
    call->parse_tried = false;
}

ZEL_RECORD_PATH void cleanup_wrapper(void *arg) {
    release_call(static_cast<PrintCall *>(arg));
    release_held_lock();  // cancelled between readying a file and writing to it
    svc_unlock();
}

}  // namespace zel
