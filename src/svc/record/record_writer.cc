// The two record writers: the direct writer formats a local-code-page text
// for each stream; the context writer writes the text converted once per call.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "svc/record/record.h"
#include "svc/record/record_text.h"
#include "svc/record/xml_text.h"

namespace zel {
namespace {

void write_prefix_from(FILE *stream, const zel_svc_prolog *header, const char *time, int term,
                       bool convert_params, va_list args) {
    va_list ap;
    va_copy(ap, args);
    write_prefix(stream, header, time, term, convert_params, ap);
    va_end(ap);
}

// A text in its record form: as it is in a text record; in an XML record
// inside CDATA, where no byte of it can close the section or break the XML.
void write_text(FILE *stream, const zel_svc_prolog *header, const char *text, size_t len) {
    if (header->xml) {
        write_cdata(stream, text, len);
    } else {
        fwrite_unlocked(text, 1, len, stream);
    }
}

}  // namespace

bool zel_svc__vfprintf(FILE *stream, zel_svc_prolog *header, int term, va_list args) {
    char time[kTimeTextSize];
    time_text(header, time);
    // The text is made before the file is locked: other processes wait less.
    RecordText text, utf8;
    const RecordText *body = &text;
    if (header->format) {
        text.format(nullptr, header->format, args);
        if (header->xml) {  // XML records carry UTF-8
            utf8.to_utf8(zelsvc_get_local_code_page(), text.data(), text.size());
            body = &utf8;
        }
    }
    int cancel_state;
    zel_svc__lock_for_write(stream, &cancel_state);
    flockfile(stream);  // no other writer of the stream gets between the record's pieces
    if (!prefix_left_out(header)) write_prefix_from(stream, header, time, term, true, args);
    if (header->format) {
        write_text(stream, header, body->data(), body->size());
    } else {
        write_unknown(stream, header);
    }
    write_ending(stream, header);
    bool written = fflush_unlocked(stream) == 0 && !ferror_unlocked(stream);
    funlockfile(stream);
    zel_svc__unlock_for_write(stream, cancel_state);
    return written;
}

bool zel_svc__vfprintf2(FILE *stream, zel_svc_msgctx *ctx, int term, int convert, va_list args) {
    zel_svc_prolog *header = &ctx->header;
    char time[kTimeTextSize];
    time_text(header, time);
    // conv_len -1 remembers a conversion that gave nothing, so it is made once.
    if (convert && !ctx->conv && ctx->conv_len == 0) {
        if (ctx->text) {
            ctx->conv_len = local_convert(ctx->source_cs, ctx->target_cs, ctx->text_len,
                                          ctx->text, &ctx->conv);
        } else if (header->format) {
            va_list ap;
            va_copy(ap, args);
            ctx->conv_len = formatandconvert(ctx->source_cs, ctx->target_cs, header->format, ap,
                                             &ctx->conv);
            va_end(ap);
        }
        if (!ctx->conv) ctx->conv_len = -1;
    }
    RecordText text;
    if (!convert && !ctx->text && header->format) text.format(ctx->source_cs, header->format, args);
    int cancel_state;
    zel_svc__lock_for_write(stream, &cancel_state);
    flockfile(stream);  // no other writer of the stream gets between the record's pieces
    if (!prefix_left_out(header)) write_prefix_from(stream, header, time, term, false, args);
    if (!header->format && !ctx->text) {
        write_unknown(stream, header);
    } else if (convert) {
        if (ctx->conv) {
            size_t len = static_cast<size_t>(ctx->conv_len);
            write_text(stream, header, ctx->conv,
                       cut_at_character(ctx->target_cs, ctx->conv, len, kRecordTextMax));
        }
    } else if (ctx->text) {
        size_t len = ctx->text_len > 0 ? static_cast<size_t>(ctx->text_len) : 0;
        write_text(stream, header, ctx->text,
                   cut_at_character(ctx->source_cs, ctx->text, len, kRecordTextMax));
    } else {
        write_text(stream, header, text.data(), text.size());
    }
    write_ending(stream, header);
    bool written = fflush_unlocked(stream) == 0 && !ferror_unlocked(stream);
    funlockfile(stream);
    zel_svc__unlock_for_write(stream, cancel_state);
    return written;
}

}  // namespace zel
