// Text helpers of the record path: format a message into a new buffer with
// the library's engine, and convert it between the local code page and UTF-8.
#include <zel/fmt.h>
#include <zel/msg.h>

#include <cstdlib>
#include <cstring>

#include "svc/record.h"

namespace zel {

int local_sprintf(lyr_cs_t cs, char **out, const char *format, va_list args) {
    *out = nullptr;
    if (!format) return 0;
    zel_fmt_ctx fmt;
    if (zel_vsnprintf_parse(&fmt, cs, format, args) != 0) return 0;
    int size = 8192;
    char *buf = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
    int len = 0;
    while (buf) {
        len = zel_vsnprintf_render(&fmt, buf, size);
        if (len < size) break;
        size = len + 1;
        char *bigger = static_cast<char *>(std::realloc(buf, static_cast<size_t>(size)));
        if (!bigger) std::free(buf);
        buf = bigger;
    }
    zel_vsnprintf_done(&fmt);
    if (!buf || len <= 0) {
        std::free(buf);
        return 0;
    }
    *out = buf;
    return len;
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
    return result;
}

}  // namespace zel
