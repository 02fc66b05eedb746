// Argument numbering and fetching: gives every value and "*" of the parsed
// conversions its argument number (sequential, "n$" and "*m$", mixed), types
// each argument slot from its first user, and fetches the slots by type.
#include <limits.h>
#include <stdlib.h>

#include "fmt/fmt_internal.h"

namespace zel {
namespace {

constexpr int kUnused = -1;
constexpr int kExplicit = -2;

// Types that read the same argument must agree on its kind, or a renderer
// would take an integer for a pointer.
enum Kind { kInteger, kPointerKind, kDouble, kLongDouble };

Kind kind_of(int type) {
    switch (type) {
    case kTypeString:
    case kTypeWideString:
    case kTypePointer: return kPointerKind;
    case kTypeExp:
    case kTypeFixed:
    case kTypeGeneral: return kDouble;
    case kTypeLongExp:
    case kTypeLongFixed:
    case kTypeLongGeneral: return kLongDouble;
    default: return kInteger;
    }
}

bool claim(zel_fmt_arg *slot, int type) {
    if (slot->type == kUnused) {
        slot->type = type;
        return true;
    }
    return kind_of(slot->type) == kind_of(type);
}

// Gives every "*" and value its number. Every number used is at most
// 3 * conversions when no number is missing, so larger ones fail early.
bool assign_numbers(zel_fmt_ctx *ctx, int *highest, int *explicit_max) {
    const int64_t limit = 3 * static_cast<int64_t>(ctx->conv_count);
    int64_t counter = 0;
    int64_t top = 0;
    int64_t top_explicit = 0;
    auto take = [&](int *field, bool given) {
        if (given) {
            counter = *field;
            if (counter > top_explicit) top_explicit = counter;
        } else {
            ++counter;
        }
        if (counter > limit) return false;
        *field = static_cast<int>(counter);
        if (counter > top) top = counter;
        return true;
    };
    for (int i = 0; i < ctx->conv_count; ++i) {
        zel_fmt_conv *c = &ctx->convs[i];
        if ((c->flags & kFlagWidthArg) && !take(&c->width, c->flags & kFlagWidthArgNum))
            return false;
        if ((c->flags & kFlagPrecArg) && !take(&c->precision, c->flags & kFlagPrecArgNum))
            return false;
        if (!take(&c->argnum, c->flags & kFlagValueNum)) return false;
    }
    *highest = static_cast<int>(top);
    *explicit_max = static_cast<int>(top_explicit);
    return true;
}

// Every number up to the highest explicit one must itself be given explicitly.
bool explicit_numbers_complete(zel_fmt_ctx *ctx, int explicit_max) {
    zel_fmt_arg *slots = ctx->args;
    for (int n = 1; n <= explicit_max; ++n) slots[n].type = kUnused;
    for (int i = 0; i < ctx->conv_count; ++i) {
        const zel_fmt_conv *c = &ctx->convs[i];
        if (c->flags & kFlagWidthArgNum) slots[c->width].type = kExplicit;
        if (c->flags & kFlagPrecArgNum) slots[c->precision].type = kExplicit;
        if (c->flags & kFlagValueNum) slots[c->argnum].type = kExplicit;
    }
    for (int n = 1; n <= explicit_max; ++n) {
        if (slots[n].type != kExplicit) return false;
    }
    return true;
}

// The first user of a number decides its type; a "%%" takes a slot only when
// nothing else uses its number, and then nothing is fetched for it.
bool type_slots(zel_fmt_ctx *ctx, int highest) {
    zel_fmt_arg *slots = ctx->args;
    for (int n = 1; n <= highest; ++n) slots[n].type = kUnused;
    bool percent = false;
    for (int i = 0; i < ctx->conv_count; ++i) {
        const zel_fmt_conv *c = &ctx->convs[i];
        if ((c->flags & kFlagWidthArg) && !claim(&slots[c->width], kTypeUInt)) return false;
        if ((c->flags & kFlagPrecArg) && !claim(&slots[c->precision], kTypeUInt)) return false;
        if (c->type == kTypePercent) {
            percent = true;
        } else if (!claim(&slots[c->argnum], c->type)) {
            return false;
        }
    }
    if (percent) {
        for (int i = 0; i < ctx->conv_count; ++i) {
            const zel_fmt_conv *c = &ctx->convs[i];
            if (c->type == kTypePercent && slots[c->argnum].type == kUnused) {
                slots[c->argnum].type = kTypePercent;
                slots[c->argnum].value.u = '%';
            }
        }
    }
    for (int n = 1; n <= highest; ++n) {
        if (slots[n].type == kUnused) return false;
    }
    return true;
}

bool allocate_slots(zel_fmt_ctx *ctx, int highest) {
    if (highest < ZEL_FMT_BUILTIN) return true;
    size_t n = static_cast<size_t>(highest) + 1;
    ctx->args = static_cast<zel_fmt_arg *>(malloc(n * sizeof(zel_fmt_arg)));
    if (ctx->args) return true;
    ctx->args = ctx->builtin_args;
    return false;
}

}  // namespace

int fmt_number_arguments(zel_fmt_ctx *ctx, const ParseSummary &summary, int *highest) {
    if (!summary.explicit_num) {
        // The parse numbered them already; more than 9 need the allocated slots typed.
        *highest = static_cast<int>(summary.numbers);  // at most 3 * INT_MAX / 3
        if (*highest < ZEL_FMT_BUILTIN) return 0;
        if (!allocate_slots(ctx, *highest)) return -1;
        int k = 0;
        for (int i = 0; i < ctx->conv_count; ++i)
            number_in_order(&ctx->convs[i], ctx->args, INT_MAX, k);
        return 0;
    }
    int explicit_max;
    if (!assign_numbers(ctx, highest, &explicit_max)) return -1;
    if (!allocate_slots(ctx, *highest)) return -1;
    if (explicit_max > 0 && !explicit_numbers_complete(ctx, explicit_max)) return -1;
    return type_slots(ctx, *highest) ? 0 : -1;
}

void fmt_fetch_arguments(zel_fmt_ctx *ctx, int highest, va_list *ap) {
    for (int n = 1; n <= highest; ++n) fetch_argument(&ctx->args[n], ctx->args[n].type, ap);
}

}  // namespace zel
