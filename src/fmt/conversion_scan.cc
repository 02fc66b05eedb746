// The grammar of one printf conversion, read in named steps: argument number,
// flags, width, precision, length modifiers, conversion character, with the
// letter-to-type map of conversion_scan.h.
#include "fmt/conversion_scan.h"

#include <limits.h>

#include "fmt/fmt_internal.h"

namespace zel {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads decimal digits at p; false when the number does not fit in an int.
bool read_number(const char *&p, int *value) {
    int n = 0;
    for (; is_digit(*p); ++p) {
        int d = *p - '0';
        if (n >= INT_MAX / 10 && (n > INT_MAX / 10 || d > INT_MAX % 10)) return false;
        n = n * 10 + d;
    }
    *value = n;
    return true;
}

// "n$" names the value's argument; digits without "$" are really flags and
// width, and are read again as those.
bool read_argument_number(const char *&p, zel_fmt_conv *c, unsigned32 &flags) {
    if (!is_digit(*p)) return true;
    const char *q = p;
    int n;
    if (!read_number(q, &n) || *q != '$') return true;
    if (n == 0) return false;
    c->argnum = n;
    flags |= kFlagValueNum;
    p = q + 1;
    return true;
}

void read_flags(const char *&p, unsigned32 &flags) {
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
            return;  // a second "0" starts the width
        }
    }
}

// After the "*" of a width or precision: "m$" names its argument, which is
// allowed only when the value's own number was given.
bool read_star(const char *&p, unsigned32 &flags, int *field, unsigned32 star_flag,
               unsigned32 numbered_flag) {
    ++p;
    flags |= star_flag;
    if (!is_digit(*p)) return true;
    if (!(flags & kFlagValueNum)) return false;
    if (!read_number(p, field) || *p != '$' || *field == 0) return false;
    ++p;
    flags |= numbered_flag;
    return true;
}

bool read_width(const char *&p, zel_fmt_conv *c, unsigned32 &flags) {
    if (*p == '*') return read_star(p, flags, &c->width, kFlagWidthArg, kFlagWidthArgNum);
    if (!is_digit(*p)) return true;
    if (!read_number(p, &c->width)) return false;
    flags |= kFlagWidth;
    return *p != '*';
}

// "." and digits (none: 0) or "*"; either clears the zero pad.
bool read_precision(const char *&p, zel_fmt_conv *c, unsigned32 &flags) {
    if (*p != '.') return true;
    ++p;
    flags &= ~kFlagZero;
    if (*p == '*') return read_star(p, flags, &c->precision, kFlagPrecArg, kFlagPrecArgNum);
    if (!read_number(p, &c->precision)) return false;
    flags |= kFlagPrec;
    return *p != '*';
}

// "h", "l", "ll", "L" or "q"; "hh", "lll" and any other pair are errors.
bool read_length(const char *&p, Length &len, unsigned32 &flags) {
    for (;; ++p) {
        char ch = *p;
        if (ch == 'h') {
            if (len != kNone) return false;
            len = kShort;
        } else if (ch == 'l') {
            if (len == kShort || len == kLongLong) return false;
            len = len == kNone ? kLong : kLongLong;
        } else if (ch == 'L' || ch == 'q') {
            if (len != kNone) return false;
            len = kLongLong;
        } else {
            break;
        }
    }
    static const unsigned32 kLengthFlag[] = {0, kFlagShort, kFlagLong, kFlagLongLong};
    flags |= kLengthFlag[len];
    return true;
}

bool read_conversion_character(const char *&p, Length len, zel_fmt_conv *c, unsigned32 flags) {
    const Letter &l = kLetters[*p];
    int type = l.type[len];
    if (type < 0) return false;
    c->type = type;
    c->flags = flags | l.flags;
    ++p;
    return true;
}

// An optional "-" or "0", then one or two digits (the first not a 0) and a
// letter that needs no length: the position after the letter, with *c
// filled; null for any other conversion, which the steps then read.
const char *read_simple_width(const char *p, zel_fmt_conv *c) {
    unsigned32 flags = 0;
    if (*p == '-') {
        flags = kFlagMinus;
        ++p;
    } else if (*p == '0') {
        flags = kFlagZero;
        ++p;
    }
    if (*p < '1' || *p > '9') return nullptr;
    int width = *p++ - '0';
    if (is_digit(*p)) width = width * 10 + (*p++ - '0');
    const Letter &l = kLetters[*p];
    if (l.type[kNone] < 0) return nullptr;  // a third digit, a "$", ".", a length...
    c->type = l.type[kNone];
    c->flags = flags | kFlagWidth | l.flags;
    c->width = width;
    return p + 1;
}

// The conversion after its "%" at p; the position after its conversion
// character, or null when the engine rejects it.
const char *read_conversion(const char *p, zel_fmt_conv *c) {
    c->argnum = 0;
    c->width = 0;
    c->precision = 0;

    // After the bare letters that the inline scan takes, most conversions are
    // "l" and a letter ("%ld"): no steps needed.
    if (*p == 'l') {
        const Letter &second = kLetters[p[1]];
        if (second.type[kLong] >= 0) {
            c->type = second.type[kLong];
            c->flags = second.flags | kFlagLong;
            return p + 2;
        }
    }

    // Next come a "-" or "0" flag and a width of one or two digits before a
    // bare letter ("%-12s", "%08x", "%5d"), read here as the steps read them.
    if (const char *q = read_simple_width(p, c)) return q;

    unsigned32 flags = 0;
    Length len = kNone;
    if (!read_argument_number(p, c, flags)) return nullptr;
    read_flags(p, flags);
    if (!read_width(p, c, flags) || !read_precision(p, c, flags) || !read_length(p, len, flags) ||
        !read_conversion_character(p, len, c, flags))
        return nullptr;
    return p;
}

}  // namespace

const char *scan_conversion_steps(const char *percent, zel_fmt_conv *conv) {
    conv->start = percent;
    conv->end = read_conversion(percent + 1, conv);
    return conv->end;
}

}  // namespace zel
