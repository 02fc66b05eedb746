// The two record writers: the direct writer formats a local-code-page text
// onto each stream; the context writer writes the text converted once per call.
#include <zel/msg.h>
#include <zel/svc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "svc/record.h"

namespace zel {
namespace {

constexpr int kXmlTextSize = 20000;

void write_prefix_from(FILE *stream, const zel_svc_prolog *header, const char *time, int term,
                       bool convert_params, va_list args) {
    va_list ap;
    va_copy(ap, args);
    write_prefix(stream, header, time, term, convert_params, ap);
    va_end(ap);
}

// XML records carry UTF-8: the services' printf formats the text as it does
// for the text form, the first kXmlTextSize - 1 bytes are kept, and those are
// converted from the local code page.
void write_xml_text(FILE *stream, const char *format, va_list args) {
    char *formatted = nullptr;
    size_t size = 0;
    FILE *memory = open_memstream(&formatted, &size);
    if (!memory) return;
    int n = lyr_vfprintf(nullptr, 0, memory, format, args);
    std::fclose(memory);
    if (n > 0) {
        char converted[kXmlTextSize];
        size_t length = std::min(size, static_cast<size_t>(kXmlTextSize - 1));
        int m = lyr_to_utf8(zelsvc_get_local_code_page(), formatted, length, converted,
                            sizeof converted);
        if (m > 0) fwrite_unlocked(converted, 1, static_cast<size_t>(m), stream);
    }
    std::free(formatted);
}

}  // namespace

bool zel_svc__vfprintf(FILE *stream, zel_svc_prolog *header, int term, va_list args) {
    char time[kTimeTextSize];
    time_text(header, time);
    int cancel_state;
    zel_svc__lock_for_write(stream, &cancel_state);
    flockfile(stream);  // no other writer of the stream gets between the record's pieces
    if (!prefix_left_out(header)) write_prefix_from(stream, header, time, term, true, args);
    if (header->format) {
        va_list ap;
        va_copy(ap, args);
        if (header->xml) {
            write_xml_text(stream, header->format, ap);
        } else {
            lyr_vfprintf(nullptr, 0, stream, header->format, ap);
        }
        va_end(ap);
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
    int cancel_state;
    zel_svc__lock_for_write(stream, &cancel_state);
    flockfile(stream);  // no other writer of the stream gets between the record's pieces
    if (!prefix_left_out(header)) write_prefix_from(stream, header, time, term, false, args);
    if (!header->format && !ctx->text) {
        write_unknown(stream, header);
    } else if (convert) {
        if (ctx->conv) std::fwrite(ctx->conv, 1, static_cast<size_t>(ctx->conv_len), stream);
    } else if (ctx->text) {
        std::fwrite(ctx->text, 1, static_cast<size_t>(ctx->text_len), stream);
    } else {
        va_list ap;
        va_copy(ap, args);
        lyr_vfprintf(ctx->source_cs, 0, stream, header->format, ap);
        va_end(ap);
    }
    write_ending(stream, header);
    bool written = fflush_unlocked(stream) == 0 && !ferror_unlocked(stream);
    funlockfile(stream);
    zel_svc__unlock_for_write(stream, cancel_state);
    return written;
}

}  // namespace zel
