// A program's numbered message formatted with its arguments. A catalog text
// is data from outside: both branches take it only when it reads the same
// arguments as the compiled text, which is what the program passes.
#include "init/program_text.h"

#include <zel/fmt.h>
#include <zel/msg.h>
#include <zel/svc.h>

#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The UTF-8 text of code rendered by the engine in UTF-8 into *out (freed by
// the caller): its length, or -1 when the code has no text or the engine
// refuses the text or an argument.
int utf8_format(unsigned32 code, va_list args, char **out) {
    msg_layer_setup();  // makes the shared UTF-8 code set
    char *text = utf8_text(code);
    if (!text) return -1;
    int n = zel_vasprintf_cs(out, zel_svc_cs_utf8, text, args);
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
    if (buf) {
        size_t n = pgm ? put_prefix(buf) : 0;
        int len = zel_vsnprintf_cs(buf + n, static_cast<int>(size - n), nullptr, text, args);
        if (len >= 0) {
            size_t filled = n + static_cast<size_t>(len);
            if (filled > size - 1) filled = size - 1;
            buf[cut_at_character(nullptr, buf, filled, kNativeMax - 1)] = '\0';
            char *shrunk = static_cast<char *>(std::realloc(buf, std::strlen(buf) + 1));
            if (shrunk) buf = shrunk;
        } else {
            std::free(buf);
            buf = nullptr;
        }
    }
    std::free(text);
    return buf;
}

// The services' printf rather than the system's: a message's %S is a 16-bit
// wide string, which the system's printf would read as 32-bit characters.
int native_stream(FILE *stream, bool pgm, unsigned32 code, va_list args) {
    if (!stream) return -1;
    char *text = checked_message_text(code, nullptr, false);
    if (!text) return -1;
    flockfile(stream);  // the line stays whole among threads
    if (pgm) std::fprintf(stream, "%s:  ", zel_svc_get_progname());
    int n = lyr_vfprintf(nullptr, 0, stream, text, args);
    if (pgm) putc_unlocked('\n', stream);
    funlockfile(stream);
    std::free(text);
    return n;
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
