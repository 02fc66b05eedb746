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
        if (n > (INT_MAX - d) / 10) return false;
        n = n * 10 + d;
    }
    *value = n;
    return true;
}

// What a conversion character is, without length modifiers: its type, the
// flags it adds, and how a length modifier changes the type.
enum LetterKind : unsigned char {
    kNoConversion,
    kAnyLength,  // c C s S p %: the length changes nothing
    kInteger,    // d i o u x X: "h", "l", "ll" pick the size
    kFloating,   // e E f g G: "ll" means long double; "h" or "l" is an error
};
struct Letter {
    LetterKind kind;
    signed char type;  // at int size for integers
    unsigned32 flags;
};

constexpr Letter letter(char ch) {
    switch (ch) {
    case 'c': return {kAnyLength, kTypeChar, 0};
    case 'C': return {kAnyLength, kTypeWideChar, 0};
    case 's': return {kAnyLength, kTypeString, 0};
    case 'S': return {kAnyLength, kTypeWideString, 0};
    case 'p': return {kAnyLength, kTypePointer, kFlagHexLower | kFlagAlt};
    case '%': return {kAnyLength, kTypePercent, kFlagPercent};
    case 'd': case 'i': return {kInteger, kTypeInt, 0};
    case 'o': return {kInteger, kTypeUInt, kFlagOctal};
    case 'u': return {kInteger, kTypeUInt, 0};
    case 'x': return {kInteger, kTypeUInt, kFlagHexLower};
    case 'X': return {kInteger, kTypeUInt, kFlagHexUpper};
    case 'e': return {kFloating, kTypeExp, 0};
    case 'E': return {kFloating, kTypeExp, kFlagUpperFloat};
    case 'f': return {kFloating, kTypeFixed, 0};
    case 'g': return {kFloating, kTypeGeneral, 0};
    case 'G': return {kFloating, kTypeGeneral, kFlagUpperFloat};
    default: return {kNoConversion, -1, 0};  // "n", "a", "F", the end of the format...
    }
}

struct LetterTable {
    Letter entry[128];
    constexpr LetterTable() : entry() {
        for (int ch = 0; ch < 128; ++ch) entry[ch] = letter(static_cast<char>(ch));
    }
    const Letter &operator[](char ch) const {
        unsigned char u = static_cast<unsigned char>(ch);
        return entry[u < 128 ? u : 0];
    }
};
constexpr LetterTable kLetters;

enum Length { kNone, kShort, kLong, kLongLong };

// The type of a conversion character after length modifiers; -1 when the
// pair is not a conversion ("%lf" is not ours).
int type_with_length(const Letter &l, Length len) {
    // Integer types come in pairs (signed, unsigned): short, int, long, long long.
    static const int kIntegerStep[] = {0, kTypeShort - kTypeInt, kTypeLong - kTypeInt,
                                       kTypeLongLong - kTypeInt};
    switch (l.kind) {
    case kAnyLength:
        return l.type;
    case kInteger:
        return l.type + kIntegerStep[len];
    case kFloating:
        if (len == kShort || len == kLong) return -1;
        return len == kLongLong ? l.type + (kTypeLongExp - kTypeExp) : l.type;
    default:
        return -1;
    }
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
        if (ch == 'h' && len == kNone) {
            len = kShort;
        } else if (ch == 'l' && (len == kNone || len == kLong)) {
            len = len == kNone ? kLong : kLongLong;
        } else if ((ch == 'L' || ch == 'q') && len == kNone) {
            len = kLongLong;
        } else if (ch == 'h' || ch == 'l' || ch == 'L' || ch == 'q') {
            return false;
        } else {
            break;
        }
    }
    static const unsigned32 kLengthFlag[] = {0, kFlagShort, kFlagLong, kFlagLongLong};
    flags |= kLengthFlag[len];
    return true;
}

bool read_conversion_character(const char *&p, Length len, zel_fmt_conv *c, unsigned32 &flags) {
    const Letter &l = kLetters[*p];
    int type = type_with_length(l, len);
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

    // Most conversions are a bare letter ("%s", "%d"), or "l" and an integer
    // letter ("%ld"): no steps needed.
    const Letter &first = kLetters[*p];
    if (first.kind != kNoConversion) {
        c->type = first.type;
        c->flags = first.flags;
        return p + 1;
    }
    if (*p == 'l') {
        const Letter &second = kLetters[p[1]];
        if (second.kind == kInteger) {
            c->type = type_with_length(second, kLong);
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
