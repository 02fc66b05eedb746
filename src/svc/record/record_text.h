// The bytes of a record's text, made once per call and bounded: no width,
// precision or argument makes a text longer than kRecordTextMax bytes, and a
// cut never splits a character of the text's code set.
#ifndef ZEL_SRC_SVC_RECORD_RECORD_TEXT_H
#define ZEL_SRC_SVC_RECORD_RECORD_TEXT_H

#include <jrnmsg/lyr.h>
#include <zel/fmt.h>

#include <stdarg.h>
#include <stddef.h>

namespace zel {

constexpr size_t kRecordTextMax = 64 * 1024;
// The text of an XML record, always UTF-8, is at most this long.
constexpr size_t kXmlTextMax = 19999;

// Bytes on the stack while short, else in the heap; or the bytes of another
// text that lives as long as the call.
class RecordText {
public:
    RecordText() = default;
    // Most calls go nowhere and never make a text: nothing to free then.
    ~RecordText() {
        if (heap_) release();
    }
    RecordText(const RecordText &) = delete;
    RecordText &operator=(const RecordText &) = delete;

    const char *data() const { return data_; }
    size_t size() const { return size_; }

    // The bytes of text, not copied.
    void refer(const char *text, size_t len);
    // The text of a parsed format with the record limits, cut at a whole
    // character of cs. False when the engine cannot render it.
    bool render(zel_fmt_ctx *ctx, lyr_cs_t cs);
    // The text of a format whose arguments are all sequential, straight
    // from the arguments, with the record limits; false when the format
    // needs the general parse, is malformed or makes a text too long for the
    // stack (the parsed render then decides). args is not consumed.
    bool render_direct(lyr_cs_t engine_cs, const char *format, va_list args);
    // text converted from code set `from` to `to`; the bytes as they are
    // (not copied) when the sets are the same or the text does not convert.
    void convert(lyr_cs_t from, lyr_cs_t to, const char *text, size_t len);
    // The bytes followed by a NUL: in place when the text's own buffer has
    // room, else copied (to the stack while short). Without memory for a long
    // copy, the whole characters of cs that the stack buffer holds.
    const char *c_str(lyr_cs_t cs);
    // Adds len bytes at the end, for the caller to fill; null when memory
    // ran out (nothing is added).
    char *extend(size_t len);

private:
    void release();
    // A buffer of at least size bytes that this text owns, for bytes that
    // replace what it held; null when memory ran out.
    char *room(size_t size);

    char local_[1024];
    char *heap_ = nullptr;
    size_t heap_size_ = 0;
    const char *data_ = "";
    size_t size_ = 0;
};

// Length of the longest start of text (len bytes) that has at most max bytes
// and ends on a whole character of cs.
size_t cut_at_character(lyr_cs_t cs, const char *text, size_t len, size_t max);
// The same for UTF-8 text.
size_t cut_utf8(const char *text, size_t len, size_t max);

}  // namespace zel

#endif
