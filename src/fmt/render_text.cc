// Renderers of characters and strings: "%c", "%%", the wide "%C", the narrow
// "%s" and the wide "%S", whose 16-bit characters are converted
// into the context's code set and never cut in the middle.
#include <stdint.h>
#include <string.h>

#include <atomic>

#include "fmt/find_byte.h"
#include "fmt/fmt_internal.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

constexpr int kCharBytes = 16;  // more than any code set needs for one character

// Text of `len` bytes laid out in the width; `write` puts the text itself.
template <typename Write>
int64_t pad_around(Sink &out, const RenderParams &r, bool left, int64_t len, Write write) {
    int64_t pad = r.width - len;
    if (!left) out.fill(' ', pad);
    if (!write()) return -1;
    if (left) out.fill(' ', pad);
    return pad > 0 ? len + pad : len;
}

constexpr size_t kKept = 256;  // converted bytes of a wide string kept on the stack

// The last code set that did not keep plain ASCII text as it is, as EBCDIC
// does. Converting a whole string takes an allocating path in such a set, so
// its strings go character by character; a stale entry only costs time.
std::atomic<uintptr_t> g_not_plain{UINTPTR_MAX};

// Plain ASCII text of `units` units (fewer than kKept) converted as one
// string; true when it became as many bytes. No character converts to less
// than a byte, so then byte i is the character of unit i.
bool convert_ascii(lyr_cs_t cs, const lyr_wchar_t *ws, size_t units, char *bytes) {
    uintptr_t key = reinterpret_cast<uintptr_t>(cs);
    if (g_not_plain.load(std::memory_order_relaxed) == key) return false;
    bool converted = lyr_wcstombs(cs, bytes, ws, kKept + 1) == static_cast<int>(units);
    if (!converted || bytes[0] != static_cast<char>(ws[0]))
        g_not_plain.store(key, std::memory_order_relaxed);
    return converted;
}

// Each character the precision admits is converted once to measure, and kept
// while it fits, so that a character that does not convert fails the call
// before anything is written. Text longer than that, or cut by the buffer,
// is converted again as it is written.
int64_t render_wide_string(lyr_cs_t cs, const lyr_wchar_t *ws, const RenderParams &r, bool left,
                           Sink &out) {
    static const lyr_wchar_t kEmpty[1] = {0};
    if (!ws) ws = kEmpty;
    char kept[kKept + kCharBytes];
    int64_t len = 0;
    size_t units = 0;
    unsigned any = 0;
    for (; ws[units] != 0; ++units) any |= ws[units];
    if (units < kKept && any < 0x80 && convert_ascii(cs, ws, units, kept)) {
        if (r.has_precision && static_cast<uint64_t>(r.precision) < units)
            units = static_cast<size_t>(r.precision);
        len = static_cast<int64_t>(units);
    } else {
        for (units = 0; ws[units] != 0; ++units) {
            char *at = kept + (len < static_cast<int64_t>(kKept) ? len : kKept);
            int n = lyr_wctomb(cs, at, ws[units]);
            if (n < 0 || n > kCharBytes) return -1;
            if (r.has_precision && len + n > r.precision) break;
            len += n;
        }
    }
    return pad_around(out, r, left, len, [&] {
        if (len <= static_cast<int64_t>(kKept) && static_cast<uint64_t>(len) <= out.room) {
            out.put(kept, static_cast<size_t>(len));
            return true;
        }
        for (size_t i = 0; i < units && out.room > 0; ++i) {
            int n = lyr_wctomb(cs, kept, ws[i]);
            if (n < 0 || n > kCharBytes) return false;
            out.put_whole(kept, static_cast<size_t>(n));
        }
        return true;
    });
}

// A record's text is never cut inside a character: the longest start of the
// first len bytes of s that ends on a whole character of cs.
size_t whole_characters(lyr_cs_t cs, const char *s, size_t len) {
    size_t i = 0;
    while (i < len) {
        int n = lyr_mblen(cs, s + i, len - i);
        if (n < 0 && len - i < kCharBytes) break;  // a character cut by the precision
        i += n > 0 ? static_cast<size_t>(n) : 1;
    }
    return i < len ? i : len;
}

}  // namespace

ZEL_RECORD_PATH int64_t render_char(lyr_cs_t cs, const zel_fmt_conv *conv, const zel_fmt_arg *args,
                                    Sink &out) {
    if (conv->type != kTypeWideChar && !(conv->flags & kLayoutFlags)) {
        char c = conv->type == kTypePercent ? '%' : static_cast<char>(args[conv->argnum].value.u);
        out.put(&c, 1);
        return 1;
    }
    RenderParams r = render_params(conv, args, out.cap);
    bool left = conv->flags & kFlagMinus;
    if (conv->type == kTypeWideChar) {
        char bytes[kCharBytes];
        int n = lyr_wctomb(cs, bytes, static_cast<lyr_wchar_t>(args[conv->argnum].value.u));
        if (n < 0 || n > kCharBytes) return -1;
        return pad_around(out, r, left, n, [&] {
            out.put_whole(bytes, static_cast<size_t>(n));
            return true;
        });
    }
    char c = conv->type == kTypePercent ? '%' : static_cast<char>(args[conv->argnum].value.u);
    return pad_around(out, r, left, 1, [&] {
        out.put(&c, 1);
        return true;
    });
}

ZEL_RECORD_PATH int64_t render_string(lyr_cs_t cs, const zel_fmt_conv *conv,
                                      const zel_fmt_arg *args, Sink &out) {
    const void *p = args[conv->argnum].value.p;
    bool wide = conv->type == kTypeWideString;
    if (!wide && !(conv->flags & kLayoutFlags)) return put_string(p, out);
    RenderParams r = render_params(conv, args, out.cap);
    bool left = conv->flags & kFlagMinus;
    const char *s = static_cast<const char *>(p);
    if (!p && out.null_text) {
        s = !r.has_precision || r.precision >= 6 ? "(null)" : "";
    } else if (wide) {
        return render_wide_string(cs, static_cast<const lyr_wchar_t *>(p), r, left, out);
    } else if (!p) {
        s = "";
    }
    // With a precision the string need not be terminated within it.
    size_t len = r.has_precision ? strnlen(s, static_cast<size_t>(r.precision)) : strlen(s);
    if (out.cap > 0 && r.has_precision && len == static_cast<size_t>(r.precision))
        len = whole_characters(cs, s, len);
    return pad_around(out, r, left, static_cast<int64_t>(len), [&] {
        out.put_text(s, len);
        return true;
    });
}

}  // namespace zel
