// A record's text, formatted once and bounded: no width, precision or
// argument makes it longer than kRecordTextMax bytes, and a cut never splits
// a character of the text's code set.
#ifndef ZEL_SRC_SVC_RECORD_TEXT_H
#define ZEL_SRC_SVC_RECORD_TEXT_H

#include <jrnmsg/lyr.h>

#include <stdarg.h>
#include <stddef.h>

namespace zel {

constexpr size_t kRecordTextMax = 64 * 1024;

// The bytes of one text: on the stack while short, else in the heap.
class RecordText {
public:
    RecordText() = default;
    ~RecordText();
    RecordText(const RecordText &) = delete;
    RecordText &operator=(const RecordText &) = delete;

    const char *data() const { return data_; }
    size_t size() const { return size_; }

    // The text of format with args in code set cs (null: the services'
    // default), formatted by the engine with the record limits. A format the
    // engine refuses goes to the platform printf with its widths capped; one
    // that neither takes (or whose "*" could not be checked) is the text.
    void format(lyr_cs_t cs, const char *format, va_list args);
    // The text converted from the local code page cs to UTF-8; the bytes
    // as they are when they do not convert.
    void to_utf8(lyr_cs_t cs, const char *text, size_t len);
    // A copy in the heap (the caller frees it), or null.
    char *copy() const;

private:
    char *room(size_t size);
    void take_heap(char *text, size_t len);
    void keep_bounded(lyr_cs_t cs, const char *text, size_t len);

    char local_[1024];
    char *heap_ = nullptr;
    const char *data_ = "";
    size_t size_ = 0;
};

// Copies the decimal number at text (digits up to end) to *out and moves
// both past it; a number above the record cap on widths and precisions is
// written as the cap. Returns the end of the number in text.
const char *copy_capped_number(const char *text, const char *end, char **out);

// Length of the longest start of text (len bytes) that has at most max bytes
// and ends on a whole character of cs.
size_t cut_at_character(lyr_cs_t cs, const char *text, size_t len, size_t max);
// The same for UTF-8 text.
size_t cut_utf8(const char *text, size_t len, size_t max);

}  // namespace zel

#endif
