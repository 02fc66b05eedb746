// The arguments a format reads, in order, taken from the engine's own parse
// and numbering, so that the checker and the printer never disagree about
// what a conversion consumes. Also the few shapes the engine accepts but the
// services' printf refuses, which would leave a record without its text.
#include "fmt/format_signature.h"

#include <stdio.h>
#include <string.h>

#include "fmt/fmt_internal.h"

namespace zel {
namespace {

ArgKind kind_of(int type) {
    switch (type) {
    case kTypeLong:
    case kTypeULong: return kArgLong;
    case kTypeLongLong:
    case kTypeULongLong: return kArgLongLong;
    case kTypeExp:
    case kTypeFixed:
    case kTypeGeneral: return kArgDouble;
    case kTypeLongExp:
    case kTypeLongFixed:
    case kTypeLongGeneral: return kArgLongDouble;
    case kTypeString: return kArgString;
    case kTypeWideString: return kArgWideString;
    case kTypePointer: return kArgPointer;
    default:  // c C, h and plain integers, and the unsigned int of a "*"
        return kArgInt;
    }
}

// Lengths that the services' printf refuses: any on C, S and p; "h" or
// "ll" on c and s; "ll" on a floating conversion ("L" and "q" are fine).
// A "%%" must be bare there.
bool refused_by_printer(const zel_fmt_conv &c) {
    constexpr unsigned32 kAnyLength = kFlagShort | kFlagLong | kFlagLongLong;
    switch (c.type) {
    case kTypeChar:
    case kTypeString: return (c.flags & (kFlagShort | kFlagLongLong)) != 0;
    case kTypeWideChar:
    case kTypeWideString:
    case kTypePointer: return (c.flags & kAnyLength) != 0;
    case kTypeLongExp:
    case kTypeLongFixed:
    case kTypeLongGeneral: return c.end[-2] == 'l';
    case kTypePercent: return c.end - c.start != 2;
    default: return false;
    }
}

// The services' printf takes either numbered or unnumbered arguments, never
// both in one format.
bool mixes_numbering(const zel_fmt_ctx &ctx) {
    bool numbered = false, unnumbered = false;
    auto note = [&](bool given) { (given ? numbered : unnumbered) = true; };
    for (int i = 0; i < ctx.conv_count; ++i) {
        const zel_fmt_conv &c = ctx.convs[i];
        if (c.type == kTypePercent) continue;
        if (c.flags & kFlagWidthArg) note((c.flags & kFlagWidthArgNum) != 0);
        if (c.flags & kFlagPrecArg) note((c.flags & kFlagPrecArgNum) != 0);
        note((c.flags & kFlagValueNum) != 0);
    }
    return numbered && unnumbered;
}

bool read_signature(const zel_fmt_ctx &ctx, int highest, FormatSignature *sig) {
    if (mixes_numbering(ctx)) return false;
    for (int i = 0; i < ctx.conv_count; ++i) {
        if (refused_by_printer(ctx.convs[i])) return false;
    }
    // Slots are read in number order; a "%%" slot reads nothing.
    for (int n = 1; n <= highest; ++n) {
        int type = ctx.args[n].type;
        if (type == kTypePercent) continue;
        if (sig->count == kSignatureMax) return false;
        sig->kinds[sig->count++] = kind_of(type);
    }
    return true;
}

}  // namespace

void format_signature(const char *format, FormatSignature *sig) {
    sig->usable = false;
    sig->count = 0;
    zel_fmt_ctx ctx;
    int highest;
    if (!format || fmt_scan(&ctx, nullptr, format, &highest) != 0) return;
    sig->usable = read_signature(ctx, highest, sig);
    if (!sig->usable) sig->count = 0;
    fmt_release(&ctx);
}

bool same_signature(const FormatSignature &a, const FormatSignature &b) {
    return a.usable && b.usable && a.count == b.count &&
           memcmp(a.kinds, b.kinds, static_cast<size_t>(a.count)) == 0;
}

void describe_signature(const FormatSignature &sig, char *text, size_t size) {
    static const char *const kSpelling[] = {"%d", "%ld", "%lld", "%f", "%Lf", "%s", "%S", "%p"};
    if (!sig.usable || sig.count == 0) {
        snprintf(text, size, "%s", sig.usable ? "none" : "unusable");
        return;
    }
    size_t used = 0;
    text[0] = '\0';
    for (int i = 0; i < sig.count && used + 1 < size; ++i) {
        int n = snprintf(text + used, size - used, "%s%s", i ? " " : "", kSpelling[sig.kinds[i]]);
        if (n < 0) break;
        used += static_cast<size_t>(n);
    }
}

}  // namespace zel
