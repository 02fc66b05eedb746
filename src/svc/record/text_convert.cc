// Text helpers of the record path: format a message into a new buffer (a
// bounded record text), and convert it between the local code page and UTF-8.
#include <zel/fmt.h>
#include <zel/msg.h>

#include <cstdlib>
#include <cstring>

#include "svc/record/record.h"
#include "svc/record/record_text.h"

namespace zel {

int local_sprintf(lyr_cs_t cs, char **out, const char *format, va_list args) {
    *out = nullptr;
    RecordText text;
    text.format(cs, format, args);
    if (text.size() == 0) return 0;
    *out = text.copy();
    return *out ? static_cast<int>(text.size()) : 0;
}

int local_convert(lyr_cs_t from, lyr_cs_t to, int len, const char *text, char **out) {
    *out = nullptr;
    if (!text) return 0;
    size_t n = len > 0 ? static_cast<size_t>(len) : std::strlen(text);
    if (from == to) {
        char *copy = static_cast<char *>(std::malloc(n + 1));
        if (!copy) return 0;
        std::memcpy(copy, text, n);
        copy[n] = '\0';
        *out = copy;
        return static_cast<int>(n);
    }
    bool from_utf8 = from == zel_svc_cs_utf8;
    size_t size = (from_utf8 ? 2 * n : 3 * n) + 1 + 4;
    char *buf = static_cast<char *>(std::malloc(size));
    if (!buf) return 0;
    int result = from_utf8 ? lyr_from_utf8(to, text, n, buf, size)
                           : lyr_to_utf8(from, text, n, buf, size);
    if (result < 1) {
        std::free(buf);
        return 0;
    }
    buf[result] = '\0';
    *out = buf;
    return result;
}

int formatandconvert(lyr_cs_t from, lyr_cs_t to, const char *format, va_list args, char **out) {
    char *formatted = nullptr;
    *out = nullptr;
    int len = local_sprintf(from, &formatted, format, args);
    if (len <= 0) return 0;
    int result = local_convert(from, to, len, formatted, out);
    std::free(formatted);
    // A conversion can make the text longer than a record may be.
    if (*out) result = static_cast<int>(cut_at_character(to, *out, static_cast<size_t>(result), kRecordTextMax));
    if (*out) (*out)[result] = '\0';
    return result;
}

}  // namespace zel
