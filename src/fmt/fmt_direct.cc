// zel_snprintf's common case without a context, and a record's text: a
// format whose arguments are all sequential is read into an array on the
// stack, its arguments fetched, and rendered. Measuring a format without
// "$" needs no records at all: each conversion is counted as soon as it is
// read.
#include <limits.h>
#include <string.h>

#include "fmt/conversion_scan.h"
#include "fmt/find_byte.h"
#include "fmt/fmt_internal.h"
#include "sys/hot_path.h"

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

// Counts each conversion as soon as it is read, for a format without "$":
// with every argument sequential, its argument is known then.
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

// The whole format is read before any argument is fetched, as a numbered
// argument anywhere changes which argument every conversion takes, and
// before anything is written, so that a malformed one leaves the buffer alone.
// Inlined into both entry points: a call costs as much as a short text.
[[gnu::always_inline]] inline int render(char *buf, int size, lyr_cs_t cs, const char *format,
                                         va_list *ap, int64_t cap, bool null_text) {
    zel_fmt_conv convs[kDirectConversions];
    int count = 0;
    const char *p = format;
    unsigned32 flags = 0;
    for (;;) {
        p = find_percent(p);
        if (*p == '\0') break;
        if (count == kDirectConversions) return kUseContext;
        zel_fmt_conv *c = &convs[count++];
        p = scan_conversion(p, c);
        if (!p) return -1;
        flags |= c->flags;
    }
    if (flags & (kFlagValueNum | kFlagWidthArgNum | kFlagPrecArgNum)) return kUseContext;
    zel_fmt_arg slots[3 * kDirectConversions + 1];
    int next = 1;
    for (int i = 0; i < count; ++i) fetch_in_order(&convs[i], slots, next, ap);
    return render_conversions(cs, format, p, convs, count, slots, buf, size, cap, null_text);
}

}  // namespace

ZEL_RECORD_PATH int fmt_direct(char *buf, int size, lyr_cs_t cs, const char *format, va_list args) {
    if (!format) return -1;
    va_list ap;
    va_copy(ap, args);
    // Measuring a format with a "$" waits, as rendering does, until the
    // numbering is known.
    int n = (!buf || size <= 0) && !strchr(format, '$')
                ? measure(cs, format, &ap)
                : render(buf, size, cs, format, &ap, 0, false);
    va_end(ap);
    return n;
}

ZEL_RECORD_PATH int fmt_direct_record(char *buf, int size, lyr_cs_t cs, const char *format,
                                      va_list args) {
    va_list ap;
    va_copy(ap, args);
    int n = render(buf, size, cs, format, &ap, kRecordWidthCap, true);
    va_end(ap);
    return n;
}

}  // namespace zel
