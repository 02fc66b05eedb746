// Values written into XML records: CDATA bodies split at "]]>", attribute
// values and element texts escaped, and everything XML 1.0 cannot carry
// (invalid UTF-8, C0 controls, U+FFFE and U+FFFF) written as U+FFFD.
#include "svc/record/xml_text.h"

#include <cstdint>
#include <cstring>

namespace zel {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void put(FILE *stream, const char *text, size_t len) { fwrite_unlocked(text, 1, len, stream); }
void put(FILE *stream, const char *text) { put(stream, text, std::strlen(text)); }

// One UTF-8 character at s (n > 0 bytes left): its length and whether it is
// a character XML allows. A broken sequence counts as one bad character of
// its longest valid-looking start, as decoders that replace usually count it.
size_t next_char(const unsigned char *s, size_t n, bool *allowed) {
    unsigned c = s[0];
    *allowed = false;
    if (c < 0x80) {
        *allowed = c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
        return 1;
    }
    size_t need;
    unsigned lo = 0x80, hi = 0xBF;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        need = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 2;
        cp = c & 0x0F;
        if (c == 0xE0) lo = 0xA0;  // overlong
        if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 3;
        cp = c & 0x07;
        if (c == 0xF0) lo = 0x90;  // overlong
        if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 1;
    }
    size_t i = 1;
    for (; i <= need; ++i) {
        if (i >= n) return i;
        unsigned b = s[i];
        if (b < lo || b > hi) return i;
        lo = 0x80;
        hi = 0xBF;
        cp = cp << 6 | (b & 0x3F);
    }
    *allowed = cp != 0xFFFE && cp != 0xFFFF;
    return i;
}

// Writes what is not plain ASCII at s: the character as it is, or U+FFFD.
size_t put_char(FILE *stream, const unsigned char *s, size_t n) {
    bool allowed;
    size_t len = next_char(s, n, &allowed);
    if (allowed) {
        put(stream, reinterpret_cast<const char *>(s), len);
    } else {
        put(stream, kReplacement, sizeof kReplacement - 1);
    }
    return len;
}

}  // namespace

void write_cdata(FILE *stream, const char *text, size_t len) {
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    size_t start = 0, i = 0;
    while (i < len) {
        unsigned c = s[i];
        if ((c >= 0x20 && c < 0x80 && c != ']') || c == '\n' || c == '\t') {
            ++i;
            continue;
        }
        put(stream, text + start, i - start);
        if (c == ']' && i + 2 < len && s[i + 1] == ']' && s[i + 2] == '>') {
            put(stream, "]]]]><![CDATA[>");
            i += 3;
        } else if (c == ']') {
            put(stream, "]", 1);
            ++i;
        } else if (c == '\r') {
            put(stream, "]]>&#13;<![CDATA[");
            ++i;
        } else {
            i += put_char(stream, s + i, len - i);
        }
        start = i;
    }
    put(stream, text + start, i - start);
}

void write_escaped(FILE *stream, const char *text, size_t len) {
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    size_t start = 0, i = 0;
    while (i < len) {
        unsigned c = s[i];
        if (c >= 0x20 && c < 0x80 && !std::strchr("&<>\"'", static_cast<int>(c))) {
            ++i;
            continue;
        }
        put(stream, text + start, i - start);
        const char *reference = nullptr;
        switch (c) {
        case '&': reference = "&amp;"; break;
        case '<': reference = "&lt;"; break;
        case '>': reference = "&gt;"; break;
        case '"': reference = "&quot;"; break;
        case '\'': reference = "&apos;"; break;
        case '\t': reference = "&#9;"; break;
        case '\n': reference = "&#10;"; break;
        case '\r': reference = "&#13;"; break;
        default: break;
        }
        if (reference) {
            put(stream, reference);
            ++i;
        } else {
            i += put_char(stream, s + i, len - i);
        }
        start = i;
    }
    put(stream, text + start, i - start);
}

void write_escaped(FILE *stream, const char *text) {
    if (!text) text = "(null)";
    write_escaped(stream, text, std::strlen(text));
}

}  // namespace zel
