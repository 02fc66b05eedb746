// 16-bit UCS-2 wide text: conversion to and from a code set, and the wide
// string helpers. Characters outside the Basic Multilingual Plane do not fit
// a unit and make the conversion fail.
#include "internal.h"
#include "utf8.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {

int fail(int err) {
    errno = err;
    return -1;
}

// Plain ASCII text in a code set whose bytes below 0x80 are ASCII converts
// unit for byte; -2 when the text is not all ASCII and needs the full path.
int widen_ascii(lyr_wchar_t *dst, const char *src, size_t n) {
    size_t i = 0;
    for (; src[i]; ++i) {
        if (static_cast<unsigned char>(src[i]) >= 0x80) return -2;
        if (dst) {
            if (i + 1 >= n) return fail(E2BIG);
            dst[i] = static_cast<lyr_wchar_t>(src[i]);
        }
    }
    if (i > static_cast<size_t>(INT32_MAX)) return fail(EOVERFLOW);
    if (dst) {
        if (n == 0) return fail(E2BIG);
        dst[i] = 0;
    }
    return static_cast<int>(i);
}

int narrow_ascii(char *dst, const lyr_wchar_t *src, size_t n) {
    size_t i = 0;
    for (; src[i]; ++i) {
        if (src[i] >= 0x80) return -2;
        if (dst) {
            if (i + 1 >= n) return fail(E2BIG);
            dst[i] = static_cast<char>(src[i]);
        }
    }
    if (i > static_cast<size_t>(INT32_MAX)) return fail(EOVERFLOW);
    if (dst) {
        if (n == 0) return fail(E2BIG);
        dst[i] = '\0';
    }
    return static_cast<int>(i);
}

}  // namespace

extern "C" {

// Text that does not fit n units with its terminator fails with E2BIG rather
// than being cut; with a null dst the count needed is returned.
int lyr_mbstowcs(lyr_cs_t cs, lyr_wchar_t *dst, const char *src, size_t n) {
    if (!src) return fail(EINVAL);
    lyr_cs *c = lyr::resolve(cs);
    if (c->ascii) {
        int units = widen_ascii(dst, src, n);
        if (units != -2) return units;
    }
    size_t len = strlen(src);
    try {
        std::string u8;
        const char *text = src;
        if (!(c->ascii && lyr::is_ascii(src, len))) {
            if (!lyr::to_utf8(*c, src, len, u8)) return fail(EILSEQ);
            text = u8.data();
            len = u8.size();
        }
        size_t count = 0;
        for (size_t i = 0; i < len; ++count) {
            uint32_t cp = 0;
            int clen = lyr::utf8_decode(text + i, len - i, &cp);
            if (clen < 0 || cp > 0xFFFF) return fail(EILSEQ);
            if (dst) {
                if (count + 1 >= n) return fail(E2BIG);
                dst[count] = static_cast<lyr_wchar_t>(cp);
            }
            i += static_cast<size_t>(clen);
        }
        if (count > static_cast<size_t>(INT32_MAX)) return fail(EOVERFLOW);
        if (dst) {
            if (n == 0) return fail(E2BIG);
            dst[count] = 0;
        }
        return static_cast<int>(count);
    } catch (const std::bad_alloc &) {
        return fail(ENOMEM);
    }
}

// n is dst's size in bytes; as lyr_mbstowcs for text that does not fit.
int lyr_wcstombs(lyr_cs_t cs, char *dst, const lyr_wchar_t *src, size_t n) {
    if (!src) return fail(EINVAL);
    lyr_cs *c = lyr::resolve(cs);
    if (c->ascii) {
        int bytes = narrow_ascii(dst, src, n);
        if (bytes != -2) return bytes;
    }
    try {
        std::string out;
        for (const lyr_wchar_t *p = src; *p; ++p) {
            char buf[8];
            int len = lyr::encode_char(*c, *p, buf);
            if (len < 0) return fail(EILSEQ);
            out.append(buf, static_cast<size_t>(len));
        }
        if (out.size() > static_cast<size_t>(INT32_MAX)) return fail(EOVERFLOW);
        if (dst) {
            if (out.size() >= n) return fail(E2BIG);
            memcpy(dst, out.data(), out.size());
            dst[out.size()] = '\0';
        }
        return static_cast<int>(out.size());
    } catch (const std::bad_alloc &) {
        return fail(ENOMEM);
    }
}

int lyr_wctomb(lyr_cs_t cs, char *dst, lyr_wchar_t wc) {
    if (!dst) return 0;  // no shift states
    int len = lyr::encode_char(*lyr::resolve(cs), wc, dst);
    return len < 0 ? fail(EILSEQ) : len;
}

lyr_wchar_t *lyr_wcschr(const lyr_wchar_t *s, lyr_wchar_t c) {
    if (!s) return nullptr;
    for (;; ++s) {
        if (*s == c) return const_cast<lyr_wchar_t *>(s);
        if (*s == 0) return nullptr;
    }
}

size_t lyr_wcslen(const lyr_wchar_t *s) {
    size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

// Unicode White_Space characters of the BMP.
int lyr_iswspace(lyr_wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // extern "C"
