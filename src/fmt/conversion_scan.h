// The grammar of one printf conversion, as the formatting engine reads it:
// "%", argument number, flags, width, precision, length, conversion
// character. Every reader of conversions in the library and its tools uses
// this scanner, so that all of them agree on what a conversion is.
#ifndef ZEL_SRC_FMT_CONVERSION_SCAN_H
#define ZEL_SRC_FMT_CONVERSION_SCAN_H

#include <zel/fmt.h>

namespace zel {

// Reads the conversion whose "%" is at `percent` into *conv (type, flags,
// argument number, width and precision or their argument numbers, start and
// end). Returns the position after its conversion character, or null when
// the engine rejects the conversion ("%n", "%lf", a number that overflows,
// the end of the text...).
const char *scan_conversion(const char *percent, zel_fmt_conv *conv);

}  // namespace zel

#endif
