// The render pass of a parsed context (the pass itself, render_conversions,
// is inline in fmt_internal.h so that the direct path has its own copy), one
// conversion of a record alone, and the render parameters common to all
// renderers.
#include <limits.h>
#include <string.h>

#include "fmt/fmt_internal.h"
#include "sys/hot_path.h"

namespace zel {

ZEL_RECORD_PATH RenderParams render_params(const zel_fmt_conv *conv, const zel_fmt_arg *args,
                                           int64_t cap) {
    RenderParams r;
    unsigned32 flags = conv->flags;
    int64_t width = 0;
    if (flags & kFlagWidthArg) {
        width = static_cast<int>(static_cast<unsigned>(args[conv->width].value.u));
    } else if (flags & kFlagWidth) {
        width = conv->width;
    }
    r.width = width > 0 ? width : 0;
    if (cap > 0 && r.width > cap) r.width = cap;

    // A negative "*" precision counts as none, as in C.
    r.has_precision = false;
    if (flags & kFlagPrecArg) {
        r.precision = static_cast<int>(static_cast<unsigned>(args[conv->precision].value.u));
        r.has_precision = r.precision >= 0;
    } else if (flags & kFlagPrec) {
        r.precision = conv->precision;
        r.has_precision = true;
    }
    if (cap > 0 && r.has_precision && r.precision > cap) r.precision = cap;
    if (!r.has_precision) {
        int type = conv->type;
        if (type == kTypeFixed || type == kTypeLongFixed) {
            r.precision = 6;
        } else if (type >= kTypeShort && type <= kTypeULongLong) {
            r.precision = 1;
        } else {
            r.precision = 0;
        }
    }
    bool numeric = conv->type >= kTypeShort && conv->type <= kTypeLongGeneral;
    r.pad = (flags & kFlagZero) && numeric ? '0' : ' ';
    return r;
}

namespace {

int render_pass(zel_fmt_ctx *ctx, char *buf, int size, int64_t cap, bool null_text) {
    if (!ctx || !ctx->format) return -1;
    return render_conversions(ctx->cs, ctx->format, format_end(ctx), ctx->convs, ctx->conv_count,
                              ctx->args, buf, size, cap, null_text);
}

}  // namespace

int fmt_render(zel_fmt_ctx *ctx, char *buf, int size) {
    return render_pass(ctx, buf, size, 0, false);
}

int fmt_render_record(zel_fmt_ctx *ctx, char *buf, int size) {
    return render_pass(ctx, buf, size, kRecordWidthCap, true);
}

int fmt_render_record_conversion(const zel_fmt_ctx *ctx, int index, char *buf, int size) {
    if (!ctx || index < 0 || index >= ctx->conv_count) return -1;
    Sink out{buf, buf && size > 0 ? static_cast<size_t>(size) - 1 : 0, kRecordWidthCap, true};
    int64_t n = render_conversion(ctx->cs, &ctx->convs[index], ctx->args, out);
    if (buf && size > 0) *out.pos = '\0';
    return n < 0 || n > INT_MAX ? -1 : static_cast<int>(n);
}

}  // namespace zel

int zel_vsnprintf_render(zel_fmt_ctx *ctx, char *buf, int size) {
    return zel::fmt_render(ctx, buf, size);
}
