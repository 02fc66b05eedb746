// zel_snprintf's common case without a context: a format without "$", whose
// arguments are all sequential, is read and its arguments fetched in one go
// into arrays on the stack, then rendered. Measuring needs no records at
// all: each conversion is counted as soon as it is read.
#include <limits.h>
#include <string.h>

#include "fmt/conversion_scan.h"
#include "fmt/find_byte.h"
#include "fmt/fmt_internal.h"

namespace zel {
namespace {

// Conversions read before the general parse takes over; more are rare.
constexpr int kDirectConversions = 16;

// Fetches the "*" arguments and the value of a conversion in the order that
// sequential numbering reads them, into slots from `next` on.
inline void fetch_in_order(zel_fmt_conv *c, zel_fmt_arg *slots, int &next, va_list *ap) {
    if (c->flags & kFlagWidthArg) {
        c->width = next;
        fetch_argument(&slots[next++], kTypeUInt, ap);
    }
    if (c->flags & kFlagPrecArg) {
        c->precision = next;
        fetch_argument(&slots[next++], kTypeUInt, ap);
    }
    c->argnum = next;
    fetch_argument(&slots[next++], c->type, ap);
}

// Counts each conversion as soon as it is read: with every argument
// sequential, its argument is known then.
int measure(lyr_cs_t cs, const char *format, va_list *ap) {
    zel_fmt_arg slots[4];
    Sink none{nullptr, 0};
    int64_t total = 0;
    const char *p = format;
    for (;;) {
        const char *percent = find_percent(p);
        total += percent - p;
        if (*percent == '\0') break;
        zel_fmt_conv c;
        p = scan_conversion(percent, &c);
        if (!p) return -1;
        int next = 1;
        fetch_in_order(&c, slots, next, ap);
        int64_t n = render_conversion(cs, &c, slots, none);
        if (n < 0) return -1;
        total += n;
    }
    return total > INT_MAX ? -1 : static_cast<int>(total);
}

// The whole format is read before anything is written, so that a malformed
// one leaves the buffer alone.
int render(char *buf, int size, lyr_cs_t cs, const char *format, va_list *ap) {
    zel_fmt_conv convs[kDirectConversions];
    zel_fmt_arg slots[3 * kDirectConversions + 1];
    int count = 0, next = 1;
    const char *p = format;
    for (;;) {
        p = find_percent(p);
        if (*p == '\0') break;
        if (count == kDirectConversions) return kUseContext;
        zel_fmt_conv *c = &convs[count++];
        p = scan_conversion(p, c);
        if (!p) return -1;
        fetch_in_order(c, slots, next, ap);
    }
    return render_conversions(cs, format, p, convs, count, slots, buf, size, 0, false);
}

}  // namespace

int fmt_direct(char *buf, int size, lyr_cs_t cs, const char *format, va_list args) {
    if (!format) return -1;
    // A numbered argument anywhere changes which argument every conversion
    // takes: nothing may be fetched before the numbering is known.
    if (strchr(format, '$')) return kUseContext;
    va_list ap;
    va_copy(ap, args);
    int n = !buf || size <= 0 ? measure(cs, format, &ap) : render(buf, size, cs, format, &ap);
    va_end(ap);
    return n;
}

}  // namespace zel
