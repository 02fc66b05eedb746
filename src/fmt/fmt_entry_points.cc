// The engine's exported operations: parse and fetch, render and release a
// context, and on top of them the zel_snprintf and zel_asprintf families
// with their choice of code set for wide characters.
#include <stdlib.h>

#include <zel/msg.h>

#include "fmt/fmt_internal.h"

namespace zel {

int fmt_scan(zel_fmt_ctx *ctx, lyr_cs_t cs, const char *format, int *highest) {
    if (!ctx) return -1;
    ctx->cs = cs;
    ctx->convs = ctx->builtin_convs;
    ctx->conv_count = 0;
    ctx->args = ctx->builtin_args;
    ctx->format = format;
    ParseSummary summary;
    if (!format || fmt_parse_format(ctx, format, &summary) != 0 ||
        fmt_number_arguments(ctx, summary, highest) != 0) {
        fmt_release(ctx);
        return -1;
    }
    ctx->args[0].type = -1;
    ctx->args[0].value.p = summary.end;
    return 0;
}

int fmt_parse(zel_fmt_ctx *ctx, lyr_cs_t cs, const char *format, va_list args) {
    int highest;
    if (fmt_scan(ctx, cs, format, &highest) != 0) return -1;
    va_list ap;
    va_copy(ap, args);
    fmt_fetch_arguments(ctx, highest, &ap);
    va_end(ap);
    return 0;
}

void fmt_release(zel_fmt_ctx *ctx) {
    if (!ctx) return;
    if (ctx->convs != ctx->builtin_convs) free(ctx->convs);
    if (ctx->args != ctx->builtin_args) free(ctx->args);
    ctx->convs = ctx->builtin_convs;
    ctx->args = ctx->builtin_args;
    ctx->conv_count = 0;
    ctx->format = nullptr;
}

}  // namespace zel

using namespace zel;

int zel_vsnprintf_parse(zel_fmt_ctx *ctx, lyr_cs_t cs, const char *format, va_list args) {
    return fmt_parse(ctx, cs, format, args);
}

void zel_vsnprintf_done(zel_fmt_ctx *ctx) { fmt_release(ctx); }

namespace {

// The body of the snprintf family, which its members reach directly rather
// than through an exported name.
int format_into(char *buf, int size, lyr_cs_t cs, const char *format, va_list args) {
    int direct = fmt_direct(buf, size, cs, format, args);
    if (direct != kUseContext) return direct;
    zel_fmt_ctx ctx;
    if (fmt_parse(&ctx, cs, format, args) != 0) return -1;
    int n = fmt_render(&ctx, buf, size);
    fmt_release(&ctx);
    return n;
}

}  // namespace

int zel_vsnprintf_cs(char *buf, int size, lyr_cs_t cs, const char *format, va_list args) {
    return format_into(buf, size, cs, format, args);
}

int zel_vasprintf_cs(char **out, lyr_cs_t cs, const char *format, va_list args) {
    if (!out) return -1;
    zel_fmt_ctx ctx;
    if (fmt_parse(&ctx, cs, format, args) != 0) return -1;
    int n = fmt_render(&ctx, nullptr, 0);
    *out = nullptr;
    if (n >= 0) {
        *out = static_cast<char *>(malloc(static_cast<size_t>(n) + 1));
        if (!*out) {
            n = -1;
        } else if (fmt_render(&ctx, *out, n + 1) < 0) {
            free(*out);
            *out = nullptr;
            n = -1;
        }
    }
    fmt_release(&ctx);
    return n;
}

void zel_asprintf_free(void *text) { free(text); }

int zel_vsnprintf(char *buf, int size, const char *format, va_list args) {
    return format_into(buf, size, nullptr, format, args);
}

int zel_vsnprintf_lcp(char *buf, int size, const char *format, va_list args) {
    return zel_vsnprintf_cs(buf, size, zelsvc_get_local_code_page(), format, args);
}

int zel_vsnprintf_utf8(char *buf, int size, const char *format, va_list args) {
    return zel_vsnprintf_cs(buf, size, zelsvc_get_utf8_code_page(), format, args);
}

int zel_vasprintf(char **out, const char *format, va_list args) {
    return zel_vasprintf_cs(out, nullptr, format, args);
}

int zel_vasprintf_lcp(char **out, const char *format, va_list args) {
    return zel_vasprintf_cs(out, zelsvc_get_local_code_page(), format, args);
}

int zel_vasprintf_utf8(char **out, const char *format, va_list args) {
    return zel_vasprintf_cs(out, zelsvc_get_utf8_code_page(), format, args);
}

// The variadic members forward to their va_list siblings.
#define ZEL_FORWARD(call)   \
    va_list args;           \
    va_start(args, format); \
    int n = call;           \
    va_end(args);           \
    return n

int zel_snprintf_cs(char *buf, int size, lyr_cs_t cs, const char *format, ...) {
    ZEL_FORWARD(format_into(buf, size, cs, format, args));
}
int zel_snprintf(char *buf, int size, const char *format, ...) {
    ZEL_FORWARD(format_into(buf, size, nullptr, format, args));
}
int zel_snprintf_lcp(char *buf, int size, const char *format, ...) {
    ZEL_FORWARD(zel_vsnprintf_lcp(buf, size, format, args));
}
int zel_snprintf_utf8(char *buf, int size, const char *format, ...) {
    ZEL_FORWARD(zel_vsnprintf_utf8(buf, size, format, args));
}
int zel_asprintf_cs(char **out, lyr_cs_t cs, const char *format, ...) {
    ZEL_FORWARD(zel_vasprintf_cs(out, cs, format, args));
}
int zel_asprintf(char **out, const char *format, ...) {
    ZEL_FORWARD(zel_vasprintf_cs(out, nullptr, format, args));
}
int zel_asprintf_lcp(char **out, const char *format, ...) {
    ZEL_FORWARD(zel_vasprintf_lcp(out, format, args));
}
int zel_asprintf_utf8(char **out, const char *format, ...) {
    ZEL_FORWARD(zel_vasprintf_utf8(out, format, args));
}
