// Renderers of integers: signed decimal, and unsigned decimal, octal and
// hexadecimal (pointers included), with sign, "0x" or octal "0" prefixes,
// precision zeros and padding.
#include "fmt/fmt_internal.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

constexpr int kDigitsMax = 24;  // 22 octal digits hold 64 bits

const char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the digits of v before `end`; returns their count (none for 0).
ZEL_RECORD_PATH int decimal_digits(uint64_t v, char *end) {
    char *p = end;
    // 32-bit arithmetic where it suffices: 64-bit division is slow on i386.
    while (v > UINT32_MAX) {
        unsigned r = static_cast<unsigned>(v % 100);
        v /= 100;
        p -= 2;
        memcpy(p, kPairs + 2 * r, 2);
    }
    uint32_t w = static_cast<uint32_t>(v);
    while (w >= 100) {
        unsigned r = w % 100;
        w /= 100;
        p -= 2;
        memcpy(p, kPairs + 2 * r, 2);
    }
    if (w >= 10) {
        p -= 2;
        memcpy(p, kPairs + 2 * w, 2);
    } else if (w > 0) {
        *--p = static_cast<char>('0' + w);
    }
    return static_cast<int>(end - p);
}

int power_of_two_digits(uint64_t v, char *end, int shift, const char *digits) {
    char *p = end;
    unsigned mask = (1u << shift) - 1;
    for (; v != 0; v >>= shift) *--p = digits[v & mask];
    return static_cast<int>(end - p);
}

// Lays out prefix, precision zeros and digits in the width.
int64_t lay_out(Sink &out, const RenderParams &r, bool left, const char *prefix, int prefix_len,
                int64_t zeros, const char *digits, int digit_count) {
    int64_t len = prefix_len + zeros + digit_count;
    int64_t pad = r.width - len;
    if (pad < 0) pad = 0;
    if (left) {
        out.put(prefix, static_cast<size_t>(prefix_len));
        out.fill('0', zeros);
        out.put(digits, static_cast<size_t>(digit_count));
        out.fill(' ', pad);
    } else if (r.pad == '0') {
        out.put(prefix, static_cast<size_t>(prefix_len));
        out.fill('0', pad + zeros);
        out.put(digits, static_cast<size_t>(digit_count));
    } else {
        out.fill(' ', pad);
        out.put(prefix, static_cast<size_t>(prefix_len));
        out.fill('0', zeros);
        out.put(digits, static_cast<size_t>(digit_count));
    }
    return len + pad;
}

}  // namespace

ZEL_RECORD_PATH int64_t render_signed(const zel_fmt_conv *conv, const zel_fmt_arg *args,
                                      Sink &out) {
    uint64_t raw = args[conv->argnum].value.u;
    int64_t v;
    // Narrowed to the conversion's own size, in case a wider type fetched it.
    switch (conv->type) {
    case kTypeShort: v = static_cast<int16_t>(raw); break;
    case kTypeInt: v = static_cast<int32_t>(raw); break;
    case kTypeLong: v = static_cast<long>(raw); break;
    default: v = static_cast<int64_t>(raw); break;
    }
    uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);

    char buf[kDigitsMax];
    char *end = buf + kDigitsMax;
    int n = decimal_digits(magnitude, end);
    if (!(conv->flags & kLayoutFlags)) {
        char *first = end - n;
        if (n == 0) *--first = '0';
        if (v < 0) *--first = '-';
        out.put(first, static_cast<size_t>(end - first));
        return end - first;
    }
    RenderParams r = render_params(conv, args, out.cap);
    int64_t zeros = r.precision > n ? r.precision - n : 0;

    char sign = v < 0                        ? '-'
                : (conv->flags & kFlagPlus)  ? '+'
                : (conv->flags & kFlagSpace) ? ' '
                                             : 0;
    return lay_out(out, r, conv->flags & kFlagMinus, &sign, sign ? 1 : 0, zeros, end - n, n);
}

ZEL_RECORD_PATH int64_t render_unsigned(const zel_fmt_conv *conv, const zel_fmt_arg *args,
                                        Sink &out) {
    const zel_fmt_arg &arg = args[conv->argnum];
    uint64_t v;
    switch (conv->type) {
    case kTypeUShort: v = static_cast<uint16_t>(arg.value.u); break;
    case kTypeUInt: v = static_cast<uint32_t>(arg.value.u); break;
    case kTypeULong: v = static_cast<unsigned long>(arg.value.u); break;
    case kTypePointer: v = reinterpret_cast<uintptr_t>(arg.value.p); break;
    default: v = arg.value.u; break;
    }

    unsigned32 flags = conv->flags;
    bool alt = flags & kFlagAlt;
    char buf[kDigitsMax];
    char *end = buf + kDigitsMax;
    const char *prefix = "";
    int prefix_len = 0;
    int n;
    if (flags & kFlagOctal) {
        n = power_of_two_digits(v, end, 3, "01234567");
    } else if (flags & (kFlagHexLower | kFlagHexUpper)) {
        bool upper = flags & kFlagHexUpper;
        n = power_of_two_digits(v, end, 4, upper ? "0123456789ABCDEF" : "0123456789abcdef");
        if (alt && v != 0) {
            prefix = upper ? "0X" : "0x";
            prefix_len = 2;
        }
    } else {
        n = decimal_digits(v, end);
    }
    if (!(flags & kLayoutFlags)) {
        char *first = end - n;
        if (n == 0) *--first = '0';
        out.put(first, static_cast<size_t>(end - first));
        return end - first;
    }
    RenderParams r = render_params(conv, args, out.cap);
    int64_t zeros = r.precision > n ? r.precision - n : 0;
    // "#" octal: a leading 0 unless the precision already gives one.
    if (alt && (flags & kFlagOctal) && v != 0 && zeros == 0) zeros = 1;
    return lay_out(out, r, flags & kFlagMinus, prefix, prefix_len, zeros, end - n, n);
}

}  // namespace zel
