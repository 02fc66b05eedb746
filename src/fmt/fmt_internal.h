// Shared by the formatting engine's source files: conversion types and flags,
// the output sink that clips to the caller's room, and the pass and renderer
// entry points.
#ifndef ZEL_SRC_FMT_FMT_INTERNAL_H
#define ZEL_SRC_FMT_FMT_INTERNAL_H

#include <limits.h>
#include <stdarg.h>
#include <stdint.h>
#include <string.h>

#include <zel/fmt.h>

#include "fmt/find_byte.h"

namespace zel {

// Conversion types: which argument a conversion fetches and which renderer
// draws it.
enum FmtType : int {
    kTypeChar = 0,          // c
    kTypeWideChar = 1,      // C
    kTypeString = 2,        // s
    kTypeWideString = 3,    // S
    kTypeShort = 4,         // hd hi
    kTypeUShort = 5,        // ho hu hx hX
    kTypeInt = 6,           // d i
    kTypeUInt = 7,          // o u x X; also every "*" argument
    kTypeLong = 8,          // ld li
    kTypeULong = 9,         // lo lu lx lX
    kTypeLongLong = 10,     // lld (or L, q)
    kTypeULongLong = 11,    // llu ...
    kTypePointer = 12,      // p
    kTypeExp = 13,          // e E
    kTypeFixed = 14,        // f
    kTypeGeneral = 15,      // g G
    kTypeLongExp = 16,      // Le LE
    kTypeLongFixed = 17,    // Lf
    kTypeLongGeneral = 18,  // Lg LG
    kTypePercent = 19,      // %%
};

enum FmtFlag : unsigned32 {
    kFlagValueNum = 0x1,
    kFlagAlt = 0x2,
    kFlagMinus = 0x4,
    kFlagZero = 0x8,
    kFlagSpace = 0x10,
    kFlagPlus = 0x20,
    kFlagGroup = 0x40,
    kFlagWidth = 0x80,
    kFlagWidthArg = 0x100,
    kFlagWidthArgNum = 0x200,
    kFlagPrec = 0x400,
    kFlagPrecArg = 0x800,
    kFlagPrecArgNum = 0x1000,
    kFlagShort = 0x2000,
    kFlagLong = 0x4000,
    kFlagLongLong = 0x8000,
    kFlagOctal = 0x10000,
    kFlagHexLower = 0x20000,
    kFlagHexUpper = 0x40000,
    kFlagUpperFloat = 0x80000,
    kFlagPercent = 0x100000,
};

// Copies n bytes; the short pieces that formats are made of are copied
// inline with overlapping fixed-size moves rather than through a call.
inline void copy(char *dst, const char *src, size_t n) {
    if (n >= 8) {
        if (n > 16) {
            memcpy(dst, src, n);
            return;
        }
        uint64_t head, tail;
        memcpy(&head, src, 8);
        memcpy(&tail, src + n - 8, 8);
        memcpy(dst, &head, 8);
        memcpy(dst + n - 8, &tail, 8);
    } else if (n >= 4) {
        uint32_t head, tail;
        memcpy(&head, src, 4);
        memcpy(&tail, src + n - 4, 4);
        memcpy(dst, &head, 4);
        memcpy(dst + n - 4, &tail, 4);
    } else {
        for (size_t i = 0; i < n; ++i) dst[i] = src[i];  // none when measuring: dst is null
    }
}

// The first and last k bytes of n (k < n <= 2k), overlapping in the middle.
template <size_t k>
inline void copy_ends(char *dst, const char *src, size_t n) {
    char head[k], tail[k];
    memcpy(head, src, k);
    memcpy(tail, src + n - k, k);
    memcpy(dst, head, k);
    memcpy(dst + n - k, tail, k);
}

// As copy, for literal runs and string arguments, whose common lengths of up
// to 64 bytes are copied inline too.
inline void copy_text(char *dst, const char *src, size_t n) {
    if (n <= 16 || n > 64) {
        copy(dst, src, n);
    } else if (n <= 32) {
        copy_ends<16>(dst, src, n);
    } else {
        copy_ends<32>(dst, src, n);
    }
}

// Flags that change how a value is laid out; without any of them a
// conversion is just its value's text, which the renderers do directly.
constexpr unsigned32 kLayoutFlags = kFlagAlt | kFlagMinus | kFlagZero | kFlagSpace | kFlagPlus |
                                    kFlagWidth | kFlagWidthArg | kFlagPrec | kFlagPrecArg;

// Where rendered text goes: the rest of the caller's buffer, of which `room`
// bytes may still be written. Writes beyond the room are dropped (the caller
// counts the full length). After a cut that must not leave a partial wide
// character, the room is closed so that later text cannot follow a gap.
struct Sink {
    char *pos;
    size_t room;
    // The record path's limits: widths and precisions above `cap` count as
    // `cap` (0: none), and a null string prints as the platform printf prints it.
    int64_t cap = 0;
    bool null_text = false;

    void put(const char *text, size_t n) {
        if (n > room) n = room;
        copy(pos, text, n);
        pos += n;
        room -= n;
    }
    void put_text(const char *text, size_t n) {
        if (n > room) n = room;
        copy_text(pos, text, n);
        pos += n;
        room -= n;
    }
    void fill(char c, int64_t n) {
        if (n <= 0) return;
        size_t k = static_cast<uint64_t>(n) < room ? static_cast<size_t>(n) : room;
        if (k <= 16) {
            char run[16];
            memset(run, c, sizeof run);
            copy(pos, run, k);
        } else {
            memset(pos, c, k);
        }
        pos += k;
        room -= k;
    }
    // A piece that is written whole or not at all.
    void put_whole(const char *text, size_t n) {
        if (n > room) {
            room = 0;
            return;
        }
        put(text, n);
    }
};

// Width and precision of a conversion, with the defaults applied.
struct RenderParams {
    int64_t width;      // 0 when none or not positive
    int64_t precision;  // -1 when none was given and the type has no default
    bool has_precision;
    char pad;  // '0' or ' '
};
RenderParams render_params(const zel_fmt_conv *conv, const zel_fmt_arg *args, int64_t cap);

// Renderers: each returns the full length of its output (or -1) and writes
// into the sink what fits.
int64_t render_char(lyr_cs_t cs, const zel_fmt_conv *conv, const zel_fmt_arg *args, Sink &out);
int64_t render_string(lyr_cs_t cs, const zel_fmt_conv *conv, const zel_fmt_arg *args, Sink &out);
int64_t render_signed(const zel_fmt_conv *conv, const zel_fmt_arg *args, Sink &out);
int64_t render_unsigned(const zel_fmt_conv *conv, const zel_fmt_arg *args, Sink &out);
int64_t render_float(const zel_fmt_conv *conv, const zel_fmt_arg *args, Sink &out);

// The parse pass without the fetch: reads the format into conversion records,
// numbers the arguments, allocates their slots and sets each slot's type.
// Sets *highest to the highest argument number. 0, or -1 with the context
// released.
int fmt_scan(zel_fmt_ctx *ctx, lyr_cs_t cs, const char *format, int *highest);

// What the numbering needs to know of a parsed format.
struct ParseSummary {
    int64_t numbers;    // values and "*" arguments, "%%" included
    bool explicit_num;  // some "n$" or "*m$" was given
    const char *end;    // the format's terminating NUL
};
// Without explicit numbers every "*" and value takes the next number, and is
// the only user of its slot, which gets its type; slots from `limit` on are
// not stored.
inline void number_in_order(zel_fmt_conv *c, zel_fmt_arg *slots, int limit, int &k) {
    if (c->flags & kFlagWidthArg) {
        c->width = ++k;
        if (k < limit) slots[k].type = kTypeUInt;
    }
    if (c->flags & kFlagPrecArg) {
        c->precision = ++k;
        if (k < limit) slots[k].type = kTypeUInt;
    }
    c->argnum = ++k;
    if (k < limit) {
        slots[k].type = c->type;
        if (c->type == kTypePercent) slots[k].value.u = '%';
    }
}

// Reads the format into conversion records, numbering them as they come while
// no explicit number was seen (the slots of numbers up to 9 are typed then);
// 0 or -1 (the caller releases).
int fmt_parse_format(zel_fmt_ctx *ctx, const char *format, ParseSummary *summary);
// Numbers the arguments and types their slots; 0 or -1 (the caller releases).
int fmt_number_arguments(zel_fmt_ctx *ctx, const ParseSummary &summary, int *highest);
// Fetches slots 1..highest from the argument list by their types.
void fmt_fetch_arguments(zel_fmt_ctx *ctx, int highest, va_list *ap);

// Fetches one argument of conversion type `type` into a slot; integers are
// kept widened by their signedness, and a "%%" takes nothing from the list.
inline void fetch_argument(zel_fmt_arg *slot, int type, va_list *ap) {
    switch (type) {
    case kTypeChar: slot->value.u = static_cast<unsigned char>(va_arg(*ap, int)); break;
    case kTypeWideChar: slot->value.u = static_cast<uint16_t>(va_arg(*ap, int)); break;
    case kTypeString:
    case kTypeWideString:
    case kTypePointer: slot->value.p = va_arg(*ap, const void *); break;
    case kTypeShort:
        slot->value.u =
            static_cast<uint64_t>(static_cast<int64_t>(static_cast<int16_t>(va_arg(*ap, int))));
        break;
    case kTypeUShort: slot->value.u = static_cast<uint16_t>(va_arg(*ap, int)); break;
    case kTypeInt:
        slot->value.u = static_cast<uint64_t>(static_cast<int64_t>(va_arg(*ap, int)));
        break;
    case kTypeUInt: slot->value.u = va_arg(*ap, unsigned int); break;
    case kTypeLong:
        slot->value.u = static_cast<uint64_t>(static_cast<int64_t>(va_arg(*ap, long)));
        break;
    case kTypeULong: slot->value.u = va_arg(*ap, unsigned long); break;
    case kTypeLongLong: slot->value.u = static_cast<uint64_t>(va_arg(*ap, long long)); break;
    case kTypeULongLong: slot->value.u = va_arg(*ap, unsigned long long); break;
    case kTypeExp:
    case kTypeFixed:
    case kTypeGeneral: slot->value.d = va_arg(*ap, double); break;
    case kTypeLongExp:
    case kTypeLongFixed:
    case kTypeLongGeneral: slot->value.ld = va_arg(*ap, long double); break;
    default:  // a "%%" slot takes nothing from the list
        break;
    }
}

// Argument slot 0, which no argument number reaches, keeps the end of the
// format, so that rendering need not measure the text after the last conversion.
inline const char *format_end(const zel_fmt_ctx *ctx) {
    return static_cast<const char *>(ctx->args[0].value.p);
}

// The bodies of zel_vsnprintf_parse, _render and _done, which the library's
// own callers reach without going through the exported names.
int fmt_parse(zel_fmt_ctx *ctx, lyr_cs_t cs, const char *format, va_list args);
int fmt_render(zel_fmt_ctx *ctx, char *buf, int size);

// A narrow string without width or precision: its text, whose length is
// found inline, as most arguments are short.
inline int64_t put_string(const void *p, Sink &out) {
    const char *s = p ? static_cast<const char *>(p) : out.null_text ? "(null)" : "";
    size_t len = string_length(s);
    out.put_text(s, len);
    return static_cast<int64_t>(len);
}

// Hands a conversion to its renderer; the plain string, the commonest, is
// rendered here.
inline int64_t render_conversion(lyr_cs_t cs, const zel_fmt_conv *conv, const zel_fmt_arg *args,
                                 Sink &out) {
    switch (conv->type) {
    case kTypeChar:
    case kTypeWideChar:
    case kTypePercent: return render_char(cs, conv, args, out);
    case kTypeString:
        if (!(conv->flags & kLayoutFlags)) return put_string(args[conv->argnum].value.p, out);
        return render_string(cs, conv, args, out);
    case kTypeWideString: return render_string(cs, conv, args, out);
    case kTypeShort:
    case kTypeInt:
    case kTypeLong:
    case kTypeLongLong: return render_signed(conv, args, out);
    case kTypeUShort:
    case kTypeUInt:
    case kTypeULong:
    case kTypeULongLong:
    case kTypePointer: return render_unsigned(conv, args, out);
    default: return render_float(conv, args, out);
    }
}

// The render pass over conversion records: the literal text of `format` up
// to `end` around `count` conversions, whose arguments are in `args`, into
// buf of size bytes (null or 0: measure); widths and precisions capped at
// `cap` (0: none), null strings as "(null)" when `null_text`.
// Inlined into the engine's two callers, as a call here costs as much as a
// short text.
[[gnu::always_inline]] inline int render_conversions(lyr_cs_t cs, const char *format,
                                                     const char *end, const zel_fmt_conv *convs,
                                                     int count, const zel_fmt_arg *args, char *buf,
                                                     int size, int64_t cap, bool null_text) {
    Sink out{buf, buf && size > 0 ? static_cast<size_t>(size) - 1 : 0, cap, null_text};
    int64_t total = 0;
    int result = 0;
    const char *text = format;
    for (int i = 0; i < count; ++i) {
        const zel_fmt_conv *conv = &convs[i];
        size_t literal = static_cast<size_t>(conv->start - text);
        out.put_text(text, literal);
        int64_t n = render_conversion(cs, conv, args, out);
        if (n < 0) {
            result = -1;
            break;
        }
        total += static_cast<int64_t>(literal) + n;
        text = conv->end;
    }
    if (result == 0) {
        size_t tail = static_cast<size_t>(end - text);
        out.put_text(text, tail);
        total += static_cast<int64_t>(tail);
        result = total > INT_MAX ? -1 : static_cast<int>(total);
    }
    // The text written so far ends where writing stopped: at the full length,
    // at the end of the buffer, or before a wide character that did not fit.
    if (buf && size > 0) *out.pos = '\0';
    return result;
}

// zel_vsnprintf_cs without a context for formats whose arguments are all
// sequential: the result, or kUseContext when the format needs the general
// parse (numbered arguments, many conversions). `args` is not consumed.
constexpr int kUseContext = -2;
int fmt_direct(char *buf, int size, lyr_cs_t cs, const char *format, va_list args);

// The render pass of the record path: widths and precisions capped at
// kRecordWidthCap, null strings printed "(null)" (as the platform printf
// does), so that no argument or catalog text can make a record huge.
constexpr int64_t kRecordWidthCap = 4096;
int fmt_render_record(zel_fmt_ctx *ctx, char *buf, int size);
// The same text straight from a format whose arguments are all sequential,
// as fmt_direct renders it (buf must not be null); kUseContext when the
// format needs the general parse, -1 when it is malformed.
int fmt_direct_record(char *buf, int size, lyr_cs_t cs, const char *format, va_list args);
// What conversion `index` of a parsed format contributes to its record text,
// rendered alone with the same limits; its full length, or -1.
int fmt_render_record_conversion(const zel_fmt_ctx *ctx, int index, char *buf, int size);
void fmt_release(zel_fmt_ctx *ctx);

}  // namespace zel

#endif
