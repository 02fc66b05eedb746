// A call's text, formatted once by the engine with the record limits:
// straight from the arguments when it can, else through a parse of the
// format that is kept for the XML parameter values. A format the engine
// rejects is not formatted at all: the record carries the format itself, so
// that what was meant still shows.
#include <cstdio>
#include <cstring>

#include "fmt/fmt_internal.h"
#include "svc/record/print_call.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

ZEL_RECORD_PATH void make_text(PrintCall *call) {
    const zel_svc_prolog *header = &call->ctx.header;
    lyr_cs_t cs = call->ctx.source_cs;
    const char *format = header->format;
    // A message whose text was not found, or a saved one whose text could
    // not be kept: a saved call has no format and no arguments.
    if (!format || call->saved) {
        char unknown[40];
        int n = std::snprintf(unknown, sizeof unknown, "Unknown message 0x%8.8x",
                              static_cast<unsigned>(header->msgid));
        if (char *room = call->text.extend(static_cast<size_t>(n)))
            std::memcpy(room, unknown, static_cast<size_t>(n));
        return;
    }
    if (call->text.render_direct(engine_code_set(call), format, *call->args)) return;
    if (parse_call(call) && call->text.render(&call->fmt, cs)) return;
    call->text.refer(format, cut_at_character(cs, format, std::strlen(format), kRecordTextMax));
}

}  // namespace

bool parse_call(PrintCall *call) {
    if (!call->parse_tried) {
        call->parse_tried = true;
        va_list ap;
        va_copy(ap, *call->args);
        call->parsed =
            fmt_parse(&call->fmt, engine_code_set(call), call->ctx.header.format, ap) == 0;
        va_end(ap);
    }
    return call->parsed;
}

ZEL_RECORD_PATH const RecordText &call_text(PrintCall *call) {
    if (!call->text_made) {
        ensure_header(call);
        make_text(call);
        call->text_made = true;
    }
    return call->text;
}

const RecordText &converted_text(PrintCall *call) {
    if (!call->converted_made) {
        const RecordText &text = call_text(call);
        call->converted.convert(call->ctx.source_cs, call->ctx.target_cs, text.data(), text.size());
        call->converted_made = true;
    }
    return call->converted;
}

}  // namespace zel
