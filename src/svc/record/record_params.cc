// The parameter values of an XML message record: what each conversion of the
// message text contributes to the text, rendered by the engine with the same
// flags, width, precision and length. "%%" is no parameter; a conversion the
// engine rejects gives the failure text and reads no argument.
#include <cstdlib>
#include <cstring>

#include "fmt/conversion_scan.h"
#include "fmt/find_byte.h"
#include "fmt/fmt_internal.h"
#include "svc/record/print_call.h"

namespace zel {
namespace {

constexpr size_t kValueMax = 10000;  // bytes of one value, before conversion
const char kFailure[] = "(Failed to handle a data type in svcprintf, printPrefix())";

// Adds one value: its length, then its bytes, in the code set of the call's
// XML records.
void add_value(PrintCall *call, const char *value, size_t len) {
    lyr_cs_t from = call->ctx.source_cs;
    len = cut_at_character(from, value, len, kValueMax);
    RecordText converted;
    if (call->road == Road::plain) {
        converted.convert(from, call->ctx.target_cs, value, len);
    } else {
        converted.refer(value, len);
    }
    unsigned32 n = static_cast<unsigned32>(converted.size());
    char *slot = call->params.extend(sizeof n + n);
    if (!slot) return;  // out of memory
    std::memcpy(slot, &n, sizeof n);
    std::memcpy(slot + sizeof n, converted.data(), n);
}

// Adds the value of every conversion of a parsed format but "%%".
void add_rendered(PrintCall *call, const zel_fmt_ctx *fmt) {
    char value[kValueMax + 17];
    for (int i = 0; i < fmt->conv_count; ++i) {
        if (fmt->convs[i].type == kTypePercent) continue;
        int n = fmt_render_record_conversion(fmt, i, value, sizeof value);
        if (n < 0) {
            add_value(call, kFailure, sizeof kFailure - 1);
            continue;
        }
        size_t len =
            static_cast<size_t>(n) < sizeof value ? static_cast<size_t>(n) : sizeof value - 1;
        add_value(call, value, len);
    }
}

// A format the engine rejects: the conversions before the first rejected one
// are rendered from a parse of the text up to it (when that parses); the
// rejected one and every one after it give the failure text, as where their
// arguments lie is not known.
void add_after_rejection(PrintCall *call, const char *format) {
    zel_fmt_conv conv;
    const char *p = format;
    while (*(p = find_percent(p)) != '\0') {
        const char *end = scan_conversion(p, &conv);
        if (!end) break;
        p = end;
    }
    bool rendered = false;
    if (*p != '\0') {  // p is the first rejected conversion
        size_t prefix_len = static_cast<size_t>(p - format);
        char *prefix = static_cast<char *>(std::malloc(prefix_len + 1));
        if (prefix) {
            std::memcpy(prefix, format, prefix_len);
            prefix[prefix_len] = '\0';
            zel_fmt_ctx fmt;
            va_list ap;
            va_copy(ap, *call->args);
            if (fmt_parse(&fmt, engine_code_set(call), prefix, ap) == 0) {
                add_rendered(call, &fmt);
                fmt_release(&fmt);
                rendered = true;
            }
            va_end(ap);
            std::free(prefix);
        }
    }
    // Every conversion but "%%" that was not rendered: all of them when the
    // argument numbering was what the engine rejected.
    if (!rendered) p = format;
    while (*(p = find_percent(p)) != '\0') {
        const char *end = scan_conversion(p, &conv);
        if (!end || conv.type != kTypePercent) add_value(call, kFailure, sizeof kFailure - 1);
        p = end ? end : p + 1;
    }
}

}  // namespace

const RecordText &param_values(PrintCall *call) {
    if (call->params_made) return call->params;
    call->params_made = true;
    call_text(call);  // builds the header
    const char *format = call->ctx.header.format;
    if (format && !call->saved && parse_call(call)) {
        add_rendered(call, &call->fmt);
    } else if (format) {
        add_after_rejection(call, format);
    }
    return call->params;
}

}  // namespace zel
