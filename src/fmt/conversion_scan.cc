// The grammar of one printf conversion, read in named steps: argument number,
// flags, width, precision, length modifiers, conversion character. The
// letter-to-type map below is the only one; the fast paths use it too.
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

enum Length { kNone, kShort, kLong, kLongLong };

// A conversion character: its type after each length modifier (-1: an
// error) and the flags it adds.
struct Letter {
    signed char type[4];  // by Length
    unsigned32 flags;
};

constexpr signed char as_type(int type) { return static_cast<signed char>(type); }

constexpr Letter any_length(int type, unsigned32 flags = 0) {
    return {{as_type(type), as_type(type), as_type(type), as_type(type)}, flags};
}
// Integer types come in pairs (signed, unsigned): short, int, long, long long.
constexpr Letter integer(int int_type, unsigned32 flags = 0) {
    return {
        {as_type(int_type), as_type(int_type + kTypeShort - kTypeInt),
         as_type(int_type + kTypeLong - kTypeInt), as_type(int_type + kTypeLongLong - kTypeInt)},
        flags};
}
// "ll" means long double; "h" or "l" is an error ("%lf" is not ours).
constexpr Letter floating(int type, unsigned32 flags = 0) {
    return {{as_type(type), -1, -1, as_type(type + kTypeLongExp - kTypeExp)}, flags};
}

// The letter-to-type map.
constexpr Letter letter(int ch) {
    switch (ch) {
    case 'c': return any_length(kTypeChar);
    case 'C': return any_length(kTypeWideChar);
    case 's': return any_length(kTypeString);
    case 'S': return any_length(kTypeWideString);
    case 'p': return any_length(kTypePointer, kFlagHexLower | kFlagAlt);
    case '%': return any_length(kTypePercent, kFlagPercent);
    case 'd':
    case 'i': return integer(kTypeInt);
    case 'o': return integer(kTypeUInt, kFlagOctal);
    case 'u': return integer(kTypeUInt);
    case 'x': return integer(kTypeUInt, kFlagHexLower);
    case 'X': return integer(kTypeUInt, kFlagHexUpper);
    case 'e': return floating(kTypeExp);
    case 'E': return floating(kTypeExp, kFlagUpperFloat);
    case 'f': return floating(kTypeFixed);
    case 'g': return floating(kTypeGeneral);
    case 'G': return floating(kTypeGeneral, kFlagUpperFloat);
    default: return {{-1, -1, -1, -1}, 0};  // "n", "a", "F", the end of the format...
    }
}

struct LetterTable {
    Letter entry[256];
    constexpr LetterTable() : entry() {
        for (int ch = 0; ch < 256; ++ch) entry[ch] = letter(ch);
    }
    const Letter &operator[](char ch) const { return entry[static_cast<unsigned char>(ch)]; }
};
constexpr LetterTable kLetters;

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

// The conversion after its "%" at p; the position after its conversion
// character, or null when the engine rejects it.
const char *read_conversion(const char *p, zel_fmt_conv *c) {
    c->argnum = 0;
    c->width = 0;
    c->precision = 0;

    // Most conversions are a bare letter ("%s", "%d"), or "l" and a letter
    // ("%ld"): no steps needed.
    const Letter &first = kLetters[*p];
    if (first.type[kNone] >= 0) {
        c->type = first.type[kNone];
        c->flags = first.flags;
        return p + 1;
    }
    if (*p == 'l') {
        const Letter &second = kLetters[p[1]];
        if (second.type[kLong] >= 0) {
            c->type = second.type[kLong];
            c->flags = second.flags | kFlagLong;
            return p + 2;
        }
    }

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

const char *scan_conversion(const char *percent, zel_fmt_conv *conv) {
    conv->start = percent;
    conv->end = read_conversion(percent + 1, conv);
    return conv->end;
}

}  // namespace zel
