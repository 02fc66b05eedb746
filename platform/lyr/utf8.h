// Strict UTF-8 decoding and encoding, the pivot of every conversion in
// libjrnmsg. Overlong forms, surrogates and values past U+10FFFF are refused.
#ifndef JRNMSG_UTF8_H
#define JRNMSG_UTF8_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace lyr {

// Length of the character at s (at most n bytes read) with its value in *cp,
// or -1 when the bytes are not a complete, valid character.
inline int utf8_decode(const char *s, size_t n, uint32_t *cp) {
    if (n == 0) return -1;
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    unsigned char b = p[0];
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    int len;
    uint32_t v, min;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, v = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, v = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, v = b & 0x07, min = 0x10000;
    } else {
        return -1;
    }
    if (n < static_cast<size_t>(len)) return -1;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return -1;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return -1;
    *cp = v;
    return len;
}

// Writes cp (a valid scalar value) to out; returns the byte count (1-4).
inline int utf8_encode(uint32_t cp, char *out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

inline bool is_scalar(uint32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

inline bool utf8_valid(const char *s, size_t n) {
    uint32_t cp = 0;
    for (size_t i = 0; i < n;) {
        int len = utf8_decode(s + i, n - i, &cp);
        if (len < 0) return false;
        i += static_cast<size_t>(len);
    }
    return true;
}

inline bool is_ascii(const char *s, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

}  // namespace lyr

#endif
