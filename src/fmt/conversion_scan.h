// The grammar of one printf conversion, as the formatting engine reads it:
// "%", argument number, flags, width, precision, length, conversion
// character. Every reader of conversions in the library and its tools uses
// this scanner, so that all of them agree on what a conversion is.
#ifndef ZEL_SRC_FMT_CONVERSION_SCAN_H
#define ZEL_SRC_FMT_CONVERSION_SCAN_H

#include <zel/fmt.h>

#include "fmt/fmt_internal.h"

namespace zel {

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

// The letter-to-type map, the only one: the steps and the inline scan of
// bare conversions both read it.
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
inline constexpr LetterTable kLetters;

// Reads a conversion that is more than a bare letter, step by step.
const char *scan_conversion_steps(const char *percent, zel_fmt_conv *conv);

// Reads the conversion whose "%" is at `percent` into *conv (type, flags,
// argument number, width and precision or their argument numbers, start and
// end). Returns the position after its conversion character, or null when
// the engine rejects the conversion ("%n", "%lf", a number that overflows,
// the end of the text...). Most conversions are a bare letter ("%s", "%d"),
// read here without a call.
inline const char *scan_conversion(const char *percent, zel_fmt_conv *conv) {
    const Letter &bare = kLetters[percent[1]];
    if (bare.type[kNone] < 0) return scan_conversion_steps(percent, conv);
    conv->start = percent;
    conv->end = percent + 2;
    conv->type = bare.type[kNone];
    conv->flags = bare.flags;
    conv->argnum = 0;
    conv->width = 0;
    conv->precision = 0;
    return conv->end;
}

}  // namespace zel

#endif
