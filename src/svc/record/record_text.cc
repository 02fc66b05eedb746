// The bytes of a record's text: rendered by the engine with the record
// limits, converted between code sets, cut at a whole character.
#include "svc/record/record_text.h"

#include <zel/msg.h>

#include <cstdlib>
#include <cstring>

#include "fmt/fmt_internal.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

// Bytes rendered past the limit, so that the character that straddles it is
// whole when the cut is decided.
constexpr size_t kSlack = 16;

}  // namespace

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

void RecordText::release() { std::free(heap_); }

char *RecordText::room(size_t size) {
    if (size <= sizeof local_) return local_;
    if (heap_ && size <= heap_size_) return heap_;
    char *grown = static_cast<char *>(std::malloc(size));
    if (!grown) return nullptr;
    std::free(heap_);
    heap_ = grown;
    heap_size_ = size;
    return grown;
}

void RecordText::refer(const char *text, size_t len) {
    data_ = text;
    size_ = len;
}

ZEL_RECORD_PATH bool RecordText::render_direct(lyr_cs_t engine_cs, const char *format,
                                               va_list args) {
    int n = fmt_direct_record(local_, sizeof local_, engine_cs, format, args);
    if (n < 0 || static_cast<size_t>(n) >= sizeof local_) return false;
    data_ = local_;
    size_ = static_cast<size_t>(n);
    return true;
}

bool RecordText::render(zel_fmt_ctx *ctx, lyr_cs_t cs) {
    int n = fmt_render_record(ctx, local_, sizeof local_);
    if (n < 0) return false;
    size_t len = static_cast<size_t>(n);
    data_ = local_;
    size_ = len;
    if (len < sizeof local_) return true;
    // Longer than the stack buffer: rendered again into the heap, up to the
    // limit and a little more.
    size_t want = len < kRecordTextMax + kSlack ? len : kRecordTextMax + kSlack;
    char *buf = room(want + 1);
    if (buf) {
        fmt_render_record(ctx, buf, static_cast<int>(want + 1));
        data_ = buf;
        size_ = cut_at_character(cs, buf, want, kRecordTextMax);
    } else {  // what the stack buffer holds, whole characters only
        size_ = cut_at_character(cs, local_, sizeof local_ - 1, sizeof local_ - 1 - kSlack);
    }
    return true;
}

void RecordText::convert(lyr_cs_t from, lyr_cs_t to, const char *text, size_t len) {
    refer(text, len);
    if (from == to || len == 0) return;
    bool from_utf8 = from == zel_svc_cs_utf8;
    size_t size = (from_utf8 ? 2 * len : 3 * len) + 1 + 4;
    char *buf = room(size);
    if (!buf) return;
    int n = from_utf8 ? lyr_from_utf8(to, text, len, buf, size)
                      : lyr_to_utf8(from, text, len, buf, size);
    if (n < 1) return;
    data_ = buf;
    size_ = cut_at_character(to, buf, static_cast<size_t>(n), kRecordTextMax);
}

const char *RecordText::c_str(lyr_cs_t cs) {
    char *own = data_ == local_ ? local_ : heap_ && data_ == heap_ ? heap_ : nullptr;
    size_t held = own == local_ ? sizeof local_ : heap_size_;
    if (own && size_ < held) {
        own[size_] = '\0';
        return own;
    }
    char *buf = nullptr;
    if (size_ < sizeof local_ && !own) {
        buf = local_;
    } else if ((buf = static_cast<char *>(std::malloc(size_ + 1)))) {
        std::memcpy(buf, data_, size_);
        std::free(heap_);  // data_ moved out of it above
        heap_ = buf;
        heap_size_ = size_ + 1;
        data_ = buf;
        buf[size_] = '\0';
        return buf;
    } else {
        buf = local_;
        size_ = cut_at_character(cs, data_, size_, sizeof local_ - 1);
    }
    std::memmove(buf, data_, size_);
    buf[size_] = '\0';
    data_ = buf;
    return buf;
}

char *RecordText::extend(size_t len) {
    bool own = data_ == local_ || (heap_ && data_ == heap_);
    size_t held = own && data_ == heap_ ? heap_size_ : sizeof local_;
    if (!own || size_ + len > held) {  // a buffer of its own, with room to grow
        size_t want = size_ + len > sizeof local_ ? 2 * (size_ + len) : sizeof local_;
        char *buf = want <= sizeof local_ && data_ != local_
                        ? local_
                        : static_cast<char *>(std::malloc(want));
        if (!buf) return nullptr;
        std::memmove(buf, data_, size_);
        if (buf != local_) {
            std::free(heap_);
            heap_ = buf;
            heap_size_ = want;
        }
        data_ = buf;
    }
    char *end = const_cast<char *>(data_) + size_;
    size_ += len;
    return end;
}

}  // namespace zel
