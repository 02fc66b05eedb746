// The arguments a format reads from its argument list, in order, as the
// formatting engine's parse numbers them: what a message text taken from a
// catalog must agree with before it may be formatted with a caller's arguments.
#ifndef ZEL_SRC_FMT_FORMAT_SIGNATURE_H
#define ZEL_SRC_FMT_FORMAT_SIGNATURE_H

#include <stddef.h>

namespace zel {

// What the argument list really reads: integers that travel as an int
// (c C d i o u x X, with or without "h", and every "*"), long, long long,
// double, long double, a narrow string, a 16-bit wide string, a pointer.
enum ArgKind : unsigned char {
    kArgInt,
    kArgLong,
    kArgLongLong,
    kArgDouble,
    kArgLongDouble,
    kArgString,
    kArgWideString,
    kArgPointer,
};

constexpr int kSignatureMax = 64;

struct FormatSignature {
    // False when the format cannot be printed safely with any argument list:
    // the engine rejects it ("%n" among others), it mixes numbered and
    // unnumbered arguments or carries a length the services' printf refuses,
    // or it reads more than kSignatureMax arguments.
    bool usable;
    int count;  // arguments read, 0..kSignatureMax
    ArgKind kinds[kSignatureMax];
};

// The signature of `format` (null: not usable). Allocates nothing for
// formats of up to 10 conversions and 9 arguments.
void format_signature(const char *format, FormatSignature *sig);

// True when both are usable and read the same kinds in the same order.
bool same_signature(const FormatSignature &a, const FormatSignature &b);

// The signature as conversions ("%s %d"), "none" for no arguments or
// "unusable"; cut to fit `size` (at least 1).
void describe_signature(const FormatSignature &sig, char *text, size_t size);

}  // namespace zel

#endif
