// A record's text, formatted once and bounded: the engine with the record
// limits (widths and precisions capped), the platform printf for the formats
// only it knows, the format itself when neither takes it; cut at a character.
#include "svc/record/record_text.h"

#include <zel/fmt.h>
#include <zel/msg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fmt/fmt_internal.h"

namespace zel {
namespace {

// Bytes rendered past the limit, so that the character that straddles it is
// whole when the cut is decided.
constexpr size_t kSlack = 16;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A copy of format with every width and precision above the cap written as
// the cap, for the platform printf, which has no cap of its own. Null when
// the format takes a width or precision from the arguments ("*"): their
// values cannot be checked without the engine's parse, which refused it.
char *capped_format(const char *format) {
    char *out = static_cast<char *>(std::malloc(std::strlen(format) + 1));
    if (!out) return nullptr;
    const char *p = format;
    char *o = out;
    while (*p) {
        if (*p != '%') {
            *o++ = *p++;
            continue;
        }
        *o++ = *p++;
        if (*p == '%') {
            *o++ = *p++;
            continue;
        }
        while (*p && std::strchr("0123456789$.-+ #'*", *p)) {
            if (*p == '*') {
                std::free(out);
                return nullptr;
            }
            if (!is_digit(*p)) {
                *o++ = *p++;
                continue;
            }
            while (*p == '0') *o++ = *p++;  // the zero flag, or leading zeros
            const char *q = p;
            while (is_digit(*q)) ++q;
            if (*q == '$') {  // an argument number, not a field size
                std::memcpy(o, p, static_cast<size_t>(q - p));
                o += q - p;
                p = q;
            } else {
                p = copy_capped_number(p, q, &o);
            }
        }
    }
    *o = '\0';
    return out;
}

}  // namespace

const char *copy_capped_number(const char *text, const char *end, char **out) {
    const char *q = text;
    long value = 0;
    for (; q < end && is_digit(*q); ++q) value = value > kRecordWidthCap ? value : value * 10 + (*q - '0');
    if (value > kRecordWidthCap) {
        *out += std::snprintf(*out, 5, "%d", static_cast<int>(kRecordWidthCap));
    } else {
        std::memcpy(*out, text, static_cast<size_t>(q - text));
        *out += q - text;
    }
    return q;
}

size_t cut_utf8(const char *text, size_t len, size_t max) {
    if (len <= max) return len;
    size_t i = max;  // back to the first byte of the character that straddles max
    while (i > 0 && max - i < 3 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
    return i;
}

size_t cut_at_character(lyr_cs_t cs, const char *text, size_t len, size_t max) {
    if (len <= max) return len;
    size_t i = 0;
    while (i < len) {
        int n = lyr_mblen(cs, text + i, len - i);
        size_t step = n > 0 ? static_cast<size_t>(n) : 1;  // a NUL or a bad byte is one
        if (i + step > max) break;
        i += step;
    }
    return i;
}

RecordText::~RecordText() { std::free(heap_); }

char *RecordText::room(size_t size) {
    std::free(heap_);
    heap_ = static_cast<char *>(std::malloc(size));
    return heap_;
}

void RecordText::take_heap(char *text, size_t len) {
    std::free(heap_);
    heap_ = text;
    data_ = text;
    size_ = len;
}

void RecordText::keep_bounded(lyr_cs_t cs, const char *text, size_t len) {
    data_ = text;
    size_ = cut_at_character(cs, text, len, kRecordTextMax);
}

void RecordText::format(lyr_cs_t cs, const char *format, va_list args) {
    data_ = "";
    size_ = 0;
    if (!format) return;
    zel_fmt_ctx ctx;
    if (fmt_parse(&ctx, cs, format, args) == 0) {
        int n = fmt_render_record(&ctx, local_, sizeof local_);
        size_t len = static_cast<size_t>(n);
        if (n >= 0 && len >= sizeof local_) {
            size_t want = len < kRecordTextMax + kSlack ? len : kRecordTextMax + kSlack;
            char *buf = room(want + 1);
            if (buf) {
                fmt_render_record(&ctx, buf, static_cast<int>(want + 1));
                keep_bounded(cs, buf, want);
            } else {  // what the stack buffer holds, whole characters only
                data_ = local_;
                size_ = cut_at_character(cs, local_, sizeof local_ - 1, sizeof local_ - 1 - kSlack);
            }
        } else if (n >= 0) {
            data_ = local_;
            size_ = len;
        }
        fmt_release(&ctx);
        if (n >= 0) return;
    } else if (char *capped = capped_format(format)) {
        char *text = nullptr;
        size_t size = 0;
        FILE *memory = open_memstream(&text, &size);
        int n = -1;
        if (memory) {
            va_list ap;
            va_copy(ap, args);
            n = lyr_vfprintf(cs, 0, memory, capped, ap);
            va_end(ap);
            std::fclose(memory);
        }
        std::free(capped);
        if (n >= 0 && text) {
            take_heap(text, cut_at_character(cs, text, size, kRecordTextMax));
            return;
        }
        std::free(text);
    }
    keep_bounded(cs, format, std::strlen(format));
}

void RecordText::to_utf8(lyr_cs_t cs, const char *text, size_t len) {
    data_ = text;
    size_ = len;
    if (len == 0) return;
    size_t size = 3 * len + 1 + 4;
    char *buf = size <= sizeof local_ ? local_ : room(size);
    int n = buf ? lyr_to_utf8(cs, text, len, buf, size) : -1;
    if (n > 0) {
        data_ = buf;
        size_ = cut_utf8(buf, static_cast<size_t>(n), kRecordTextMax);
    }
}

char *RecordText::copy() const {
    char *out = static_cast<char *>(std::malloc(size_ + 1));
    if (!out) return nullptr;
    std::memcpy(out, data_, size_);
    out[size_] = '\0';
    return out;
}

}  // namespace zel
