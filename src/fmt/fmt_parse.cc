// Reads a format into conversion records: the state machine over each
// conversion ("%", argument number, flags, width, precision, length, type)
// and the record array that outgrows the context's built-in one.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "fmt/conversion_scan.h"
#include "fmt/find_byte.h"
#include "fmt/fmt_internal.h"

namespace zel {
namespace {

constexpr int kGrowth = 10;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads decimal digits at *p; false when the number does not fit in an int.
bool read_number(const char *&p, int *value) {
    int n = 0;
    for (; is_digit(*p); ++p) {
        int d = *p - '0';
        if (n > (INT_MAX - d) / 10) return false;
        n = n * 10 + d;
    }
    *value = n;
    return true;
}

// After a "*" of the width or precision: "m$" names its argument, which is
// allowed only when the value's own number was given.
bool read_star_number(const char *&p, unsigned32 flags, int *number, bool *given) {
    *given = false;
    if (!is_digit(*p)) return true;
    if (!(flags & kFlagValueNum)) return false;
    if (!read_number(p, number) || *p != '$' || *number == 0) return false;
    ++p;
    *given = true;
    return true;
}

enum Length { kNone, kShort, kLong, kLongLong };

// The type of conversion character ch after length modifiers len, adding
// its flags; -1 when the pair is not a conversion.
int conversion_type(char ch, Length len, unsigned32 &flags) {
    // Integer types come in pairs (signed, unsigned): short, int, long, long long.
    static const int kLengthStep[] = {2, 0, 4, 6};
    switch (ch) {
    case 'c':
        return kTypeChar;
    case 'C':
        return kTypeWideChar;
    case 's':
        return kTypeString;
    case 'S':
        return kTypeWideString;
    case 'd':
    case 'i':
        return kTypeShort + kLengthStep[len];
    case 'o':
        flags |= kFlagOctal;
        return kTypeUShort + kLengthStep[len];
    case 'u':
        return kTypeUShort + kLengthStep[len];
    case 'x':
        flags |= kFlagHexLower;
        return kTypeUShort + kLengthStep[len];
    case 'X':
        flags |= kFlagHexUpper;
        return kTypeUShort + kLengthStep[len];
    case 'p':
        flags |= kFlagHexLower | kFlagAlt;
        return kTypePointer;
    case 'E':
    case 'G':
        flags |= kFlagUpperFloat;
        [[fallthrough]];
    case 'e':
    case 'f':
    case 'g': {
        if (len == kShort || len == kLong) return -1;  // "%lf" is not ours
        char lower = static_cast<char>(ch | 0x20);
        int type = lower == 'e' ? kTypeExp : lower == 'f' ? kTypeFixed : kTypeGeneral;
        return len == kLongLong ? type + (kTypeLongExp - kTypeExp) : type;
    }
    case '%':
        flags |= kFlagPercent;
        return kTypePercent;
    default:
        return -1;  // "n", "a", "F", the end of the format...
    }
}

// Conversion characters without length modifiers, by character: type + 1
// (0: not a conversion) and flags.
struct Bare {
    signed char type_plus_one;
    unsigned32 flags;
};
constexpr Bare bare(char ch) {
    switch (ch) {
    case 'c': return {kTypeChar + 1, 0};
    case 'C': return {kTypeWideChar + 1, 0};
    case 's': return {kTypeString + 1, 0};
    case 'S': return {kTypeWideString + 1, 0};
    case 'd': case 'i': return {kTypeInt + 1, 0};
    case 'o': return {kTypeUInt + 1, kFlagOctal};
    case 'u': return {kTypeUInt + 1, 0};
    case 'x': return {kTypeUInt + 1, kFlagHexLower};
    case 'X': return {kTypeUInt + 1, kFlagHexUpper};
    case 'p': return {kTypePointer + 1, kFlagHexLower | kFlagAlt};
    case 'e': return {kTypeExp + 1, 0};
    case 'E': return {kTypeExp + 1, kFlagUpperFloat};
    case 'f': return {kTypeFixed + 1, 0};
    case 'g': return {kTypeGeneral + 1, 0};
    case 'G': return {kTypeGeneral + 1, kFlagUpperFloat};
    default: return {0, 0};
    }
}
struct BareTable {
    Bare entry[128];
    constexpr BareTable() : entry() {
        for (int ch = 0; ch < 128; ++ch) entry[ch] = bare(static_cast<char>(ch));
    }
};
constexpr BareTable kBare;

// Parses the conversion whose "%" is at p[-1]; returns the position after its
// conversion character, or null when it is malformed.
const char *parse_conversion(const char *p, zel_fmt_conv *c) {
    unsigned32 flags = 0;
    c->argnum = 0;
    c->width = 0;
    c->precision = 0;

    // Most conversions are a bare letter ("%s", "%d"), or "l" and an integer
    // letter ("%ld"): no state machine needed.
    unsigned char first = static_cast<unsigned char>(*p);
    if (first < 128 && kBare.entry[first].type_plus_one != 0) {
        c->type = kBare.entry[first].type_plus_one - 1;
        c->flags = kBare.entry[first].flags;
        return p + 1;
    }
    if (first == 'l') {
        unsigned char second = static_cast<unsigned char>(p[1]);
        int type = second < 128 ? kBare.entry[second].type_plus_one - 1 : -1;
        if (type == kTypeInt || type == kTypeUInt) {
            c->type = type + (kTypeLong - kTypeInt);
            c->flags = kBare.entry[second].flags | kFlagLong;
            return p + 2;
        }
    }

    // "n$", or digits that are really flags and width.
    if (is_digit(*p)) {
        const char *q = p;
        int n;
        if (read_number(q, &n) && *q == '$') {
            if (n == 0) return nullptr;
            c->argnum = n;
            flags |= kFlagValueNum;
            p = q + 1;
        }
    }

    for (;; ++p) {
        char ch = *p;
        if (ch == ' ') {
            flags |= kFlagSpace;
        } else if (ch == '#') {
            flags |= kFlagAlt;
        } else if (ch == '\'') {
            flags |= kFlagGroup;
        } else if (ch == '+') {
            flags |= kFlagPlus;
        } else if (ch == '-') {
            flags = (flags | kFlagMinus) & ~kFlagZero;
        } else if (ch == '0' && !(flags & kFlagZero)) {
            if (!(flags & kFlagMinus)) flags |= kFlagZero;
        } else {
            break;  // a second "0" starts the width
        }
    }

    if (is_digit(*p)) {
        if (!read_number(p, &c->width)) return nullptr;
        flags |= kFlagWidth;
        if (*p == '*') return nullptr;
    } else if (*p == '*') {
        ++p;
        flags |= kFlagWidthArg;
        bool given;
        if (!read_star_number(p, flags, &c->width, &given)) return nullptr;
        if (given) flags |= kFlagWidthArgNum;
    }

    if (*p == '.') {
        ++p;
        flags &= ~kFlagZero;
        if (*p == '*') {
            ++p;
            flags |= kFlagPrecArg;
            bool given;
            if (!read_star_number(p, flags, &c->precision, &given)) return nullptr;
            if (given) flags |= kFlagPrecArgNum;
        } else {
            if (!read_number(p, &c->precision)) return nullptr;  // no digits: 0
            flags |= kFlagPrec;
            if (*p == '*') return nullptr;
        }
    }

    Length len = kNone;
    for (;; ++p) {
        char ch = *p;
        if (ch == 'h') {
            if (len != kNone) return nullptr;
            len = kShort;
        } else if (ch == 'l') {
            if (len == kNone) {
                len = kLong;
            } else if (len == kLong) {
                len = kLongLong;
            } else {
                return nullptr;
            }
        } else if (ch == 'L' || ch == 'q') {
            if (len != kNone) return nullptr;
            len = kLongLong;
        } else {
            break;
        }
    }
    static const unsigned32 kLengthFlag[] = {0, kFlagShort, kFlagLong, kFlagLongLong};
    flags |= kLengthFlag[len];

    int type = conversion_type(*p, len, flags);
    if (type < 0) return nullptr;
    c->type = type;
    c->flags = flags;
    return p + 1;
}

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

const char *scan_conversion(const char *percent, zel_fmt_conv *conv) {
    conv->start = percent;
    const char *end = parse_conversion(percent + 1, conv);
    conv->end = end;
    return end;
}

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
        c->start = p;
        p = parse_conversion(p + 1, c);
        if (!p) return -1;
        c->end = p;
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
