// Reads a format into conversion records, each read by the conversion
// scanner, in the record array that outgrows the context's built-in one.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "fmt/conversion_scan.h"
#include "fmt/find_byte.h"
#include "fmt/fmt_internal.h"

namespace zel {
namespace {

constexpr int kGrowth = 10;

// The next free record, growing the array by kGrowth records when full.
zel_fmt_conv *next_record(zel_fmt_ctx *ctx) {
    int n = ctx->conv_count;
    if (n >= ZEL_FMT_BUILTIN && n % kGrowth == 0) {
        size_t bytes = sizeof(zel_fmt_conv) * static_cast<size_t>(n + kGrowth);
        zel_fmt_conv *grown;
        if (ctx->convs == ctx->builtin_convs) {
            grown = static_cast<zel_fmt_conv *>(malloc(bytes));
            if (grown) memcpy(grown, ctx->builtin_convs, sizeof ctx->builtin_convs);
        } else {
            grown = static_cast<zel_fmt_conv *>(realloc(ctx->convs, bytes));
        }
        if (!grown) return nullptr;
        ctx->convs = grown;
    }
    return &ctx->convs[ctx->conv_count++];
}

}  // namespace

int fmt_parse_format(zel_fmt_ctx *ctx, const char *format, ParseSummary *summary) {
    constexpr unsigned32 kExplicit = kFlagValueNum | kFlagWidthArgNum | kFlagPrecArgNum;
    unsigned32 all_flags = 0;
    int64_t numbers = 0;
    int sequential = 0;
    const char *p = format;
    for (;;) {
        p = find_percent(p);
        if (*p == '\0') break;
        if (ctx->conv_count == INT_MAX / 3) return -1;  // argument numbers must fit an int
        zel_fmt_conv *c = next_record(ctx);
        if (!c) return -1;
        p = scan_conversion(p, c);
        if (!p) return -1;
        all_flags |= c->flags;
        if (!(all_flags & kExplicit))
            number_in_order(c, ctx->builtin_args, ZEL_FMT_BUILTIN, sequential);
        numbers += 1 + ((c->flags & kFlagWidthArg) != 0) + ((c->flags & kFlagPrecArg) != 0);
    }
    summary->end = p;
    summary->numbers = numbers;
    summary->explicit_num = (all_flags & kExplicit) != 0;
    return 0;
}

}  // namespace zel
