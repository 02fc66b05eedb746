// Renderer of floating conversions: builds a format of the system's printf
// from the conversion's flags, width, precision and length, and lets the
// system library format the number straight into the room.
#include <stdio.h>

#include "fmt/fmt_internal.h"

namespace zel {
namespace {

// snprintf with the width and precision arguments that the built format asks for.
template <typename T>
int format_number(char *dst, size_t size, const char *format, bool width, bool precision, int w,
                  int p, T value) {
    if (width && precision) return snprintf(dst, size, format, w, p, value);
    if (width) return snprintf(dst, size, format, w, value);
    if (precision) return snprintf(dst, size, format, p, value);
    return snprintf(dst, size, format, value);
}

}  // namespace

int64_t render_float(const zel_fmt_conv *conv, const zel_fmt_arg *args, Sink &out) {
    RenderParams r = render_params(conv, args, out.cap);
    unsigned32 flags = conv->flags;

    char format[16];
    char *f = format;
    *f++ = '%';
    if (flags & kFlagZero) *f++ = '0';
    if (flags & kFlagAlt) *f++ = '#';
    if (flags & kFlagMinus) *f++ = '-';
    if (flags & kFlagSpace) *f++ = ' ';
    if (flags & kFlagPlus) *f++ = '+';
    if (flags & kFlagGroup) *f++ = '\'';
    bool width = flags & (kFlagWidth | kFlagWidthArg);
    bool precision = flags & (kFlagPrec | kFlagPrecArg);
    if (width) *f++ = '*';
    if (precision) {
        *f++ = '.';
        *f++ = '*';
    }
    bool long_double = conv->type >= kTypeLongExp;
    if (long_double) *f++ = 'L';
    bool upper = flags & kFlagUpperFloat;
    switch (long_double ? conv->type - (kTypeLongExp - kTypeExp) : conv->type) {
    case kTypeExp: *f++ = upper ? 'E' : 'e'; break;
    case kTypeFixed: *f++ = 'f'; break;
    default: *f++ = upper ? 'G' : 'g'; break;
    }
    *f = '\0';

    // A width that is not positive pads nothing, as for every conversion; a
    // negative precision is passed on and means none, as in C.
    int w = static_cast<int>(r.width);
    int p = r.has_precision ? static_cast<int>(r.precision) : -1;
    // The room always leaves space for the NUL that snprintf adds, inside the
    // caller's buffer; a later piece or the final terminator overwrites it.
    char *dst = out.room > 0 ? out.pos : nullptr;
    size_t size = out.room > 0 ? out.room + 1 : 0;
    const zel_fmt_arg &arg = args[conv->argnum];
    int n = long_double ? format_number(dst, size, format, width, precision, w, p, arg.value.ld)
                        : format_number(dst, size, format, width, precision, w, p, arg.value.d);
    if (n < 0) return -1;
    size_t written = static_cast<size_t>(n) < out.room ? static_cast<size_t>(n) : out.room;
    out.pos += written;
    out.room -= written;
    return n;
}

}  // namespace zel
