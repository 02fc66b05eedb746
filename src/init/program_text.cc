// A program's numbered message formatted with its arguments. A catalog text
// is data from outside: both branches take it only when it reads the same
// arguments as the compiled text, which is what the program passes, and
// render it with the widths and precisions capped as in records.
#include "init/program_text.h"

#include <zel/fmt.h>
#include <zel/msg.h>
#include <zel/svc.h>

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fmt/fmt_internal.h"
#include "msg/checked_text.h"
#include "msg/message_layer.h"
#include "svc/record/record_text.h"

namespace zel {
namespace {

// A native string holds at most this many bytes with its NUL. The engine
// renders a few bytes more, so that the character that straddles the limit
// is seen whole when the cut is decided.
constexpr size_t kNativeMax = 4096;
constexpr size_t kSlack = 16;

// "name:  " into buf, which has room for it (a program name is short).
size_t put_prefix(char *buf) {
    const char *name = zel_svc_get_progname();
    size_t n = std::strlen(name);
    std::memcpy(buf, name, n);
    std::memcpy(buf + n, ":  ", 3);
    return n + 3;
}

// The catalog's text in UTF-8 when it agrees with the compiled text, else a
// copy of the compiled text; null when the code has neither (there is no
// "Unknown message" text in UTF-8) or no memory is left.
char *utf8_text(unsigned32 code) {
    unsigned32 status;
    char *catalog = zel_msg_get_locale_cat_msg(code, nullptr, zel_svc_utf8_cs, 4, &status);
    const char *compiled = zel_msg_get_default_msg(code, &status);
    if (catalog && catalog_text_agrees(code, catalog, nullptr, compiled)) return catalog;
    std::free(catalog);
    return compiled ? strdup(compiled) : nullptr;
}

// text rendered with args by the engine in code set cs (null: the services'
// default) into a new *out that the caller frees: its length, or -1 when the
// engine refuses the text or an argument, or no memory is left.
int render(lyr_cs_t cs, const char *text, va_list args, char **out) {
    *out = nullptr;
    zel_fmt_ctx ctx;
    if (fmt_parse(&ctx, cs, text, args) != 0) return -1;
    int n = fmt_render_record(&ctx, nullptr, 0);
    if (n >= 0) *out = static_cast<char *>(std::malloc(static_cast<size_t>(n) + 1));
    if (!*out || fmt_render_record(&ctx, *out, n + 1) < 0) {
        std::free(*out);
        *out = nullptr;
        n = -1;
    }
    fmt_release(&ctx);
    return n;
}

// The UTF-8 text of code rendered in UTF-8, as render() gives it; -1 also
// when the code has no text.
int utf8_format(unsigned32 code, va_list args, char **out) {
    msg_layer_setup();  // makes the shared UTF-8 code set
    char *text = utf8_text(code);
    if (!text) return -1;
    int n = render(zel_svc_cs_utf8, text, args, out);
    std::free(text);
    return n;
}

}  // namespace

CancelOff::CancelOff() { errno = pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &old_); }

CancelOff::~CancelOff() {
    int ignored;
    errno = pthread_setcancelstate(old_, &ignored);
}

// The services' printf has no size, so the engine renders in the services'
// default code set (the same conversions: 16-bit %S, no %n) into a bounded
// buffer; a longer text is cut after its last whole character.
char *native_string(bool pgm, unsigned32 code, va_list args) {
    char *text = checked_message_text(code, nullptr, false);
    if (!text) return nullptr;
    constexpr size_t size = kNativeMax + kSlack;
    char *buf = static_cast<char *>(std::malloc(size));
    zel_fmt_ctx ctx;
    if (buf && fmt_parse(&ctx, nullptr, text, args) == 0) {
        size_t n = pgm ? put_prefix(buf) : 0;
        int len = fmt_render_record(&ctx, buf + n, static_cast<int>(size - n));
        fmt_release(&ctx);
        if (len >= 0) {
            size_t filled = std::min(n + static_cast<size_t>(len), size - 1);
            buf[cut_at_character(nullptr, buf, filled, kNativeMax - 1)] = '\0';
            char *shrunk = static_cast<char *>(std::realloc(buf, std::strlen(buf) + 1));
            std::free(text);
            return shrunk ? shrunk : buf;
        }
    }
    std::free(buf);
    std::free(text);
    return nullptr;
}

// Rendered by the engine rather than the system's printf, which would read a
// message's 16-bit %S as 32-bit characters; in the services' default code
// set, as the native strings.
int native_stream(FILE *stream, bool pgm, unsigned32 code, va_list args) {
    if (!stream) return -1;
    char *text = checked_message_text(code, nullptr, false);
    if (!text) return -1;
    char *formatted;
    int n = render(nullptr, text, args, &formatted);
    std::free(text);
    if (n < 0) return -1;
    flockfile(stream);  // the line stays whole among threads
    if (pgm) std::fprintf(stream, "%s:  ", zel_svc_get_progname());
    bool written =
        std::fwrite(formatted, 1, static_cast<size_t>(n), stream) == static_cast<size_t>(n);
    if (pgm) putc_unlocked('\n', stream);
    funlockfile(stream);
    std::free(formatted);
    return written ? n : -1;
}

// An empty message gives an empty plain string but no pgm string: a prefix
// alone says nothing.
char *utf8_string(bool pgm, unsigned32 code, va_list args) {
    char *formatted = nullptr;
    int n = utf8_format(code, args, &formatted);
    if (n < 0) return nullptr;
    if (!pgm) return formatted;
    char *text = nullptr;
    if (n > 0) {
        const char *name = zel_svc_get_progname();
        size_t name_len = std::strlen(name);
        text = static_cast<char *>(std::malloc(name_len + static_cast<size_t>(n) + 5));
        if (text) {
            size_t at = put_prefix(text);
            std::memcpy(text + at, formatted, static_cast<size_t>(n) + 1);
        }
    }
    std::free(formatted);
    return text;
}

// Written in the thread's local code page. A text that the code page cannot
// hold is written in UTF-8 rather than lost.
int utf8_stream(FILE *stream, bool pgm, unsigned32 code, va_list args) {
    if (!stream) return -1;
    char *formatted = nullptr;
    int n = utf8_format(code, args, &formatted);
    if (n < 0) return -1;
    const char *bytes = formatted;
    size_t len = static_cast<size_t>(n);
    char *converted = nullptr;
    lyr_cs_t local = zelsvc_get_local_code_page();
    if (len > 0 && local && local != zel_svc_cs_utf8) {
        // A character takes at most twice its UTF-8 bytes in any code page.
        size_t size = 2 * len + 1 + 4;
        converted = static_cast<char *>(std::malloc(size));
        int m = converted ? lyr_from_utf8(local, formatted, len, converted, size) : -1;
        if (m > 0) {
            bytes = converted;
            len = static_cast<size_t>(m);
        }
    }
    flockfile(stream);
    if (pgm) std::fprintf(stream, "%s:  ", zel_svc_get_progname());
    bool written = len == 0 || std::fwrite(bytes, 1, len, stream) == len;
    if (pgm) putc_unlocked('\n', stream);
    funlockfile(stream);
    std::free(converted);
    std::free(formatted);
    return written ? static_cast<int>(len) : -1;
}

}  // namespace zel
